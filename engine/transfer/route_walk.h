#pragma once

#include <string>
#include <vector>

#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/transfer_attempt.h"

// The routes one try of a transfer takes in turn: each proxy the user's settings give, then
// direct once after the last. It moves on from a proxy that fails; a proxy that still answers
// 407 after the logged-on user's credentials wants the user's name and password, and the route
// is tried once more with them. The route that reached the server is remembered for it
// (ProxyRoutes). The walk decides; its owner makes the attempts and asks for credentials, so the
// same walk serves a blocking transfer and one of many on a multi handle.
class RouteWalk {
 public:
  enum class Next {
    kAttempt,         // attempt Route() (with Credentials(), when not null)
    kAskCredentials,  // ask for Route()'s credentials, then call Answered
    kDone,            // the try is over: Result() is what it came to
  };

  RouteWalk(std::string address, std::vector<std::string> routes);

  const std::string& Route() const { return routes_[current_]; }
  const ProxyCredentials* Credentials() const { return withCredentials_ ? &credentials_ : nullptr; }
  // After the attempt by Route() ended as attempt.
  Next Attempted(const RouteResult& attempt);
  // The user's answer for Route()'s proxy: credentials, or none.
  Next Answered(const ProxyCredentials* credentials);
  const RouteResult& Result() const { return result_; }

 private:
  // The attempt is the route's last: it ends the try or moves to the next route.
  Next Settle();

  std::string address_;
  std::vector<std::string> routes_;
  size_t current_ = 0;
  bool withCredentials_ = false;
  ProxyCredentials credentials_;
  RouteResult result_;
};
