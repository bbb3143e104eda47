#include "engine/transfer/stall_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr long long kLimitMs = 2000;
constexpr long long kFloor = 1024;

// Transfers receiving at steady rates, checked every 100 ms for six seconds: which are found
// stalled, and when the first is.
struct Flow {
  long long bytesPerSecond;
};

struct Outcome {
  std::vector<int> stalled;
  long long firstStallMs = -1;
};

Outcome Drive(const std::vector<Flow>& flows) {
  StallWatch watch(kLimitMs, kFloor);
  for (size_t i = 0; i < flows.size(); ++i)
    watch.Started(static_cast<int>(i), 0);
  Outcome outcome;
  for (long long now = 100; now <= 6000; now += 100) {
    for (size_t i = 0; i < flows.size(); ++i)
      watch.Received(static_cast<int>(i), flows[i].bytesPerSecond / 10, now);
    for (int transfer : watch.Stalled(now)) {
      if (outcome.firstStallMs < 0)
        outcome.firstStallMs = now;
      outcome.stalled.push_back(transfer);
    }
  }
  return outcome;
}

TEST(StallWatchTest, JudgesTheRunAsAWholeAndEachTransferForSilence) {
  struct Case {
    const char* description;
    std::vector<Flow> flows;
    std::vector<int> stalled;
  };
  const Case kCases[] = {
      {"one steady transfer", {{4096}}, {}},
      {"eight slow transfers that together pass the floor", std::vector<Flow>(8, {200}), {}},
      {"eight slow transfers that together stay under it",
       std::vector<Flow>(8, {100}),
       {0, 1, 2, 3, 4, 5, 6, 7}},
      {"one silent transfer among quick ones", {{8192}, {0}, {8192}}, {1}},
      {"one transfer under the floor alone", {{500}}, {0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const Outcome outcome = Drive(c.flows);
    EXPECT_EQ(c.stalled, outcome.stalled);
    if (!c.stalled.empty()) {
      EXPECT_GE(outcome.firstStallMs, kLimitMs);
      EXPECT_LE(outcome.firstStallMs, kLimitMs + 300);
    }
  }
}

// Time without transfers (waiting for placement, or for a retry) is no stall, and the run's
// window starts again with the next transfer.
TEST(StallWatchTest, IdleTimeBetweenTransfersDoesNotCount) {
  StallWatch watch(kLimitMs, kFloor);
  watch.Started(0, 0);
  watch.Received(0, 100000, 500);
  watch.Ended(0);
  EXPECT_TRUE(watch.Stalled(5000).empty());
  watch.Started(1, 10000);
  for (long long now = 10100; now < 10000 + kLimitMs; now += 100) {
    watch.Received(1, 300, now);
    EXPECT_TRUE(watch.Stalled(now).empty()) << now;
  }
  EXPECT_LE(watch.NextCheckIn(11000), kLimitMs);
}

}  // namespace
