#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/timer_table.h"

// The timer table without a window: a fake platform records which identifiers run.
namespace ui {
namespace {

class FakePlatform : public TimerTable::Platform {
 public:
  bool Set(uint32_t nativeId, uint32_t) override {
    if (refuse)
      return false;
    running.insert(nativeId);
    return true;
  }
  void Kill(uint32_t nativeId) override { running.erase(nativeId); }

  bool refuse = false;
  std::set<uint32_t> running;
};

class TimerTableTest : public testing::Test {
 protected:
  // The identifier a running timer has, found through the table.
  uint32_t NativeIdOf(const Control& control, uint32_t timerId) const {
    for (uint32_t id : platform_.running) {
      TimerTable::Entry entry;
      if (table_.Find(id, entry) && entry.control == &control && entry.timerId == timerId)
        return id;
    }
    ADD_FAILURE() << "no running timer " << timerId;
    return 0;
  }

  FakePlatform platform_;
  TimerTable table_{platform_};
  Control first_;
  Control second_;
};

TEST_F(TimerTableTest, StartsStopsAndRestartsUnderTheSameIdentifier) {
  ASSERT_TRUE(table_.Start(&first_, 1, 50));
  ASSERT_TRUE(table_.Start(&second_, 1, 50)) << "each control numbers its own timers";
  const uint32_t id = NativeIdOf(first_, 1);
  EXPECT_EQ(17u, id) << "identifiers start after the counter's first step";
  EXPECT_NE(id, NativeIdOf(second_, 1));
  EXPECT_FALSE(table_.Start(&first_, 1, 50)) << "already running";

  EXPECT_TRUE(table_.Stop(&first_, 1));
  EXPECT_FALSE(table_.Stop(&first_, 1)) << "already stopped";
  TimerTable::Entry entry;
  EXPECT_FALSE(table_.Find(id, entry)) << "a stopped timer fires nothing";
  ASSERT_TRUE(table_.Start(&first_, 1, 50));
  EXPECT_EQ(id, NativeIdOf(first_, 1));

  EXPECT_FALSE(table_.Start(nullptr, 1, 50));
  platform_.refuse = true;
  EXPECT_FALSE(table_.Start(&first_, 2, 50)) << "the platform refused";
  platform_.refuse = false;
  EXPECT_FALSE(table_.Find(0, entry));
}

TEST_F(TimerTableTest, StopAllForgetsOneControlsTimersAndClearStopsEveryOne) {
  ASSERT_TRUE(table_.Start(&first_, 1, 50));
  ASSERT_TRUE(table_.Start(&first_, 2, 50));
  ASSERT_TRUE(table_.Start(&second_, 1, 50));
  ASSERT_TRUE(table_.Stop(&first_, 2));
  table_.StopAll(&first_);
  EXPECT_EQ(1u, platform_.running.size());
  EXPECT_FALSE(table_.Stop(&first_, 1)) << "forgotten";

  table_.Clear();
  EXPECT_TRUE(platform_.running.empty());
  EXPECT_FALSE(table_.Stop(&second_, 1));

  // The window went with its timers: nothing is killed, but nothing is left either.
  ASSERT_TRUE(table_.Start(&second_, 1, 50));
  table_.Forget();
  EXPECT_EQ(1u, platform_.running.size());
  TimerTable::Entry entry;
  EXPECT_FALSE(table_.Find(*platform_.running.begin(), entry));
}

// Fault: once the counter had gone round, a new timer could be given the identifier of one still
// running, silently taking that platform timer from its control.
TEST_F(TimerTableTest, IdentifiersInUseArePassedOverAfterTheCounterWraps) {
  std::vector<Control> controls(254);
  ASSERT_TRUE(table_.Start(&first_, 1, 50));
  const uint32_t held = NativeIdOf(first_, 1);
  for (Control& control : controls)
    ASSERT_TRUE(table_.Start(&control, 1, 50));
  EXPECT_EQ(255u, platform_.running.size()) << "every identifier is taken once";
  EXPECT_FALSE(table_.Start(&second_, 1, 50)) << "none is left";

  // A stopped timer keeps its identifier for its own restart.
  ASSERT_TRUE(table_.Stop(&controls[0], 1));
  EXPECT_FALSE(table_.Start(&second_, 1, 50));
  table_.StopAll(&controls[0]);
  ASSERT_TRUE(table_.Start(&second_, 1, 50));
  EXPECT_NE(held, NativeIdOf(second_, 1));
  EXPECT_EQ(held, NativeIdOf(first_, 1));
}

}  // namespace
}  // namespace ui
