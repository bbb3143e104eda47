#include "engine/common/run_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

class DroppingRunLog : public RunLog {
 public:
  void Write(std::string_view) override {}
};

DroppingRunLog droppingLog;
std::atomic<RunLog*> activeLog{&droppingLog};

// The proxy libcurl takes from the environment for a direct transfer of scheme, in libcurl's
// order: "<scheme>_proxy", then "all_proxy" (Windows reads the names in any case). Empty when
// none.
std::string EnvironmentProxy(const std::string& scheme) {
  for (const char* name : {scheme == "https" ? "https_proxy" : "http_proxy", "all_proxy"}) {
    const char* value = std::getenv(name);
    if (value && *value)
      return value;
  }
  return std::string();
}

}  // namespace

void RunLog::Printf(const char* format, ...) {
  char buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0)
    return;
  if (static_cast<size_t>(length) < sizeof buffer) {
    Write(std::string_view(buffer, static_cast<size_t>(length)));
    return;
  }
  // Long lines (a long path, a long command line) are written whole.
  std::string line(static_cast<size_t>(length) + 1, '\0');
  va_start(arguments, format);
  std::vsnprintf(line.data(), line.size(), format, arguments);
  va_end(arguments);
  line.pop_back();
  Write(line);
}

RunLog& ActiveRunLog() {
  return *activeLog.load();
}

void SetActiveRunLog(RunLog* log) {
  activeLog = log ? log : &droppingLog;
}

std::string AddressForLog(std::string_view address) {
  const size_t schemeEnd = address.find("://");
  const size_t userStart = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
  // The user part ends at the last '@' before the path: a password may hold '@' and ':' itself.
  const size_t pathStart = address.find_first_of("/?#", userStart);
  const std::string_view authority = address.substr(userStart, pathStart - userStart);
  const size_t at = authority.rfind('@');
  if (at == std::string_view::npos)
    return std::string(address);
  const size_t colon = authority.substr(0, at).find(':');
  if (colon == std::string_view::npos)
    return std::string(address);
  std::string redacted(address.substr(0, userStart + colon));
  redacted += address.substr(userStart + at);
  return redacted;
}

std::string RouteForLog(const std::string& server, const std::string& route) {
  if (!route.empty())
    return "proxy " + AddressForLog(route);
  const size_t schemeEnd = server.find("://");
  const std::string proxy = schemeEnd == std::string::npos
                                ? std::string()
                                : EnvironmentProxy(server.substr(0, schemeEnd));
  if (proxy.empty())
    return "direct";
  return "direct (through the environment's proxy " + AddressForLog(proxy) + ")";
}
