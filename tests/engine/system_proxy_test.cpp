// Transfers through the proxy the user's Internet settings name, under Wine: the settings are
// written into the prefix's registry as Windows keeps them, and the local update server answers
// proxy requests, counting them apart, so that each case sees which route a transfer took.
#include "engine/transfer/system_proxy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/scoped_handle.h"
#include "base/scoped_reg_key.h"
#include "engine/package_download.h"
#include "engine/transfer/package_fetcher.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/proxy_detection.h"
#include "engine/transfer/proxy_routes.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_retry.h"
#include "tests/support/temp_folder.h"

namespace {

// What the PAC calls were asked to do, for a stand-in that answers as a system without WinHTTP's
// auto-proxy service does.
struct PacCall {
  DWORD flags;
  std::wstring script;
};
std::vector<PacCall> pacCalls;

BOOL WINAPI PacServiceMissing(HINTERNET,
                              LPCWSTR,
                              WINHTTP_AUTOPROXY_OPTIONS* options,
                              WINHTTP_PROXY_INFO*) {
  pacCalls.push_back(
      {options->dwFlags, options->lpszAutoConfigUrl ? options->lpszAutoConfigUrl : L""});
  ::SetLastError(ERROR_WINHTTP_AUTO_PROXY_SERVICE_ERROR);
  return FALSE;
}

constexpr wchar_t kConnectionsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kSettingsValue[] = L"DefaultConnectionSettings";

// Flags of the settings value.
constexpr DWORD kDirect = 1, kNamedProxy = 2, kPacScript = 4, kAutoDetect = 8;

// A host that no resolver knows: a transfer to it succeeds only through a proxy.
constexpr char kProxyOnlyHost[] = "quenby-proxy-test.invalid";

void AppendDword(std::string& bytes, DWORD value) {
  bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendCounted(std::string& bytes, const std::string& text) {
  AppendDword(bytes, static_cast<DWORD>(text.size()));
  bytes += text;
}

// The binary value in which Windows keeps the user's connection settings: a header (version,
// change counter, flags), the named proxy, its bypass list and the PAC address, each preceded by
// its length, then fields we leave at zero.
std::string ConnectionSettings(DWORD flags,
                               const std::string& proxy,
                               const std::string& bypass,
                               const std::string& pacAddress) {
  std::string bytes;
  AppendDword(bytes, 0x46);
  AppendDword(bytes, 1);
  AppendDword(bytes, flags);
  AppendCounted(bytes, proxy);
  AppendCounted(bytes, bypass);
  AppendCounted(bytes, pacAddress);
  bytes.append(32, '\0');
  return bytes;
}

class SystemProxyTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = WideToUtf8(EnvironmentValue(L"QUENBY_TEST_SERVER"));
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    serverHostPort_ = server_.substr(server_.find("://") + 3);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr));
    key_.Reset(key);
    DWORD size = 0;
    hadSettings_ = ::RegQueryValueExW(key_.Get(), kSettingsValue, nullptr, nullptr, nullptr,
                                      &size) == ERROR_SUCCESS;
    if (hadSettings_) {
      savedSettings_.resize(size);
      ASSERT_EQ(ERROR_SUCCESS,
                ::RegQueryValueExW(key_.Get(), kSettingsValue, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(savedSettings_.data()), &size));
    }
    ProxyRoutes::Instance().Clear();
    ProxyCredentialStore::Instance().Clear();
    ProxyDetection::Instance().Reset();
  }
  void TearDown() override {
    SetGetProxyForUrlCall(nullptr);
    ProxyDetection::Instance().Reset();
    ProxyCredentialStore::Instance().SetPrompt(nullptr);
    ProxyCredentialStore::Instance().Clear();
    if (hadSettings_)
      WriteSettings(savedSettings_);
    else
      ::RegDeleteValueW(key_.Get(), kSettingsValue);
    ProxyRoutes::Instance().Clear();
  }

  void WriteSettings(const std::string& bytes) {
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key_.Get(), kSettingsValue, 0, REG_BINARY,
                                              reinterpret_cast<const BYTE*>(bytes.data()),
                                              static_cast<DWORD>(bytes.size())));
    ProxyRoutes::Instance().Clear();
  }

  std::string Serve(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteFileBytes(servedRoot_ + L"\\" + Utf8ToWide(name), bytes));
    return bytes;
  }

  int Count(const std::string& kind, const std::string& path) {
    std::string text;
    EXPECT_EQ(0, PerformTransfer(server_ + "/-/" + kind + path, &AppendToString, &text));
    return std::atoi(text.c_str());
  }
  // Requests for path that reached the server as a proxy, and all requests for it.
  int ProxiedRequests(const std::string& path) { return Count("proxied", path); }
  int Requests(const std::string& path) { return Count("count", path); }

  int Fetch(const std::string& address, std::string& body) {
    body.clear();
    return PerformTransfer(address, &AppendToString, &body);
  }

  std::string server_, serverHostPort_;
  std::wstring servedRoot_;
  base::ScopedRegKey key_;
  bool hadSettings_ = false;
  std::string savedSettings_;
};

TEST_F(SystemProxyTest, NamedProxyCarriesTransfersToOtherHosts) {
  const std::string bytes = Serve("named.pak", std::string(300000, 'n'));
  WriteSettings(ConnectionSettings(kDirect | kNamedProxy, serverHostPort_, "<local>", ""));
  const std::string address = std::string("http://") + kProxyOnlyHost + "/named.pak";
  EXPECT_EQ(std::vector<std::string>{"http://" + serverHostPort_}, SystemProxyRoutes(address));

  std::string body;
  ASSERT_EQ(0, Fetch(address, body));
  EXPECT_TRUE(body == bytes);
  ASSERT_EQ(0, Fetch(address, body));
  EXPECT_EQ(2, ProxiedRequests("/named.pak"));
  EXPECT_EQ(
      "http://" + serverHostPort_,
      ProxyRoutes::Instance().WorkingRoutes()["http://" + std::string(kProxyOnlyHost) + ":80"]);
}

TEST_F(SystemProxyTest, BypassListDecidesWhichHostsGoDirect) {
  Serve("bypass.pak", "bypass");
  struct Case {
    const char* bypass;
    bool throughProxy;
  };
  const Case kCases[] = {
      {"", false},  // loopback is never sent to a proxy by default
      {"<-loopback>", true},
      {"<-loopback>;127.0.0.*", false},
      {"<-loopback>;<local>", true},  // "127.0.0.1" has dots: not a local name
  };
  int proxiedBefore = ProxiedRequests("/bypass.pak");
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.bypass);
    WriteSettings(ConnectionSettings(kDirect | kNamedProxy, serverHostPort_, c.bypass, ""));
    std::string body;
    ASSERT_EQ(0, Fetch(server_ + "/bypass.pak", body));
    EXPECT_EQ("bypass", body);
    const int proxied = ProxiedRequests("/bypass.pak");
    EXPECT_EQ(c.throughProxy ? 1 : 0, proxied - proxiedBefore);
    proxiedBefore = proxied;
  }
}

TEST_F(SystemProxyTest, PacScriptChoosesTheProxyPerHost) {
  const std::string bytes = Serve("pac.pak", std::string(5000, 'p'));
  Serve("proxy.pac",
        "function FindProxyForURL(url, host) {\n"
        "  if (host == \"" +
            std::string(kProxyOnlyHost) +
            "\")\n"
            "    return \"PROXY " +
            serverHostPort_ +
            "; DIRECT\";\n"
            "  return \"DIRECT\";\n"
            "}\n");
  // The script is fetched from loopback, directly, even though the named proxy is dead.
  WriteSettings(ConnectionSettings(kDirect | kNamedProxy | kPacScript, "127.0.0.1:1", "",
                                   server_ + "/proxy.pac"));
  std::string body;
  ASSERT_EQ(0, Fetch(std::string("http://") + kProxyOnlyHost + "/pac.pak", body));
  EXPECT_TRUE(body == bytes);
  EXPECT_EQ(1, ProxiedRequests("/pac.pak"));
  // The script sends the server's own address direct.
  ASSERT_EQ(0, Fetch(server_ + "/pac.pak", body));
  EXPECT_EQ(1, ProxiedRequests("/pac.pak"));
  EXPECT_EQ(1, Requests("/proxy.pac"));
}

TEST_F(SystemProxyTest, UnreachablePacScriptLeavesTheNamedProxy) {
  WriteSettings(ConnectionSettings(kDirect | kNamedProxy | kPacScript, serverHostPort_, "",
                                   "http://127.0.0.1:1/proxy.pac"));
  EXPECT_EQ(std::vector<std::string>{"http://" + serverHostPort_},
            SystemProxyRoutes(std::string("http://") + kProxyOnlyHost + "/x"));
}

TEST_F(SystemProxyTest, DeadFirstProxyGivesWayToTheNextAndIsNotTriedAgain) {
  Serve("second.pak", "second");
  const std::string address = std::string("http://") + kProxyOnlyHost + "/second.pak";
  const std::string dead = "http://127.0.0.1:1", working = "http://" + serverHostPort_;
  ProxyRoutes::Instance().SetRoutes(address, {dead, working, std::string()});
  std::string body;
  ASSERT_EQ(0, Fetch(address, body));
  EXPECT_EQ("second", body);
  EXPECT_EQ(std::vector<std::string>{working}, ProxyRoutes::Instance().RoutesFor(address));
  ASSERT_EQ(0, Fetch(address, body));
  EXPECT_EQ(2, ProxiedRequests("/second.pak"));
}

TEST_F(SystemProxyTest, FailingProxyFallsBackToDirectOnce) {
  Serve("direct.pak", "direct");
  struct Case {
    const char* name;
    std::string proxy;
    std::string path;
    int proxiedRequests;
  };
  const Case kCases[] = {
      {"proxy refuses connections", "http://127.0.0.1:1", "/direct.pak", 0},
      {"proxy cannot be resolved", std::string("http://") + kProxyOnlyHost + ":8080", "/direct.pak",
       0},
      // The server, as a proxy, answers the first request for this path with 502.
      {"proxy answers 502", "http://" + serverHostPort_, "/-/fail/1/502/direct.pak", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ProxyRoutes::Instance().Clear();
    const std::string address = server_ + c.path;
    const int proxiedBefore = ProxiedRequests(c.path);
    ProxyRoutes::Instance().SetRoutes(address, {c.proxy});
    std::string body;
    ASSERT_EQ(0, Fetch(address, body));
    EXPECT_EQ("direct", body);
    EXPECT_EQ(std::vector<std::string>{std::string()}, ProxyRoutes::Instance().RoutesFor(address));
    EXPECT_EQ(c.proxiedRequests, ProxiedRequests(c.path) - proxiedBefore);
  }
}

// The local server, as a proxy for hosts under proxy-auth.invalid, wants Basic credentials.
TEST_F(SystemProxyTest, ProxyAskingForAPasswordGetsWhatTheUserTypes) {
  Serve("auth.pak", "through the proxy");
  const std::string address = "http://updates.proxy-auth.invalid/auth.pak";
  const std::string proxy = "http://" + serverHostPort_;
  struct Case {
    const char* name;
    bool answer;
    const wchar_t* password;
    int expectedResult;
  };
  const Case kCases[] = {
      {"right password", true, L"proxy secret", CURLE_OK},
      {"wrong password", true, L"guess", CURLE_HTTP_RETURNED_ERROR},
      {"prompt cancelled", false, L"", CURLE_HTTP_RETURNED_ERROR},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ProxyCredentialStore::Instance().Clear();
    ProxyRoutes::Instance().SetRoutes(address, {proxy});
    std::vector<std::string> asked;
    ProxyCredentialStore::Instance().SetPrompt(
        [&](const std::string& askingProxy, std::wstring& userName, base::SecretWString& password) {
          asked.push_back(askingProxy);
          userName = L"quenby";
          password.Assign(c.password);
          return c.answer;
        });
    for (int transfer = 0; transfer < 2; ++transfer) {
      std::string body;
      TransferOutcome outcome;
      EXPECT_EQ(c.expectedResult, PerformTransfer(address, &AppendToString, &body, 0, &outcome));
      if (c.expectedResult == CURLE_OK) {
        EXPECT_EQ("through the proxy", body);
      } else {
        // A proxy that keeps refusing ends the transfer: no direct try, no retry.
        EXPECT_EQ(407, outcome.httpStatus);
        EXPECT_FALSE(IsTransientFailure(c.expectedResult, outcome.httpStatus));
      }
    }
    // Asked once for the run, whatever the answer.
    EXPECT_EQ(std::vector<std::string>{proxy}, asked);
  }
}

TEST_F(SystemProxyTest, DirectSettingsLeaveTransfersAlone) {
  WriteSettings(ConnectionSettings(kDirect, "", "", ""));
  EXPECT_EQ(std::vector<std::string>{std::string()},
            SystemProxyRoutes(std::string("http://") + kProxyOnlyHost + "/x"));
  std::string body;
  EXPECT_NE(0, Fetch(std::string("http://") + kProxyOnlyHost + "/x", body));
}

// A script from the network must never run inside the elevated installer: WinHTTP is told to
// run it in its service only, and where that service is missing the next choice is taken.
TEST_F(SystemProxyTest, PacScriptRunsOnlyOutOfProcess) {
  struct Case {
    const char* name;
    DWORD flags;
    std::wstring expectedScript;
  };
  const std::wstring named = L"http://127.0.0.1:9/named.pac";
  const std::wstring detected = L"http://127.0.0.1:9/wpad.dat";
  const Case kCases[] = {
      {"named script", kDirect | kNamedProxy | kPacScript, named},
      {"detected script", kDirect | kNamedProxy | kAutoDetect, detected},
  };
  SetGetProxyForUrlCall(&PacServiceMissing);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    pacCalls.clear();
    ProxyDetection::Instance().Reset([&](std::wstring& script) {
      script = detected;
      return true;
    });
    WriteSettings(ConnectionSettings(c.flags, serverHostPort_, "", WideToUtf8(named)));
    EXPECT_EQ(std::vector<std::string>{"http://" + serverHostPort_},
              SystemProxyRoutes(std::string("http://") + kProxyOnlyHost + "/x"));
    ASSERT_EQ(1u, pacCalls.size());
    EXPECT_EQ(c.expectedScript, pacCalls[0].script);
    EXPECT_EQ(
        static_cast<DWORD>(WINHTTP_AUTOPROXY_CONFIG_URL | WINHTTP_AUTOPROXY_RUN_OUTPROCESS_ONLY),
        pacCalls[0].flags);
  }
}

// A detection that outlasts its wait goes on alone: it is started once for the run, later
// servers do not wait for it again, and once it has found the script every server's transfers
// follow it, the first server's included.
TEST_F(SystemProxyTest, SlowDetectionRunsOnceAndItsLateAnswerServesLaterTransfers) {
  Serve("late.pak", "late answer");
  Serve("wpad.dat",
        "function FindProxyForURL(url, host) { return \"PROXY " + serverHostPort_ + "\"; }\n");
  base::ScopedHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(release);
  std::atomic<int> detections{0};
  const std::wstring script = Utf8ToWide(server_ + "/wpad.dat");
  ProxyDetection::Instance().Reset([&, event = release.Get()](std::wstring& found) {
    ++detections;
    ::WaitForSingleObject(event, 30000);
    found = script;
    return true;
  });
  WriteSettings(ConnectionSettings(kDirect | kAutoDetect, "", "", ""));
  const std::string address = std::string("http://") + kProxyOnlyHost + "/late.pak";

  // The first question waits for the detection (5 s), the next ones not again.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(std::vector<std::string>{std::string()}, ProxyRoutes::Instance().RoutesFor(address));
  const auto firstWait = std::chrono::steady_clock::now() - start;
  EXPECT_GE(firstWait, std::chrono::seconds(4));
  for (const char* other : {"http://a.invalid/x", "http://b.invalid:81/x", "https://c.invalid/"})
    EXPECT_EQ(std::vector<std::string>{std::string()}, ProxyRoutes::Instance().RoutesFor(other));
  ProxyRoutes::Instance().RoutesFor(address);
  EXPECT_LT(std::chrono::steady_clock::now() - start, firstWait + std::chrono::seconds(2));
  EXPECT_EQ(1, detections.load());
  EXPECT_TRUE(ProxyDetection::Instance().Running());

  ::SetEvent(release.Get());
  for (int i = 0; i < 500 && ProxyDetection::Instance().Running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_FALSE(ProxyDetection::Instance().Running());
  std::string body;
  ASSERT_EQ(0, Fetch(address, body));
  EXPECT_EQ("late answer", body);
  EXPECT_EQ(1, ProxiedRequests("/late.pak"));
  EXPECT_EQ(std::vector<std::string>{"http://" + serverHostPort_},
            ProxyRoutes::Instance().RoutesFor("http://d.invalid/x"));
  EXPECT_EQ(1, detections.load());
}

// The routes of one server are asked without holding up the other engine thread's servers.
TEST_F(SystemProxyTest, SlowQuestionDoesNotHoldUpKnownServers) {
  base::ScopedHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(release);
  ProxyDetection::Instance().Reset([event = release.Get()](std::wstring&) {
    ::WaitForSingleObject(event, 30000);
    return false;
  });
  WriteSettings(ConnectionSettings(kDirect | kAutoDetect, "", "", ""));
  const std::string known = "http://known.invalid/x";
  ProxyRoutes::Instance().SetRoutes(known, {"http://127.0.0.1:9"});
  std::thread asking([] { ProxyRoutes::Instance().RoutesFor("http://slow.invalid/x"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(std::vector<std::string>{"http://127.0.0.1:9"},
            ProxyRoutes::Instance().RoutesFor(known));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  ::SetEvent(release.Get());
  asking.join();
}

// Items for a fetcher: the first through the proxy that asks for a password, the rest direct.
std::vector<UpdateItem> ItemsBehindAPasswordProxy(const std::string& server, int direct) {
  std::vector<UpdateItem> items;
  UpdateItem item;
  item.url = L"http://updates.proxy-auth.invalid/auth.pak";
  item.length = 17;
  item.name = L"auth.pak";
  items.push_back(item);
  for (int i = 0; i < direct; ++i) {
    item.url = Utf8ToWide(server) + L"/-/delay/" + std::to_wstring(i) + L"/auth.pak";
    item.name = L"direct" + std::to_wstring(i);
    items.push_back(item);
  }
  return items;
}

const PackageFetcher::RetryRule kNoRetries = [](int, int, const TransferOutcome&) { return -1; };
const PackageFetcher::FolderCheck kAnyFolder = [](const UpdateItem&) { return true; };

// On the run's one multi handle, a proxy's password prompt holds only the transfer that needs
// it: the others finish while the user types, and the paused one resumes with the answer.
TEST_F(SystemProxyTest, PasswordPromptPausesOnlyItsTransfer) {
  Serve("auth.pak", "through the proxy");
  const std::vector<UpdateItem> items = ItemsBehindAPasswordProxy(server_, 5);
  ProxyRoutes::Instance().SetRoutes(WideToUtf8(items[0].url), {"http://" + serverHostPort_});
  base::ScopedHandle typed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(typed);
  ProxyCredentialStore::Instance().SetPrompt([event = typed.Get()](const std::string&,
                                                                   std::wstring& userName,
                                                                   base::SecretWString& password) {
    ::WaitForSingleObject(event, 30000);
    userName = L"quenby";
    password.Assign(L"proxy secret");
    return true;
  });
  PackageFetcher fetcher(items, kParallelTransfers, kAnyFolder, kNoRetries);
  for (size_t i = 1; i < items.size(); ++i) {
    ASSERT_TRUE(fetcher.WaitFor(i, 30000)) << i;
    EXPECT_EQ("through the proxy", fetcher.Take(i).package.Bytes());
  }
  EXPECT_FALSE(fetcher.WaitFor(0, 0));
  ::SetEvent(typed.Get());
  ASSERT_TRUE(fetcher.WaitFor(0, 30000));
  FetchedPackage paused = fetcher.Take(0);
  EXPECT_EQ(0, paused.result);
  EXPECT_EQ("through the proxy", paused.package.Bytes());
}

// Stop answers within a second whatever a transfer waits for: an open password prompt (a real
// dialog on the display, which Stop closes as a Cancel would) or a PAC answer still pending
// (left to end alone).
TEST_F(SystemProxyTest, StopAnswersAtOnceDuringAPromptOrAPacWait) {
  Serve("auth.pak", "through the proxy");
  base::ScopedHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(release);
  std::atomic<bool> promptEnded{false};
  ProxyCredentialStore::Instance().SetPrompt(
      [&](const std::string&, std::wstring&, base::SecretWString&) {
        const int answer = ::MessageBoxW(nullptr, L"proxy password", L"prompt", MB_OKCANCEL);
        promptEnded = true;
        return answer == IDOK;
      });
  ProxyDetection::Instance().Reset([event = release.Get()](std::wstring&) {
    ::WaitForSingleObject(event, 30000);
    return false;
  });
  const std::vector<UpdateItem> items = ItemsBehindAPasswordProxy(server_, 0);
  for (const char* waitingFor : {"prompt", "PAC answer"}) {
    SCOPED_TRACE(waitingFor);
    ProxyCredentialStore::Instance().Clear();
    if (std::string(waitingFor) == "prompt") {
      ProxyRoutes::Instance().SetRoutes(WideToUtf8(items[0].url), {"http://" + serverHostPort_});
    } else {
      WriteSettings(ConnectionSettings(kDirect | kAutoDetect, "", "", ""));
    }
    PackageFetcher fetcher(items, kParallelTransfers, kAnyFolder, kNoRetries);
    EXPECT_FALSE(fetcher.WaitFor(0, 1500));
    const auto start = std::chrono::steady_clock::now();
    fetcher.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  for (int i = 0; i < 500 && !promptEnded; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(promptEnded) << "the prompt stayed open after its run stopped";
  ::SetEvent(release.Get());
  for (int i = 0; i < 500 && ProxyDetection::Instance().Running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace
