#include "engine/transfer/route_walk.h"

#include <algorithm>

#include "engine/transfer/proxy_routes.h"

RouteWalk::RouteWalk(std::string address, std::vector<std::string> routes)
    : address_(std::move(address)), routes_(std::move(routes)) {
  // When every proxy fails, direct is tried once before the caller's retry rules apply.
  if (std::find(routes_.begin(), routes_.end(), std::string()) == routes_.end())
    routes_.push_back(std::string());
}

RouteWalk::Next RouteWalk::Attempted(const RouteResult& attempt) {
  result_ = attempt;
  if (!withCredentials_ && !Route().empty() && attempt.proxyStatus == kProxyAuthenticationRequired)
    return Next::kAskCredentials;
  return Settle();
}

RouteWalk::Next RouteWalk::Answered(const ProxyCredentials* credentials) {
  if (credentials == nullptr)
    return Settle();
  credentials_ = *credentials;
  withCredentials_ = true;
  return Next::kAttempt;
}

RouteWalk::Next RouteWalk::Settle() {
  // A 407 that stays ends the transfer as an HTTP error, which is not tried again.
  if (result_.proxyStatus == kProxyAuthenticationRequired && result_.code != CURLE_OK) {
    result_.outcome.httpStatus = kProxyAuthenticationRequired;
    result_.code = CURLE_HTTP_RETURNED_ERROR;
  }
  // A proxy that asks for credentials is reached; going past it would only hide the question.
  const bool askedForCredentials = result_.outcome.httpStatus == kProxyAuthenticationRequired;
  if (askedForCredentials || !ProxyFailed(result_.code, result_.outcome.httpStatus)) {
    ProxyRoutes::Instance().RememberWorking(address_, Route());
    return Next::kDone;
  }
  if (current_ + 1 >= routes_.size())
    return Next::kDone;
  ++current_;
  withCredentials_ = false;
  credentials_ = ProxyCredentials();
  return Next::kAttempt;
}
