#include "app/installer_lock.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/scoped_handle.h"
#include "tests/support/message_pump.h"
#include "tests/support/test_window.h"

namespace {

constexpr wchar_t kWizardClass[] = L"QuenbyInstallerLockTestWizard";

// A mutex name of this test's own, so that no installer that runs beside it is disturbed.
std::wstring TestMutexName() {
  static int counter = 0;
  return L"Local\\QuenbyInstallerLockTest." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(++counter);
}

base::ScopedHandle NewEvent() {
  return base::ScopedHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// An installer that runs: it holds the lock on a thread of its own until told to end.
class RunningInstaller {
 public:
  explicit RunningInstaller(std::wstring mutexName) {
    thread_ = std::thread([this, name = std::move(mutexName)] {
      InstallerLock lock;
      acquired_ = lock.Acquire(name.c_str(), kWizardClass, 0);
      ::SetEvent(holding_.Get());
      ::WaitForSingleObject(end_.Get(), INFINITE);
    });
    ::WaitForSingleObject(holding_.Get(), 10000);
  }
  ~RunningInstaller() { End(); }

  bool acquired() const { return acquired_; }
  void End() {
    ::SetEvent(end_.Get());
    if (thread_.joinable())
      thread_.join();
  }
  // Ends it after delayMs, on another thread: as an installer that quits while a second one
  // waits.
  std::thread EndAfter(DWORD delayMs) {
    return std::thread([this, delayMs] {
      ::Sleep(delayMs);
      ::SetEvent(end_.Get());
    });
  }

 private:
  base::ScopedHandle holding_ = NewEvent();
  base::ScopedHandle end_ = NewEvent();
  bool acquired_ = false;
  std::thread thread_;
};

// The running installer's wizard: a top-level window of the class the lock looks for.
class WizardWindow {
 public:
  explicit WizardWindow(int showCommand) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWizardClass;
    ::RegisterClassW(&windowClass);  // fails harmlessly once registered
    window_ = ::CreateWindowExW(0, kWizardClass, L"wizard", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window_ && showCommand != SW_HIDE)
      ::ShowWindow(window_, showCommand);
  }
  ~WizardWindow() {
    if (window_)
      ::DestroyWindow(window_);
  }
  HWND Get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

TEST(InstallerLockTest, FirstInstallerRunsAndASecondWithoutAWizardEnds) {
  const std::wstring name = TestMutexName();
  RunningInstaller first(name);
  ASSERT_TRUE(first.acquired());

  InstallerLock second;
  EXPECT_FALSE(second.Acquire(name.c_str(), kWizardClass, 300)) << "no wizard showed";
}

TEST(InstallerLockTest, SecondInstallerRestoresTheRunningWizardAndEnds) {
  const std::wstring name = TestMutexName();
  RunningInstaller first(name);
  WizardWindow wizard(SW_MINIMIZE);
  ASSERT_NE(nullptr, wizard.Get());
  ASSERT_TRUE(::IsIconic(wizard.Get()));

  InstallerLock second;
  EXPECT_FALSE(second.Acquire(name.c_str(), kWizardClass, 10000));
  EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(wizard.Get()); }, 5000))
      << "the running wizard stays minimised";
  EXPECT_TRUE(::IsWindowVisible(wizard.Get()));
}

// The finish button hides the wizard before the installer ends: a hidden wizard is not brought
// back, and once its installer has ended the second one runs.
TEST(InstallerLockTest, LockPassesWhenTheRunningInstallerEndsMeanwhile) {
  const std::wstring name = TestMutexName();
  RunningInstaller first(name);
  WizardWindow hidden(SW_HIDE);
  ASSERT_NE(nullptr, hidden.Get());

  std::thread ending = first.EndAfter(300);
  InstallerLock second;
  EXPECT_TRUE(second.Acquire(name.c_str(), kWizardClass, 30000));
  ending.join();
  EXPECT_FALSE(::IsWindowVisible(hidden.Get()));

  // Now the second holds it against a third.
  std::thread third([&] {
    InstallerLock lock;
    EXPECT_FALSE(lock.Acquire(name.c_str(), kWizardClass, 200));
  });
  third.join();
}

// A silent installer never looks for a window: a visible wizard does not end it, it waits for the
// mutex instead, and gives up only when the wait runs out.
TEST(InstallerLockTest, SilentInstallerWaitsForTheRunningOneWhateverItShows) {
  const std::wstring name = TestMutexName();
  RunningInstaller first(name);
  WizardWindow wizard(SW_SHOWNORMAL);
  ASSERT_NE(nullptr, wizard.Get());

  {
    InstallerLock tooShort;
    const ULONGLONG started = ::GetTickCount64();
    EXPECT_FALSE(tooShort.AcquireWaiting(name.c_str(), 300));
    EXPECT_GE(::GetTickCount64() - started, 250u) << "it did not wait";
  }
  std::thread ending = first.EndAfter(300);
  InstallerLock second;
  EXPECT_TRUE(second.AcquireWaiting(name.c_str(), 30000));
  ending.join();

  // Now the second holds it against a third, silent or not.
  std::thread third([&] {
    InstallerLock lock;
    EXPECT_FALSE(lock.AcquireWaiting(name.c_str(), 100));
  });
  third.join();
}

}  // namespace
