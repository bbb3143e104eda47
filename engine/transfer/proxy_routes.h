#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The routes by which each server of the run is reached (see engine/transfer/proxy_settings.h: a
// proxy for libcurl, or empty for direct). The user's settings are asked once per server, and once
// more when that answer came while auto-detection was still running and it has ended since; once a
// route has reached the server, that route alone is used for it until then. Shared by the
// engine's threads: one asks for a server while the others wait for its answer, and no lock is
// held while the system is asked.
class ProxyRoutes {
 public:
  static ProxyRoutes& Instance();

  // The routes to try for address, in order: the remembered one, else the system's answer for
  // the address's server (asked now, the first time).
  std::vector<std::string> RoutesFor(const std::string& address);
  // RoutesFor's answer when it is known without asking the system (which may take seconds):
  // false, and routes untouched, when RoutesFor would ask or wait for another thread's question.
  bool KnownRoutesFor(const std::string& address, std::vector<std::string>& routes);
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

  // The routes known for server (under mutex_); false when the system must be asked, with
  // replacesEarlier set when that question replaces an answer found without auto-detection.
  bool Lookup(const std::string& server, std::vector<std::string>& routes, bool& replacesEarlier);

  struct Known {
    std::vector<std::string> routes;
    bool awaitsDetection = false;
  };

  mutable std::mutex mutex_;
  std::condition_variable answered_;  // a server's question ended
  std::map<std::string, Known> routes_;
  std::map<std::string, std::string> working_;
  std::set<std::string> asking_;  // servers whose question is open
};
