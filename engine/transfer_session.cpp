// winsock2.h goes first: windows.h would otherwise bring in the older winsock.h.
#include <winsock2.h>

#include "engine/transfer_session.h"

#include <windows.h>

#include <algorithm>

namespace {

// The longest single wait. libcurl's timers (the stall bound's once-a-second speed check among
// them) usually ask for less; this bounds a wait when they ask for nothing.
constexpr long kLongestWaitMs = 1000;
// Connections the shared cache keeps, more than a run's transfers at once.
constexpr long kKeptConnections = 32;

}  // namespace

TransferSession& TransferSession::ForThisThread() {
  // Never destroyed, like the shared connections: the install worker is detached, and tearing
  // its handles down as it ends would race the process's own exit, which may free what libcurl
  // still needs (a crash seen at the end of engine-run). Each thread that transfers keeps one
  // session for the life of the process.
  thread_local TransferSession* const session = new TransferSession;
  return *session;
}

TransferSession::TransferSession() : easy_(curl_easy_init()), multi_(curl_multi_init()) {
  // The connections kept in the shared cache are bounded by the multi handle of the transfer
  // that returns one, by default four times its transfers: with one transfer a thread, a run's
  // parallel transfers would close a kept connection each time one of them ended.
  if (multi_ != nullptr)
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kKeptConnections);
}

TransferSession::~TransferSession() {
  // The easy handle is never left attached: Run removes it before it returns.
  if (multi_ != nullptr)
    curl_multi_cleanup(multi_);
  if (easy_ != nullptr)
    curl_easy_cleanup(easy_);
}

CURL* TransferSession::Prepare() {
  if (easy_ == nullptr || multi_ == nullptr)
    return nullptr;
  curl_easy_reset(easy_);
  return easy_;
}

CURLcode TransferSession::Run() {
  if (easy_ == nullptr || multi_ == nullptr)
    return CURLE_FAILED_INIT;
  if (curl_multi_add_handle(multi_, easy_) != CURLM_OK)
    return CURLE_FAILED_INIT;
  CURLcode result = CURLE_FAILED_INIT;
  bool done = false;
  while (!done) {
    if (stop_ != nullptr && stop_->load()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    int running = 0;
    if (curl_multi_perform(multi_, &running) != CURLM_OK)
      break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
        result = message->data.result;
        done = true;
      }
    }
    if (done || running == 0)
      break;
    long timeoutMs = -1;
    curl_multi_timeout(multi_, &timeoutMs);
    const long longest = stop_ != nullptr ? kStopPollMs : kLongestWaitMs;
    if (timeoutMs != 0)
      Wait(timeoutMs < 0 ? longest : std::min(timeoutMs, longest));
  }
  curl_multi_remove_handle(multi_, easy_);
  return result;
}

void TransferSession::Wait(long maxMs) {
  fd_set readable, writable, failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  int highest = -1;
  if (curl_multi_fdset(multi_, &readable, &writable, &failed, &highest) != CURLM_OK)
    return;
  if (highest < 0) {
    // Nothing to watch (a name lookup running on libcurl's resolver thread): wait out the time
    // libcurl asked for. Windows' select() refuses empty sets.
    ::Sleep(static_cast<DWORD>(maxMs));
    return;
  }
  timeval timeout{maxMs / 1000, (maxMs % 1000) * 1000};
  // Readiness, a timeout and a failure all lead to the next curl_multi_perform, which finds out.
  ::select(highest + 1, &readable, &writable, &failed, &timeout);
}
