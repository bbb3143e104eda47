#pragma once

#include <curl/curl.h>

#include <atomic>

// One thread's libcurl handles, kept from one transfer to the next: an easy handle, reset and
// configured anew for every transfer, and the multi handle that drives it. A fresh easy handle
// per transfer would make libcurl build a multi handle, with its wake-up socket pair and event,
// for every file; and libcurl's own wait sets up and tears down event selection on every socket
// each time it waits. Here a transfer waits with one select() over libcurl's sockets.
// The session belongs to the thread that made it and lives as long as the process.
class TransferSession {
 public:
  // The calling thread's session, made on first use.
  static TransferSession& ForThisThread();

  TransferSession();
  ~TransferSession();
  TransferSession(const TransferSession&) = delete;
  TransferSession& operator=(const TransferSession&) = delete;

  // The easy handle with every option at libcurl's default, ready to be configured for one
  // transfer; null when libcurl could not make its handles.
  CURL* Prepare();
  // Runs the transfer configured on Prepare's handle to its end, calling its callbacks on this
  // thread. Returns libcurl's result for the transfer.
  CURLcode Run();
  // While stop is set (not null), Run looks at it between waits, which then last at most
  // kStopPollMs, and ends the transfer with CURLE_ABORTED_BY_CALLBACK once it turns true: a run
  // that stops does not wait out a slow server. The flag must outlive the transfers.
  void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

  static constexpr long kStopPollMs = 50;

 private:
  // Waits at most maxMs for activity on the transfer's sockets.
  void Wait(long maxMs);

  CURL* easy_;
  CURLM* multi_;
  const std::atomic<bool>* stop_ = nullptr;
};
