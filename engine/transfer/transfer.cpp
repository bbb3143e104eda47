#include "engine/transfer/transfer.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/proxy_routes.h"
#include "engine/transfer/route_walk.h"
#include "engine/transfer/stall_watch.h"
#include "engine/transfer/transfer_attempt.h"
#include "engine/transfer/transfer_loop.h"

namespace {

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

void CountChunk(void* context, size_t bytes) {
  static_cast<StallWatch*>(context)->Received(0, static_cast<long long>(bytes),
                                              static_cast<long long>(::GetTickCount64()));
}

// One attempt by one route, run to its end on loop.
RouteResult RunAttempt(TransferLoop& loop,
                       CURL* easy,
                       const TransferRequest& request,
                       const RouteWalk& walk) {
  curl_easy_reset(easy);
  BoundedSink bounded;
  ConfigureAttempt(easy, request, walk.Route(), walk.Credentials(), bounded);
  StallWatch stalls(TransferStallLimit() * 1000LL, kStallBytesPerSecond);
  bounded.onChunk = &CountChunk;
  bounded.context = &stalls;
  if (!loop.Add(easy))
    return RouteResult();
  stalls.Started(0, static_cast<long long>(::GetTickCount64()));
  for (;;) {
    for (const TransferLoop::Finished& done : loop.Perform())
      return ReadAttempt(easy, done.result, walk.Route(), bounded);
    const long long now = static_cast<long long>(::GetTickCount64());
    if (!stalls.Stalled(now).empty()) {
      loop.Remove(easy);
      return ReadAttempt(easy, CURLE_OPERATION_TIMEDOUT, walk.Route(), bounded);
    }
    loop.Wait(static_cast<long>(stalls.NextCheckIn(now)) + 1);
  }
}

}  // namespace

int PerformTransfer(const std::string& address,
                    TransferWriter writer,
                    void* sink,
                    long long resumeFrom,
                    TransferOutcome* outcome,
                    long long expectedBytes,
                    long long maxBytes) {
  const TransferRequest request{address, writer, sink, resumeFrom, expectedBytes, maxBytes};
  RouteWalk walk(address, ProxyRoutes::Instance().RoutesFor(address));
  // The loop goes first, taking the handle off before it is cleaned up.
  std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
  TransferLoop loop;
  if (!loop.Valid() || easy == nullptr)
    return CURLE_FAILED_INIT;
  RouteWalk::Next next = RouteWalk::Next::kAttempt;
  while (next != RouteWalk::Next::kDone) {
    if (next == RouteWalk::Next::kAttempt) {
      next = walk.Attempted(RunAttempt(loop, easy.get(), request, walk));
    } else {
      ProxyCredentials credentials;
      const bool given = ProxyCredentialStore::Instance().CredentialsFor(walk.Route(), credentials);
      next = walk.Answered(given ? &credentials : nullptr);
    }
  }
  if (outcome != nullptr)
    *outcome = walk.Result().outcome;
  return walk.Result().code;
}
