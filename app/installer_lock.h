#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

// One installer at a time. Two installers started together would both write "temp.pak" in the
// same folders and place the same files: packages would interleave, and each could report
// success over a broken install. The installer that runs holds the product's named mutex until
// its process ends (the system releases it however the process ends); a second one brings the
// running wizard to the front and ends, as Windows installers do.
class InstallerLock {
 public:
  InstallerLock() = default;
  // Releases the mutex; on the thread that acquired it.
  ~InstallerLock();
  InstallerLock(const InstallerLock&) = delete;
  InstallerLock& operator=(const InstallerLock&) = delete;

  // Takes the mutex mutexName for the calling thread, which keeps it until it ends or the lock
  // goes. True when this is the one installer. When another holds the mutex, its wizard (the
  // visible top-level window of class wizardClassName) is restored if minimised and brought to
  // the front, and the result is false; it is waited for at most waitMs, as it may still be
  // starting. Should the other installer end meanwhile, the mutex passes to this one (true).
  // A mutex that cannot be created at all does not keep the user from installing (true).
  bool Acquire(const wchar_t* mutexName, const wchar_t* wizardClassName, DWORD waitMs);

  // The silent installer's way: no window is looked for; the mutex is waited for at most waitMs,
  // however the other installer is doing. True when this is the one installer (or the mutex
  // cannot be created at all), false when the other one still ran after waitMs.
  bool AcquireWaiting(const wchar_t* mutexName, DWORD waitMs);

 private:
  base::ScopedHandle mutex_;
  bool owned_ = false;
};

// The running wizard of class wizardClassName, restored and brought to the front; false when
// no such window is visible.
bool BringWizardToFront(const wchar_t* wizardClassName);
