#include "app/progress_feed.h"

#include <gtest/gtest.h>

namespace {

using Source = ProgressFeed::Source;
constexpr uint64_t kInterval = ProgressFeed::kIntervalMs;

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

// Replays what the engine posts and when the UI thread is called, and checks what each call
// shows.
class ProgressFeedTest : public testing::Test {
 protected:
  ProgressMailbox mailbox_;
  ProgressFeed feed_{mailbox_};
};

TEST_F(ProgressFeedTest, ShowsAtMostOncePerIntervalAndTheHeldReportAtTheNextTick) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  EXPECT_EQ(1, Shown(feed_.Next(Source::WakeUp, 1000))) << "the first report shows at once";

  // Within the interval a wake-up holds the report back; until the timer comes, further reports
  // wake nobody.
  ASSERT_TRUE(mailbox_.PostProgress(Report(2)));
  EXPECT_EQ(-1, Shown(feed_.Next(Source::WakeUp, 1010)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(3)));
  EXPECT_FALSE(mailbox_.PostProgress(Report(4)));
  EXPECT_EQ(4, Shown(feed_.Next(Source::Timer, 1033))) << "the newest, at the tick";

  // A tick with nothing new shows nothing; the next report wakes the UI thread again.
  EXPECT_EQ(-1, Shown(feed_.Next(Source::Timer, 1066)));
  EXPECT_TRUE(mailbox_.PostProgress(Report(5)));
  // After a pause (a stall, a retry's wait) a report shows as soon as it comes.
  EXPECT_EQ(5, Shown(feed_.Next(Source::WakeUp, 1066 + 5000)));
}

TEST_F(ProgressFeedTest, LastReportBeforeAPauseShowsAtTheNextTick) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  feed_.Next(Source::WakeUp, 0);
  ASSERT_TRUE(mailbox_.PostProgress(Report(2)));
  EXPECT_EQ(-1, Shown(feed_.Next(Source::WakeUp, 5)));
  // Nothing more comes (the failure message box is open): the tick shows report 2.
  EXPECT_EQ(2, Shown(feed_.Next(Source::Timer, kInterval)));
}

TEST_F(ProgressFeedTest, FinishShowsAtOnceAfterTheNewestProgress) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(1)));
  feed_.Next(Source::WakeUp, 0);
  ASSERT_TRUE(mailbox_.PostProgress(Report(2)));
  feed_.Next(Source::WakeUp, 1);  // held back
  EXPECT_FALSE(mailbox_.PostProgress(Report(3)));
  ASSERT_TRUE(mailbox_.PostFinished()) << "the finish wakes the UI thread while it holds back";

  const ProgressFeed::Step step = feed_.Next(Source::WakeUp, 2);
  EXPECT_EQ(3, Shown(step));
  EXPECT_TRUE(step.finish);
  EXPECT_FALSE(feed_.Next(Source::Timer, kInterval).finish) << "the finish comes once";
}

TEST_F(ProgressFeedTest, FinishWithoutProgressShowsTheFinishAlone) {
  ASSERT_TRUE(mailbox_.PostFinished());
  const ProgressFeed::Step step = feed_.Next(Source::WakeUp, 0);
  EXPECT_EQ(-1, Shown(step));
  EXPECT_TRUE(step.finish);
}

// A wake-up that never arrives (its window message could not be posted) strands nothing: the
// timer takes the progress and the finish.
TEST_F(ProgressFeedTest, TimerTakesWhatALostWakeUpLeft) {
  ASSERT_TRUE(mailbox_.PostProgress(Report(7)));  // its wake-up is lost
  EXPECT_FALSE(mailbox_.PostProgress(Report(8)));
  EXPECT_EQ(8, Shown(feed_.Next(Source::Timer, 0)));
  EXPECT_TRUE(mailbox_.PostProgress(Report(9)));  // lost again
  mailbox_.PostFinished();                        // and this one too
  const ProgressFeed::Step step = feed_.Next(Source::Timer, kInterval);
  EXPECT_EQ(9, Shown(step));
  EXPECT_TRUE(step.finish);
}

}  // namespace
