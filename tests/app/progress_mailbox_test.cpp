#include "app/progress_mailbox.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/scoped_handle.h"

namespace {

using NextWake = ProgressMailbox::NextWake;

ProgressReport Report(int downloadedBytes) {
  ProgressReport report;
  report.totalBytes = 1000000;
  report.downloadedBytes = downloadedBytes;
  report.fileName = L"file" + std::to_wstring(downloadedBytes);
  return report;
}

TEST(ProgressMailboxTest, ReportsCoalesceToTheLatestWithOneWakeUp) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Report(1)));
  EXPECT_FALSE(mailbox.PostProgress(Report(2)));
  EXPECT_FALSE(mailbox.PostProgress(Report(3)));

  ProgressMailbox::Contents taken = mailbox.Take();
  ASSERT_TRUE(taken.progress.has_value());
  EXPECT_EQ(3, taken.progress->downloadedBytes);
  EXPECT_EQ(L"file3", taken.progress->fileName);
  EXPECT_FALSE(taken.finished);

  // Taking re-arms the wake-up; an empty take has nothing.
  EXPECT_FALSE(mailbox.Take().progress.has_value());
  EXPECT_TRUE(mailbox.PostProgress(Report(4)));
}

TEST(ProgressMailboxTest, UiThreadThatComesBackByItselfIsNotWokenForProgress) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Report(1)));
  EXPECT_EQ(1, mailbox.Take(NextWake::UiComesBack).progress->downloadedBytes);
  EXPECT_FALSE(mailbox.PostProgress(Report(2)));
  EXPECT_FALSE(mailbox.PostProgress(Report(3)));
  // The finish wakes it all the same: it is shown at once.
  EXPECT_TRUE(mailbox.PostFinished());

  const ProgressMailbox::Contents taken = mailbox.Take();
  EXPECT_EQ(3, taken.progress->downloadedBytes);
  EXPECT_TRUE(taken.finished);
}

TEST(ProgressMailboxTest, AfterAPauseTheNextPostWakesTheUiThread) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Report(1)));
  // The take found a report: reports flow, the UI thread comes back for the next.
  EXPECT_TRUE(mailbox.Take(NextWake::AfterAPause).progress.has_value());
  EXPECT_FALSE(mailbox.PostProgress(Report(2)));
  EXPECT_TRUE(mailbox.Take(NextWake::AfterAPause).progress.has_value());
  // A take that finds nothing: the next report wakes the UI thread.
  EXPECT_FALSE(mailbox.Take(NextWake::AfterAPause).progress.has_value());
  EXPECT_TRUE(mailbox.PostProgress(Report(3)));
}

TEST(ProgressMailboxTest, FinishComesWithTheLastProgressAndIsNeverDropped) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Report(99)));
  // A wake-up is pending, but the finish asks for one of its own: a wake-up may have been lost.
  EXPECT_TRUE(mailbox.PostFinished());
  const ProgressMailbox::Contents taken = mailbox.Take();
  ASSERT_TRUE(taken.progress.has_value());
  EXPECT_EQ(99, taken.progress->downloadedBytes);
  EXPECT_TRUE(taken.finished);
  EXPECT_FALSE(mailbox.Take().finished) << "taken once";
}

// One engine thread posts many reports and the finish while the UI thread takes whenever it is
// woken: the UI sees the finish exactly once, after the very last report.
TEST(ProgressMailboxTest, UiThreadSeesTheLastReportThenTheFinish) {
  ProgressMailbox mailbox;
  constexpr int kReports = 20000;
  base::ScopedHandle semaphore(::CreateSemaphoreW(nullptr, 0, kReports + 1, nullptr));
  ASSERT_TRUE(semaphore.IsValid());
  HANDLE wake = semaphore.Get();
  std::thread engine([&] {
    for (int i = 1; i <= kReports; ++i) {
      if (mailbox.PostProgress(Report(i)))
        ::ReleaseSemaphore(wake, 1, nullptr);
    }
    if (mailbox.PostFinished())
      ::ReleaseSemaphore(wake, 1, nullptr);
  });
  int lastShown = 0;
  int finishes = 0;
  while (finishes == 0) {
    if (::WaitForSingleObject(wake, 30000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "no wake-up within 30 s";
      break;
    }
    const ProgressMailbox::Contents taken = mailbox.Take();
    if (taken.progress) {
      EXPECT_GT(taken.progress->downloadedBytes, lastShown);
      lastShown = taken.progress->downloadedBytes;
    }
    if (taken.finished) {
      ++finishes;
      EXPECT_EQ(kReports, lastShown);
    }
  }
  engine.join();
  EXPECT_FALSE(mailbox.Take().finished);
}

}  // namespace
