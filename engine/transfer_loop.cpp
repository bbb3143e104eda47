#include "engine/transfer_loop.h"

#include <algorithm>

namespace {

// Connections kept alive for the next transfers, more than a run's transfers at once.
constexpr long kKeptConnections = 32;

}  // namespace

TransferLoop::TransferLoop() : multi_(curl_multi_init()) {
  if (multi_ != nullptr)
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kKeptConnections);
}

TransferLoop::~TransferLoop() {
  if (multi_ == nullptr)
    return;
  for (CURL* easy : added_)
    curl_multi_remove_handle(multi_, easy);
  curl_multi_cleanup(multi_);
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
  const long waitMs = timeoutMs < 0 ? maxMs : std::min(timeoutMs, maxMs);
  curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMs), nullptr);
}

void TransferLoop::Wake() {
  if (multi_ != nullptr)
    curl_multi_wakeup(multi_);
}
