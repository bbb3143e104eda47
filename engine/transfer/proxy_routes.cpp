#include "engine/transfer/proxy_routes.h"

#include "engine/transfer/proxy_detection.h"
#include "engine/transfer/proxy_settings.h"
#include "engine/transfer/system_proxy.h"

namespace {

// Proxy settings may differ per scheme and port, so a server is all three.
std::string ServerOf(const std::string& address) {
  AddressParts parts;
  if (!SplitAddress(address, parts))
    return std::string();
  return parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port);
}

}  // namespace

ProxyRoutes& ProxyRoutes::Instance() {
  // Never destroyed: a detached worker may still be transferring when the process exits.
  static ProxyRoutes* const routes = new ProxyRoutes;
  return *routes;
}

bool ProxyRoutes::Lookup(const std::string& server,
                         std::vector<std::string>& routes,
                         bool& replacesEarlier) {
  const auto known = routes_.find(server);
  replacesEarlier = known != routes_.end() && known->second.awaitsDetection &&
                    !ProxyDetection::Instance().Running();
  if (replacesEarlier)
    return false;
  const auto working = working_.find(server);
  if (working != working_.end()) {
    routes = {working->second};
    return true;
  }
  if (known == routes_.end())
    return false;
  routes = known->second.routes;
  return true;
}

bool ProxyRoutes::KnownRoutesFor(const std::string& address, std::vector<std::string>& routes) {
  const std::string server = ServerOf(address);
  if (server.empty()) {
    routes = {std::string()};
    return true;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  bool replacesEarlier = false;
  return Lookup(server, routes, replacesEarlier);
}

std::vector<std::string> ProxyRoutes::RoutesFor(const std::string& address) {
  const std::string server = ServerOf(address);
  if (server.empty())
    return {std::string()};
  std::unique_lock<std::mutex> lock(mutex_);
  bool replacesEarlier = false;
  for (;;) {
    std::vector<std::string> routes;
    if (Lookup(server, routes, replacesEarlier))
      return routes;
    if (asking_.count(server) == 0)
      break;
    // The other engine thread is asking for this server: its answer serves both.
    answered_.wait(lock);
  }
  asking_.insert(server);
  lock.unlock();
  SystemProxyAnswer answer;
  try {
    answer = AskSystemProxy(address);
  } catch (const std::exception&) {
    answer = SystemProxyAnswer{{std::string()}, false};
  }
  lock.lock();
  asking_.erase(server);
  // Detection's late answer takes over from the route found without it.
  if (replacesEarlier)
    working_.erase(server);
  routes_[server] = Known{answer.routes, answer.awaitsDetection};
  answered_.notify_all();
  return answer.routes;
}

void ProxyRoutes::RememberWorking(const std::string& address, const std::string& route) {
  const std::string server = ServerOf(address);
  if (server.empty())
    return;
  std::lock_guard<std::mutex> lock(mutex_);
  working_[server] = route;
}

void ProxyRoutes::SetRoutes(const std::string& address, std::vector<std::string> routes) {
  const std::string server = ServerOf(address);
  if (server.empty())
    return;
  if (routes.empty())
    routes.push_back(std::string());
  std::lock_guard<std::mutex> lock(mutex_);
  working_.erase(server);
  routes_[server] = Known{std::move(routes), false};
}

void ProxyRoutes::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_.clear();
  working_.clear();
}

std::map<std::string, std::string> ProxyRoutes::WorkingRoutes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return working_;
}
