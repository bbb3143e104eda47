#pragma once

#include <utility>
#include <vector>

// Tells stalled transfers from slow ones, over the transfers of a run together: a transfer that
// receives nothing for the limit is stalled, and so is every transfer of a run whose transfers
// together receive less than the floor (bytes a second) over the limit. A slow link shared by
// many transfers is not a stall as long as the run as a whole moves. Times are milliseconds of
// one clock; the watch keeps no clock of its own, so tests drive it.
class StallWatch {
 public:
  StallWatch(long long limitMs, long long floorBytesPerSecond);

  void Started(int transfer, long long now);
  void Received(int transfer, long long bytes, long long now);
  void Ended(int transfer);
  // The transfers stalled at now; they are forgotten (Started begins a transfer's watch anew).
  std::vector<int> Stalled(long long now);
  // How long until Stalled could next find a stall, at most the limit.
  long long NextCheckIn(long long now) const;

 private:
  struct Sample {
    long long time;
    long long bytes;
  };

  long long limitMs_;
  long long floorBytesPerSecond_;
  long long runBytes_ = 0;
  // Per running transfer, when it last received (a run has a handful: a vector is smallest).
  std::vector<std::pair<int, long long>> lastActivity_;
  // The run's count over time while transfers were running, oldest first.
  std::vector<Sample> samples_;
};
