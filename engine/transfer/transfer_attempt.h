#pragma once

#include <curl/curl.h>

#include <string>

#include "engine/transfer/transfer_settings.h"

struct ProxyCredentials;

// What one transfer asks for, whichever route takes it (see PerformTransfer).
struct TransferRequest {
  std::string address;
  TransferWriter writer = nullptr;
  void* sink = nullptr;
  long long resumeFrom = 0;
  long long expectedBytes = 0;
  long long maxBytes = -1;
};

// The body's bound, between libcurl and the caller's writer: a chunk that would pass it ends the
// transfer (libcurl then reports a write error, which ReadAttempt turns into the bound's code).
// onChunk, when set, hears of every chunk that was passed on (the stall watch's clock).
struct BoundedSink {
  TransferWriter writer = nullptr;
  void* sink = nullptr;
  long long remaining = -1;  // negative: no bound
  bool tooLong = false;
  void (*onChunk)(void* context, size_t bytes) = nullptr;
  void* context = nullptr;
};

// What one attempt by one route came to: libcurl's result, the outcome, and the proxy's own
// answer when it refused the request or the tunnel (else 0).
struct RouteResult {
  int code = CURLE_FAILED_INIT;
  TransferOutcome outcome;
  long proxyStatus = 0;
};

constexpr long kProxyAuthenticationRequired = 407;

// Sets easy (fresh or reset) up for one attempt of request by route: a proxy, or empty for
// libcurl's own choice (direct, or the environment's proxy variables where a developer has set
// them). With credentials, the proxy gets them by whatever method it asks for. bounded is filled
// and must outlive the attempt.
void ConfigureAttempt(CURL* easy,
                      const TransferRequest& request,
                      const std::string& route,
                      const ProxyCredentials* credentials,
                      BoundedSink& bounded);

// The result of an attempt that libcurl ended with code.
RouteResult ReadAttempt(CURL* easy, int code, const std::string& route, const BoundedSink& bounded);

// Whether a transfer through a proxy failed at the proxy itself, before anything of the body
// arrived: the proxy's name or connection, its handshake, or its 502 for a server it could not
// reach. Such a transfer is tried by the next route at once.
bool ProxyFailed(int result, long httpStatus);
