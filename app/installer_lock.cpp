#include "app/installer_lock.h"

namespace {

// How often a second installer looks for the first one's window, and for the mutex's release.
constexpr DWORD kPollMs = 50;

}  // namespace

InstallerLock::~InstallerLock() {
  if (owned_)
    ::ReleaseMutex(mutex_.Get());
}

bool InstallerLock::Acquire(const wchar_t* mutexName,
                            const wchar_t* wizardClassName,
                            DWORD waitMs) {
  mutex_.Reset(::CreateMutexW(nullptr, TRUE, mutexName));
  const DWORD error = ::GetLastError();
  if (!mutex_.IsValid()) {
    // Refused: either the mutex exists and belongs to another user's installer, which runs, or
    // this process may not create it at all, which must not keep the user from installing.
    base::ScopedHandle existing(::OpenMutexW(SYNCHRONIZE, FALSE, mutexName));
    if (!existing.IsValid() && ::GetLastError() != ERROR_ACCESS_DENIED)
      return true;
    BringWizardToFront(wizardClassName);
    return false;
  }
  if (error != ERROR_ALREADY_EXISTS) {
    owned_ = true;
    return true;
  }
  // The mutex existed, so it is not ours: another installer holds it, or is just letting go.
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  for (;;) {
    if (BringWizardToFront(wizardClassName))
      return false;
    const DWORD waited = ::WaitForSingleObject(mutex_.Get(), kPollMs);
    // An abandoned mutex is ours as well: its installer ended without releasing it.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      owned_ = true;
      return true;
    }
    if (waited == WAIT_FAILED || ::GetTickCount64() >= deadline)
      return false;
  }
}

bool InstallerLock::AcquireWaiting(const wchar_t* mutexName, DWORD waitMs) {
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  for (;;) {
    mutex_.Reset(::CreateMutexW(nullptr, TRUE, mutexName));
    const DWORD error = ::GetLastError();
    if (mutex_.IsValid()) {
      if (error != ERROR_ALREADY_EXISTS) {
        owned_ = true;
        return true;
      }
      const ULONGLONG now = ::GetTickCount64();
      const DWORD waited = ::WaitForSingleObject(
          mutex_.Get(), now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
      // An abandoned mutex is ours as well: its installer ended without releasing it.
      owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
      return owned_;
    }
    // Refused: another user's installer holds it (it cannot be waited on from here, so it is
    // asked for again), or this process may not create it at all, which must not keep the
    // administrator from installing.
    base::ScopedHandle existing(::OpenMutexW(SYNCHRONIZE, FALSE, mutexName));
    if (!existing.IsValid() && ::GetLastError() != ERROR_ACCESS_DENIED)
      return true;
    if (::GetTickCount64() >= deadline)
      return false;
    ::Sleep(kPollMs * 10);
  }
}

bool BringWizardToFront(const wchar_t* wizardClassName) {
  // A hidden wizard is on its way out (the finish button hides it before starting the client).
  HWND wizard = nullptr;
  do {
    wizard = ::FindWindowExW(nullptr, wizard, wizardClassName, nullptr);
  } while (wizard && !::IsWindowVisible(wizard));
  if (!wizard)
    return false;
  if (::IsIconic(wizard))
    ::ShowWindowAsync(wizard, SW_RESTORE);  // a wizard that hangs must not hang this one
  // The system may refuse the foreground to a process the user did not just start; the window
  // is restored and flashes on the task bar then.
  ::SetForegroundWindow(wizard);
  return true;
}
