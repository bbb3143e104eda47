#include "app/progress_mailbox.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/scoped_handle.h"

namespace {

ProgressTexts Texts(int percent) {
  ProgressTexts texts;
  texts.percent = percent;
  texts.percentText = std::to_wstring(percent) + L"%";
  return texts;
}

TEST(ProgressMailboxTest, ReportsCoalesceToTheLatestWithOneWakeUp) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Texts(1)));
  EXPECT_FALSE(mailbox.PostProgress(Texts(2)));
  EXPECT_FALSE(mailbox.PostProgress(Texts(3)));

  ProgressMailbox::Contents taken = mailbox.Take();
  ASSERT_TRUE(taken.progress.has_value());
  EXPECT_EQ(3, taken.progress->percent);
  EXPECT_FALSE(taken.finished);

  // Taking re-arms the wake-up; an empty take has nothing.
  EXPECT_FALSE(mailbox.Take().progress.has_value());
  EXPECT_TRUE(mailbox.PostProgress(Texts(4)));
}

TEST(ProgressMailboxTest, FinishComesWithTheLastProgressAndIsNeverDropped) {
  ProgressMailbox mailbox;
  EXPECT_TRUE(mailbox.PostProgress(Texts(99)));
  EXPECT_FALSE(mailbox.PostFinished());
  const ProgressMailbox::Contents taken = mailbox.Take();
  ASSERT_TRUE(taken.progress.has_value());
  EXPECT_EQ(99, taken.progress->percent);
  EXPECT_TRUE(taken.finished);

  // A finish alone wakes the UI thread too.
  EXPECT_TRUE(mailbox.PostFinished());
  EXPECT_TRUE(mailbox.Take().finished);
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
      if (mailbox.PostProgress(Texts(i)))
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
      EXPECT_GT(taken.progress->percent, lastShown);
      lastShown = taken.progress->percent;
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
