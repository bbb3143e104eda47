#include "engine/transfer/transfer_loop.h"

#include <algorithm>

namespace {

// Connections kept alive for the next transfers, more than a run's transfers at once.
constexpr long kKeptConnections = 32;
// The longest wait without a wake-up socket: how late a Wake may then be noticed.
constexpr long kWaitWithoutWakeMs = 50;

// A non-blocking UDP socket on loopback connected to itself, or INVALID_SOCKET.
SOCKET MakeWakeSocket() {
  SOCKET wake = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (wake == INVALID_SOCKET)
    return wake;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  u_long nonBlocking = 1;
  if (::bind(wake, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(wake, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::connect(wake, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::ioctlsocket(wake, FIONBIO, &nonBlocking) != 0) {
    ::closesocket(wake);
    return INVALID_SOCKET;
  }
  return wake;
}

}  // namespace

TransferLoop::TransferLoop() : multi_(curl_multi_init()) {
  if (multi_ != nullptr)
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kKeptConnections);
  WSADATA data;
  winsockStarted_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (winsockStarted_)
    wake_ = MakeWakeSocket();
}

TransferLoop::~TransferLoop() {
  if (multi_ != nullptr) {
    for (CURL* easy : added_)
      curl_multi_remove_handle(multi_, easy);
    curl_multi_cleanup(multi_);
  }
  if (wake_ != INVALID_SOCKET)
    ::closesocket(wake_);
  if (winsockStarted_)
    ::WSACleanup();
}

bool TransferLoop::Add(CURL* easy) {
  if (multi_ == nullptr || curl_multi_add_handle(multi_, easy) != CURLM_OK)
    return false;
  added_.push_back(easy);
  return true;
}

void TransferLoop::Remove(CURL* easy) {
  const auto found = std::find(added_.begin(), added_.end(), easy);
  if (found == added_.end())
    return;
  added_.erase(found);
  curl_multi_remove_handle(multi_, easy);
}

std::vector<TransferLoop::Finished> TransferLoop::Perform() {
  std::vector<Finished> finished;
  if (multi_ == nullptr)
    return finished;
  int running = 0;
  curl_multi_perform(multi_, &running);
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
    if (message->msg == CURLMSG_DONE)
      finished.push_back({message->easy_handle, message->data.result});
  }
  for (const Finished& done : finished)
    Remove(done.easy);
  return finished;
}

void TransferLoop::Wait(long maxMs) {
  if (multi_ == nullptr || maxMs <= 0)
    return;
  long timeoutMs = -1;
  curl_multi_timeout(multi_, &timeoutMs);
  if (timeoutMs == 0)
    return;
  long waitMs = timeoutMs < 0 ? maxMs : std::min(timeoutMs, maxMs);
  if (wake_ == INVALID_SOCKET)
    waitMs = std::min(waitMs, kWaitWithoutWakeMs);
  fd_set readable, writable, failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  int highest = -1;
  curl_multi_fdset(multi_, &readable, &writable, &failed, &highest);
  if (wake_ != INVALID_SOCKET)
    FD_SET(wake_, &readable);
  if (highest < 0 && wake_ == INVALID_SOCKET) {
    // Nothing to watch (a name lookup running on libcurl's resolver thread): Windows' select()
    // refuses empty sets.
    ::Sleep(static_cast<DWORD>(waitMs));
    return;
  }
  timeval timeout{waitMs / 1000, (waitMs % 1000) * 1000};
  // Readiness, a timeout and a failure all lead to the next Perform, which finds out.
  ::select(0, &readable, &writable, &failed, &timeout);
  if (wake_ != INVALID_SOCKET && FD_ISSET(wake_, &readable)) {
    char drained[64];
    while (::recv(wake_, drained, sizeof drained, 0) > 0) {
    }
  }
}

void TransferLoop::Wake() {
  if (wake_ != INVALID_SOCKET) {
    const char wakeUp = 1;
    ::send(wake_, &wakeUp, 1, 0);
  }
}
