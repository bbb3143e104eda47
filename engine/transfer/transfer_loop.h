#pragma once

// winsock2.h goes first: windows.h would otherwise bring in the older winsock.h.
#include <winsock2.h>

#include <curl/curl.h>

#include <vector>

// One libcurl multi handle and the easy handles on it, driven by the one thread that owns the
// loop: libcurl runs many transfers at once this way, sharing connections and name lookups
// within the handle. Only Wake may be called from another thread.
// The loop waits with one select() over libcurl's sockets and a wake-up socket of its own:
// libcurl's own wake-up is not built into our libcurl (it needs its socket pair), and under Wine
// its poll sets up and tears down event selection on every socket at every wait.
class TransferLoop {
 public:
  TransferLoop();
  // Takes every easy handle off the multi handle and cleans both up.
  ~TransferLoop();
  TransferLoop(const TransferLoop&) = delete;
  TransferLoop& operator=(const TransferLoop&) = delete;

  bool Valid() const { return multi_ != nullptr; }

  // A configured easy handle starts (the loop does not own it); false when libcurl refused it.
  bool Add(CURL* easy);
  // Ends easy's transfer, finished or not.
  void Remove(CURL* easy);

  struct Finished {
    CURL* easy;
    CURLcode result;
  };
  // Does the work libcurl has (calling the transfers' callbacks on this thread) and returns the
  // transfers that ended, which are already off the multi handle.
  std::vector<Finished> Perform();
  // Waits at most maxMs for activity on the transfers' sockets, libcurl's own timers, or Wake.
  void Wait(long maxMs);
  // Ends a Wait at once (from any thread).
  void Wake();

 private:
  CURLM* multi_;
  std::vector<CURL*> added_;
  bool winsockStarted_ = false;
  // A UDP socket bound on loopback that sends to itself: Wake's byte ends a select. Without one
  // (loopback refused), waits are cut short to notice a wake-up soon enough.
  SOCKET wake_ = INVALID_SOCKET;
};
