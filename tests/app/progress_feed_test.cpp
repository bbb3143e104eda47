#include "app/progress_feed.h"

#include <gtest/gtest.h>

namespace {

using Pacing = ProgressFeed::Pacing;
using Source = ProgressFeed::Source;

ProgressReport Report(int downloadedBytes) {
  ProgressReport report;
  report.totalBytes = 1000000;
  report.downloadedBytes = downloadedBytes;
  return report;
}

// What a step shows: the report's downloaded bytes, or -1 for none.
int Shown(const ProgressFeed::Step& step) {
  return step.progress ? step.progress->downloadedBytes : -1;
}

// Replays what the engine posts and when the UI thread is called (times in milliseconds; the
// window's timer ticks every 33), and checks what each call shows and whether a post wakes the
// UI thread.
class ProgressFeedTest : public testing::Test {
 protected:
  ProgressMailbox mailbox_;
  ProgressFeed feed_{mailbox_, Pacing::Timer};
};

TEST_F(ProgressFeedTest, WhileReportsFlowTheTicksShowTheNewestAndNothingWakesTheUi) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  EXPECT_EQ(1, Shown(feed_.Next(Source::WakeUp, 1000))) << "the first report shows at once";
  EXPECT_FALSE(mailbox_.PostProgress(Report(2))) << "the timer comes for it";

  // A tick soon after the wake-up's showing holds the report back.
  EXPECT_EQ(-1, Shown(feed_.Next(Source::Timer, 1010)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(3)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(4)));
  EXPECT_EQ(4, Shown(feed_.Next(Source::Timer, 1043))) << "the newest, at the next tick";
  EXPECT_FALSE(mailbox_.PostProgress(Report(5)));
  EXPECT_EQ(5, Shown(feed_.Next(Source::Timer, 1076)));
}

TEST_F(ProgressFeedTest, FirstReportAfterAPauseWakesTheUiAndShowsAtOnce) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  feed_.Next(Source::WakeUp, 0);
  // A tick that finds nothing: the engine has paused (a stall, a retry's wait).
  EXPECT_EQ(-1, Shown(feed_.Next(Source::Timer, 33)));
  EXPECT_TRUE(mailbox_.PostProgress(Report(2)));
  EXPECT_EQ(2, Shown(feed_.Next(Source::WakeUp, 5000)));

  // A wake-up within the interval holds its report for the tick; until then nothing wakes.
  EXPECT_EQ(-1, Shown(feed_.Next(Source::Timer, 5010)));
  EXPECT_TRUE(mailbox_.PostProgress(Report(3)));
  EXPECT_EQ(-1, Shown(feed_.Next(Source::WakeUp, 5012)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(4)));
  EXPECT_EQ(4, Shown(feed_.Next(Source::Timer, 5043)));
}

TEST_F(ProgressFeedTest, LastReportBeforeAPauseShowsAtTheNextTick) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  feed_.Next(Source::WakeUp, 0);
  EXPECT_FALSE(mailbox_.PostProgress(Report(2)));
  // Nothing more comes (the failure message box is open): the next tick shows report 2.
  EXPECT_EQ(2, Shown(feed_.Next(Source::Timer, 33)));
  EXPECT_EQ(-1, Shown(feed_.Next(Source::Timer, 66)));
}

TEST_F(ProgressFeedTest, FinishShowsAtOnceAfterTheNewestProgress) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  feed_.Next(Source::WakeUp, 0);
  EXPECT_FALSE(mailbox_.PostProgress(Report(2)));
  ASSERT_TRUE(mailbox_.PostFinished()) << "the finish wakes the UI thread while reports flow";

  const ProgressFeed::Step step = feed_.Next(Source::WakeUp, 2);
  EXPECT_EQ(2, Shown(step));
  EXPECT_TRUE(step.finish);
  EXPECT_FALSE(feed_.Next(Source::Timer, 33).finish) << "the finish comes once";
}

TEST_F(ProgressFeedTest, FinishWithoutProgressShowsTheFinishAlone) {
  ASSERT_TRUE(mailbox_.PostFinished());
  const ProgressFeed::Step step = feed_.Next(Source::WakeUp, 0);
  EXPECT_EQ(-1, Shown(step));
  EXPECT_TRUE(step.finish);
}

// A wake-up that never arrives (its window message could not be posted) strands nothing: the
// ticks take the progress and the finish.
TEST_F(ProgressFeedTest, TicksTakeWhatALostWakeUpLeft) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(7)));  // its wake-up is lost
  EXPECT_FALSE(mailbox_.PostProgress(Report(8)));
  EXPECT_EQ(8, Shown(feed_.Next(Source::Timer, 0)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(9)));
  mailbox_.PostFinished();  // this wake-up is lost too
  const ProgressFeed::Step step = feed_.Next(Source::Timer, 33);
  EXPECT_EQ(9, Shown(step));
  EXPECT_TRUE(step.finish);
}

// Without the window's timer nothing comes back by itself: every report wakes the UI thread and
// every wake-up shows what it finds.
TEST(ProgressFeedWithoutTimerTest, EveryWakeUpShowsWhatItFinds) {
  ProgressMailbox mailbox;
  ProgressFeed feed(mailbox, Pacing::None);
  for (int report = 1; report <= 3; ++report) {
    SCOPED_TRACE(report);
    EXPECT_TRUE(mailbox.PostProgress(Report(report)));
    EXPECT_EQ(report, Shown(feed.Next(Source::WakeUp, 0)));
  }
  EXPECT_TRUE(mailbox.PostProgress(Report(4)));
  EXPECT_FALSE(mailbox.PostProgress(Report(5)));
  ASSERT_TRUE(mailbox.PostFinished());
  const ProgressFeed::Step step = feed.Next(Source::WakeUp, 1);
  EXPECT_EQ(5, Shown(step));
  EXPECT_TRUE(step.finish);
}

}  // namespace
