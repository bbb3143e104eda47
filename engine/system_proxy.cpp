#include "engine/system_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "base/scoped_generic.h"
#include "engine/proxy_settings.h"
#include "engine/text_convert.h"

namespace {

// Auto-detection asks the network (DHCP, DNS) and may hang for long; past this the transfer goes
// direct instead of keeping the install waiting.
constexpr auto kAutoDetectWait = std::chrono::seconds(5);
// A named script whose server does not answer gets longer, then the settings' next choice.
constexpr auto kPacScriptWait = std::chrono::seconds(15);

struct WinHttpHandleTraits {
  static bool IsValid(HINTERNET handle) { return handle != nullptr; }
  static void Free(HINTERNET handle) { ::WinHttpCloseHandle(handle); }
};
using ScopedWinHttpHandle = base::ScopedGeneric<HINTERNET, WinHttpHandleTraits>;

// Strings WinHTTP allocates for its caller with GlobalAlloc.
struct GlobalStringTraits {
  static bool IsValid(LPWSTR text) { return text != nullptr; }
  static void Free(LPWSTR text) { ::GlobalFree(text); }
};
using ScopedGlobalString = base::ScopedGeneric<LPWSTR, GlobalStringTraits>;

std::wstring TextOf(const ScopedGlobalString& text) {
  return text ? std::wstring(text.Get()) : std::wstring();
}

// The user's Internet settings, owning WinHTTP's strings.
struct UserProxySettings {
  bool autoDetect = false;
  ScopedGlobalString pacAddress, proxy, bypass;

  bool Read() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&config))
      return false;
    autoDetect = config.fAutoDetect != FALSE;
    pacAddress.Reset(config.lpszAutoConfigUrl);
    proxy.Reset(config.lpszProxy);
    bypass.Reset(config.lpszProxyBypass);
    return true;
  }
};

// Runs a PAC script (named, or found by auto-detection when pacAddress is empty) for address.
// Returns false when there is no answer; WinHTTP fetches the script itself, directly.
bool AskPacScript(const std::wstring& pacAddress,
                  const std::wstring& address,
                  std::vector<std::string>& routes) {
  ScopedWinHttpHandle session(::WinHttpOpen(L"Quenby installer", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session)
    return false;
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (pacAddress.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = pacAddress.c_str();
  }
  // A script server that asks who we are gets the logged-on user.
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  if (!::WinHttpGetProxyForUrl(session.Get(), address.c_str(), &options, &info))
    return false;
  ScopedGlobalString proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxy)
    routes = ParsePacAnswer(TextOf(proxy));
  else
    routes = {std::string()};
  return true;
}

// AskPacScript on a thread of its own, waited for at most `wait`. A question still open when the
// wait ends finishes on its own and writes only into the state it shares.
bool AskPacScriptWithin(const std::wstring& pacAddress,
                        const std::wstring& address,
                        std::chrono::seconds wait,
                        std::vector<std::string>& routes) {
  struct Question {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false, answered = false;
    std::vector<std::string> routes;
  };
  auto question = std::make_shared<Question>();
  try {
    std::thread([question, pacAddress, address] {
      std::vector<std::string> found;
      const bool answered = AskPacScript(pacAddress, address, found);
      std::lock_guard<std::mutex> lock(question->mutex);
      question->finished = true;
      question->answered = answered;
      question->routes = std::move(found);
      question->done.notify_all();
    }).detach();
  } catch (const std::exception&) {
    return false;
  }
  std::unique_lock<std::mutex> lock(question->mutex);
  if (!question->done.wait_for(lock, wait, [&] { return question->finished; }))
    return false;
  if (!question->answered)
    return false;
  routes = question->routes;
  return true;
}

}  // namespace

std::vector<std::string> SystemProxyRoutes(const std::string& address) {
  const std::vector<std::string> direct = {std::string()};
  AddressParts parts;
  if (!SplitAddress(address, parts))
    return direct;
  UserProxySettings settings;
  if (!settings.Read())
    return direct;
  const std::wstring wideAddress = Utf8ToWide(address);
  std::vector<std::string> routes;
  // Windows' own order: a script, then detection, then the named proxy.
  if (settings.pacAddress &&
      AskPacScriptWithin(TextOf(settings.pacAddress), wideAddress, kPacScriptWait, routes))
    return routes;
  if (settings.autoDetect &&
      AskPacScriptWithin(std::wstring(), wideAddress, kAutoDetectWait, routes))
    return routes;
  if (settings.proxy && !IsBypassed(parts, TextOf(settings.bypass))) {
    const std::string proxy = NamedProxyFor(TextOf(settings.proxy), parts.scheme);
    if (!proxy.empty())
      return {proxy};
  }
  return direct;
}
