#include "engine/transfer/system_proxy.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/common/text_convert.h"
#include "engine/transfer/proxy_detection.h"
#include "engine/transfer/proxy_settings.h"
#include "engine/transfer/winhttp_handles.h"

namespace {

// Auto-detection asks the network (DHCP, DNS) and may hang for long; past this the transfer goes
// on without it instead of keeping the install waiting.
constexpr auto kAutoDetectWait = std::chrono::seconds(5);
// A named script whose server does not answer gets longer, then the settings' next choice.
constexpr auto kPacScriptWait = std::chrono::seconds(15);

std::atomic<GetProxyForUrlCall> getProxyForUrlCall{nullptr};

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

// Runs the PAC script at pacAddress for address. Returns false when there is no answer;
// WinHTTP's service fetches the script itself, directly.
bool AskPacScript(const std::wstring& pacAddress,
                  const std::wstring& address,
                  std::vector<std::string>& routes) {
  ScopedWinHttpHandle session(::WinHttpOpen(L"Quenby installer", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session)
    return false;
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  // The script comes from the network and this process has administrator rights: it runs in
  // the auto-proxy service or not at all.
  options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL | WINHTTP_AUTOPROXY_RUN_OUTPROCESS_ONLY;
  options.lpszAutoConfigUrl = pacAddress.c_str();
  // A script server that asks who we are gets the logged-on user.
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  const GetProxyForUrlCall call = getProxyForUrlCall.load();
  if (!(call ? call : &::WinHttpGetProxyForUrl)(session.Get(), address.c_str(), &options, &info))
    return false;
  ScopedGlobalString proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxy)
    routes = ParsePacAnswer(TextOf(proxy));
  else
    routes = {std::string()};
  return true;
}

// AskPacScript on a thread of its own, waited for at most `wait`, one question at a time: a
// question still open when its wait ends finishes alone, and until it has, the script step
// fails at once for everyone else, so a script server that never answers holds one thread.
class PacQuestions {
 public:
  static PacQuestions& Instance() {
    // Never destroyed: a question may still be open when the process exits.
    static PacQuestions* const questions = new PacQuestions;
    return *questions;
  }

  bool Ask(const std::wstring& pacAddress,
           const std::wstring& address,
           std::chrono::seconds wait,
           std::vector<std::string>& routes) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> lock(slot_->mutex);
    // Another engine thread's question is answered soon or given up at its own deadline.
    slot_->free.wait_until(lock, deadline, [&] { return !slot_->busy || slot_->abandoned; });
    if (slot_->busy)
      return false;
    auto question = std::make_shared<Question>();
    slot_->busy = true;
    try {
      std::thread([slot = slot_, question, pacAddress, address] {
        std::vector<std::string> found;
        bool answered = false;
        try {
          answered = AskPacScript(pacAddress, address, found);
        } catch (const std::exception&) {
          answered = false;
        }
        std::lock_guard<std::mutex> ended(slot->mutex);
        question->finished = true;
        question->answered = answered;
        question->routes = std::move(found);
        slot->busy = false;
        slot->abandoned = false;
        slot->free.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      slot_->busy = false;
      return false;
    }
    slot_->free.wait_until(lock, deadline, [&] { return question->finished; });
    if (!question->finished) {
      slot_->abandoned = true;
      slot_->free.notify_all();
      return false;
    }
    if (!question->answered)
      return false;
    routes = std::move(question->routes);
    return true;
  }

 private:
  struct Slot {
    std::mutex mutex;
    std::condition_variable free;  // a question ended or was given up
    bool busy = false, abandoned = false;
  };
  struct Question {
    bool finished = false, answered = false;
    std::vector<std::string> routes;
  };

  PacQuestions() = default;

  const std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

}  // namespace

SystemProxyAnswer AskSystemProxy(const std::string& address) {
  SystemProxyAnswer answer;
  answer.routes = {std::string()};
  AddressParts parts;
  if (!SplitAddress(address, parts))
    return answer;
  UserProxySettings settings;
  if (!settings.Read())
    return answer;
  const std::wstring wideAddress = Utf8ToWide(address);
  PacQuestions& pac = PacQuestions::Instance();
  std::vector<std::string> routes;
  // Windows' own order: a script, then detection, then the named proxy.
  if (settings.pacAddress &&
      pac.Ask(TextOf(settings.pacAddress), wideAddress, kPacScriptWait, routes)) {
    answer.routes = std::move(routes);
    return answer;
  }
  if (settings.autoDetect) {
    const ProxyDetection::Answer detected = ProxyDetection::Instance().Ask(kAutoDetectWait);
    if (detected.state == ProxyDetection::State::kFound &&
        pac.Ask(detected.scriptAddress, wideAddress, kPacScriptWait, routes)) {
      answer.routes = std::move(routes);
      return answer;
    }
    answer.awaitsDetection = detected.state == ProxyDetection::State::kRunning;
  }
  if (settings.proxy && !IsBypassed(parts, TextOf(settings.bypass))) {
    const std::string proxy = NamedProxyFor(TextOf(settings.proxy), parts.scheme);
    if (!proxy.empty())
      answer.routes = {proxy};
  }
  return answer;
}

std::vector<std::string> SystemProxyRoutes(const std::string& address) {
  return AskSystemProxy(address).routes;
}

void SetGetProxyForUrlCall(GetProxyForUrlCall call) {
  getProxyForUrlCall = call;
}
