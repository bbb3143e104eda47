#include "engine/transfer/proxy_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "engine/common/text_convert.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Splits at any of separators, dropping empty pieces.
std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find_first_of(separators, start);
    const size_t stop = end == std::string::npos ? text.size() : end;
    if (stop > start)
      pieces.push_back(text.substr(start, stop - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return pieces;
}

// Whether text matches pattern, where '*' stands for any run of characters (both lower case).
bool WildcardMatch(const char* pattern, const char* text) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == *text) {
      ++pattern;
      ++text;
    } else if (star != nullptr) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*')
    ++pattern;
  return *pattern == '\0';
}

// "host", "host:port" or "scheme://host:port" as a libcurl proxy with an explicit port, so that
// libcurl does not fall back to its own default of 1080. defaultScheme is used without one.
std::string ProxyAddress(const std::string& entry, const std::string& defaultScheme) {
  std::string scheme = defaultScheme;
  std::string authority = entry;
  const size_t schemeEnd = entry.find("://");
  if (schemeEnd != std::string::npos) {
    scheme = Lower(entry.substr(0, schemeEnd));
    authority = entry.substr(schemeEnd + 3);
  }
  authority = authority.substr(0, authority.find('/'));
  if (authority.empty())
    return std::string();
  const size_t bracket = authority.rfind(']');
  const size_t colon = authority.rfind(':');
  const bool hasPort =
      colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
  if (!hasPort)
    authority += ":80";
  return scheme + "://" + authority;
}

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace

bool SplitAddress(const std::string& address, AddressParts& parts) {
  const size_t schemeEnd = address.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0)
    return false;
  parts.scheme = Lower(address.substr(0, schemeEnd));
  std::string authority = address.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  const size_t at = authority.rfind('@');
  if (at != std::string::npos)
    authority = authority.substr(at + 1);
  std::string portText;
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string::npos)
      return false;
    parts.host = authority.substr(1, close - 1);
    if (close + 1 < authority.size() && authority[close + 1] == ':')
      portText = authority.substr(close + 2);
  } else {
    const size_t colon = authority.find(':');
    parts.host = authority.substr(0, colon);
    if (colon != std::string::npos)
      portText = authority.substr(colon + 1);
  }
  parts.host = Lower(parts.host);
  if (parts.host.empty())
    return false;
  parts.port = parts.scheme == "https" ? 443 : 80;
  if (!portText.empty()) {
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535)
      return false;
    parts.port = static_cast<int>(port);
  }
  return true;
}

std::string NamedProxyFor(const std::wstring& proxySetting, const std::string& scheme) {
  std::string everyScheme, socks;
  for (const std::string& entry : Split(WideToUtf8(proxySetting), "; \t")) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (everyScheme.empty())
        everyScheme = entry;
      continue;
    }
    const std::string entryScheme = Lower(entry.substr(0, equals));
    const std::string value = entry.substr(equals + 1);
    if (value.empty())
      continue;
    if (entryScheme == scheme)
      return ProxyAddress(value, "http");
    if (entryScheme == "socks" && socks.empty())
      socks = value;
  }
  if (!everyScheme.empty())
    return ProxyAddress(everyScheme, "http");
  if (!socks.empty())
    return ProxyAddress(socks, "socks4");
  return std::string();
}

bool IsBypassed(const AddressParts& address, const std::wstring& bypassList) {
  bool loopbackThroughProxy = false;
  const std::string hostAndPort = address.host + ":" + std::to_string(address.port);
  for (std::string entry : Split(Lower(WideToUtf8(bypassList)), ";, \t\r\n")) {
    if (entry == "<-loopback>") {
      loopbackThroughProxy = true;
      continue;
    }
    if (entry == "<local>") {
      if (address.host.find('.') == std::string::npos &&
          address.host.find(':') == std::string::npos)
        return true;
      continue;
    }
    const size_t schemeEnd = entry.find("://");
    if (schemeEnd != std::string::npos) {
      if (entry.compare(0, schemeEnd, address.scheme) != 0)
        continue;
      entry = entry.substr(schemeEnd + 3);
    }
    if (WildcardMatch(entry.c_str(), address.host.c_str()) ||
        WildcardMatch(entry.c_str(), hostAndPort.c_str()))
      return true;
  }
  return !loopbackThroughProxy && IsLoopback(address.host);
}

std::vector<std::string> ParsePacAnswer(const std::wstring& answer) {
  std::vector<std::string> routes;
  const auto add = [&routes](const std::string& route) {
    if (std::find(routes.begin(), routes.end(), route) == routes.end())
      routes.push_back(route);
  };
  for (const std::string& entry : Split(WideToUtf8(answer), ";")) {
    const std::vector<std::string> words = Split(entry, " \t\r\n");
    if (words.empty())
      continue;
    const std::string kind = Lower(words[0]);
    if (words.size() == 1 && kind == "direct") {
      add(std::string());
      continue;
    }
    // WinHTTP's form: bare "host:port" entries, separated by ';' or spaces.
    if (kind.find(':') != std::string::npos || kind.find('.') != std::string::npos) {
      for (const std::string& word : words)
        add(ProxyAddress(word, "http"));
      continue;
    }
    if (words.size() != 2)
      continue;
    if (kind == "proxy" || kind == "http")
      add(ProxyAddress(words[1], "http"));
    else if (kind == "https")
      add(ProxyAddress(words[1], "https"));
    else if (kind == "socks" || kind == "socks4")
      add(ProxyAddress(words[1], "socks4"));
    else if (kind == "socks5")
      add(ProxyAddress(words[1], "socks5"));
  }
  if (routes.empty())
    routes.push_back(std::string());
  return routes;
}
