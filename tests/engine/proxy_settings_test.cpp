#include "engine/transfer/proxy_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProxySettingsTest, SplitsAddresses) {
  struct Case {
    const char* address;
    bool valid;
    const char* scheme;
    const char* host;
    int port;
  };
  const Case kCases[] = {
      {"http://Example.COM/a/b?c", true, "http", "example.com", 80},
      {"https://example.com", true, "https", "example.com", 443},
      {"HTTP://user:pw@host:8080/x", true, "http", "host", 8080},
      {"http://[::1]:81/", true, "http", "::1", 81},
      {"http://[::1]/", true, "http", "::1", 80},
      {"http://host:0/", false, "", "", 0},
      {"http://host:99999/", false, "", "", 0},
      {"http://host:8x/", false, "", "", 0},
      {"http:///path", false, "", "", 0},
      {"no scheme", false, "", "", 0},
      {"http://[::1/", false, "", "", 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.address);
    AddressParts parts;
    ASSERT_EQ(c.valid, SplitAddress(c.address, parts));
    if (!c.valid)
      continue;
    EXPECT_EQ(c.scheme, parts.scheme);
    EXPECT_EQ(c.host, parts.host);
    EXPECT_EQ(c.port, parts.port);
  }
}

TEST(ProxySettingsTest, ReadsNamedProxy) {
  struct Case {
    const wchar_t* setting;
    const char* scheme;
    const char* proxy;
  };
  const Case kCases[] = {
      {L"proxy.corp:3128", "http", "http://proxy.corp:3128"},
      {L"proxy.corp:3128", "https", "http://proxy.corp:3128"},
      // Windows gives port 80 to a proxy without one; libcurl's own default would be 1080.
      {L"proxy.corp", "http", "http://proxy.corp:80"},
      {L"http://proxy.corp:8080", "https", "http://proxy.corp:8080"},
      {L"[fd00::1]:8080", "http", "http://[fd00::1]:8080"},
      {L"[fd00::1]", "http", "http://[fd00::1]:80"},
      {L"http=a:1;https=b:2", "http", "http://a:1"},
      {L"http=a:1;https=b:2", "https", "http://b:2"},
      {L"HTTPS=b:2 http=a:1", "https", "http://b:2"},
      {L"http=http://a:1;https=https://b:2", "https", "https://b:2"},
      // A scheme without an entry of its own goes direct, unless a SOCKS entry serves it.
      {L"http=a:1", "https", ""},
      {L"http=a:1;socks=s:1080", "https", "socks4://s:1080"},
      {L"ftp=f:21", "http", ""},
      {L"http=;https=b:2", "http", ""},
      {L"", "http", ""},
      {L" ; ", "http", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.setting << L" for " << c.scheme);
    EXPECT_EQ(c.proxy, NamedProxyFor(c.setting, c.scheme));
  }
}

TEST(ProxySettingsTest, AppliesBypassList) {
  struct Case {
    const char* address;
    const wchar_t* bypass;
    bool bypassed;
  };
  const Case kCases[] = {
      {"http://intranet/", L"<local>", true},
      {"http://intranet.corp/", L"<local>", false},
      {"http://[fd00::1]/", L"<local>", false},
      {"http://www.corp.example/", L"*.corp.example", true},
      {"http://corp.example/", L"*.corp.example", false},
      {"http://WWW.Corp.Example/", L"*.CORP.example", true},
      {"http://10.1.2.3/", L"10.*", true},
      {"http://110.1.2.3/", L"10.*", false},
      {"http://updates.example/", L"a.example; updates.example ;b.example", true},
      {"http://updates.example/", L"a.example,updates.example", true},
      {"http://updates.example:8080/", L"updates.example:8080", true},
      {"http://updates.example:8081/", L"updates.example:8080", false},
      {"http://updates.example/", L"http://updates.example", true},
      {"https://updates.example/", L"http://updates.example", false},
      {"http://updates.example/", L"*update*", true},
      {"http://updates.example/", L"", false},
      // Loopback never goes to a proxy unless the list asks for it.
      {"http://127.0.0.1:8000/", L"", true},
      {"http://localhost/", L"", true},
      {"http://[::1]/", L"", true},
      {"http://127.0.0.1:8000/", L"<-loopback>", false},
      {"http://127.0.0.1:8000/", L"<-loopback>;127.0.0.*", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.address << " past " << c.bypass);
    AddressParts parts;
    ASSERT_TRUE(SplitAddress(c.address, parts));
    EXPECT_EQ(c.bypassed, IsBypassed(parts, c.bypass));
  }
}

TEST(ProxySettingsTest, ReadsPacAnswers) {
  struct Case {
    const wchar_t* answer;
    std::vector<std::string> routes;
  };
  const Case kCases[] = {
      {L"DIRECT", {""}},
      {L"PROXY a:8080", {"http://a:8080"}},
      {L"PROXY a:8080; PROXY b:3128; DIRECT", {"http://a:8080", "http://b:3128", ""}},
      {L"proxy a:8080;direct", {"http://a:8080", ""}},
      {L"  PROXY   a  ;  ", {"http://a:80"}},
      {L"HTTPS a:443; HTTP b:80", {"https://a:443", "http://b:80"}},
      {L"SOCKS s:1080; SOCKS5 t:1080", {"socks4://s:1080", "socks5://t:1080"}},
      // WinHTTP hands a script's proxies over as a list of bare host:port entries.
      {L"a:8080;b:3128", {"http://a:8080", "http://b:3128"}},
      {L"a:8080 b:3128", {"http://a:8080", "http://b:3128"}},
      {L"proxy.corp", {"http://proxy.corp:80"}},
      {L"PROXY a:1; PROXY a:1; DIRECT; DIRECT", {"http://a:1", ""}},
      {L"QUIC q:443; PROXY a:1", {"http://a:1"}},
      {L"PROXY", {""}},
      {L"PROXY a b", {""}},
      {L"", {""}},
      {L"bogus", {""}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.answer);
    EXPECT_EQ(c.routes, ParsePacAnswer(c.answer));
  }
}

}  // namespace
