#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

// The routes by which each server of the run is reached (see engine/proxy_settings.h: a proxy
// for libcurl, or empty for direct). The user's settings are asked once per server; once a route
// has reached the server, that route alone is used for it for the rest of the run. Shared by the
// engine's threads.
class ProxyRoutes {
 public:
  static ProxyRoutes& Instance();

  // The routes to try for address, in order: the remembered one, else the system's answer for
  // the address's server (asked now, the first time).
  std::vector<std::string> RoutesFor(const std::string& address);
  // Keeps route as the one that reaches address's server.
  void RememberWorking(const std::string& address, const std::string& route);
  // Puts routes in place of the system's answer for address's server (tools and tests).
  void SetRoutes(const std::string& address, std::vector<std::string> routes);
  // Forgets every answer and every remembered route.
  void Clear();
  // The route that reached each server so far ("http://host:port" -> route).
  std::map<std::string, std::string> WorkingRoutes() const;

 private:
  ProxyRoutes() = default;

  mutable std::mutex mutex_;
  std::map<std::string, std::vector<std::string>> routes_;
  std::map<std::string, std::string> working_;
};
