#pragma once

#include <curl/curl.h>

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

 private:
  // Waits at most maxMs for activity on the transfer's sockets.
  void Wait(long maxMs);

  CURL* easy_;
  CURLM* multi_;
};
