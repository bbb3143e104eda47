#include "engine/transfer/stall_watch.h"

#include <algorithm>
#include <cstddef>

namespace {

// Samples of the run's count are taken no closer than this.
constexpr long long kSampleSpacingMs = 250;

}  // namespace

StallWatch::StallWatch(long long limitMs, long long floorBytesPerSecond)
    : limitMs_(std::max(limitMs, 1LL)), floorBytesPerSecond_(floorBytesPerSecond) {}

void StallWatch::Started(int transfer, long long now) {
  if (lastActivity_.empty())
    samples_.clear();
  Ended(transfer);
  lastActivity_.emplace_back(transfer, now);
}

void StallWatch::Received(int transfer, long long bytes, long long now) {
  if (bytes <= 0)
    return;
  runBytes_ += bytes;
  for (auto& watched : lastActivity_) {
    if (watched.first == transfer)
      watched.second = now;
  }
}

void StallWatch::Ended(int transfer) {
  std::erase_if(lastActivity_,
                [transfer](const auto& watched) { return watched.first == transfer; });
  if (lastActivity_.empty())
    samples_.clear();
}

std::vector<int> StallWatch::Stalled(long long now) {
  std::vector<int> stalled;
  if (lastActivity_.empty())
    return stalled;
  for (const auto& [transfer, last] : lastActivity_) {
    if (now - last >= limitMs_)
      stalled.push_back(transfer);
  }
  if (samples_.empty() || now - samples_.back().time >= kSampleSpacingMs)
    samples_.push_back({now, runBytes_});
  // The newest sample at least the limit old starts the window the floor is judged over.
  size_t old = 0;
  while (old + 1 < samples_.size() && now - samples_[old + 1].time >= limitMs_)
    ++old;
  samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(old));
  const Sample& start = samples_.front();
  const long long span = now - start.time;
  if (span >= limitMs_ && (runBytes_ - start.bytes) * 1000 < floorBytesPerSecond_ * span) {
    stalled.clear();
    for (const auto& watched : lastActivity_)
      stalled.push_back(watched.first);
  }
  for (int transfer : stalled)
    std::erase_if(lastActivity_,
                  [transfer](const auto& watched) { return watched.first == transfer; });
  if (lastActivity_.empty() || !stalled.empty())
    samples_.clear();
  return stalled;
}

long long StallWatch::NextCheckIn(long long now) const {
  long long wait = limitMs_;
  for (const auto& watched : lastActivity_)
    wait = std::min(wait, std::max(watched.second + limitMs_ - now, 0LL));
  if (!samples_.empty())
    wait = std::min(wait, kSampleSpacingMs);
  return wait;
}
