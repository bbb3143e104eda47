#include <windows.h>

#include <string>

#include "app/install_wnd.h"
#include "app/installer_lock.h"
#include "app/product_names.h"
#include "app/start_failure.h"
#include "base/system_library.h"
#include "engine/manifest_keys.h"
#include "ui/core/message_loop.h"
#include "ui/core/skin_settings.h"

namespace {

constexpr const wchar_t* kWindowTitle =
    kAcceptsUnsignedManifests ? product::kUnsignedWizardTitle : product::kWizardTitle;
// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU; the window
// base takes the caption away and the skin gives the size.
constexpr DWORD kWindowStyle = 0x96C80000;
// How long a second installer looks for the running one's wizard, which may still be starting.
constexpr DWORD kRunningWizardWaitMs = 10000;

}  // namespace

// The command line and the show command are not used; the exit code is always 0.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the installer is often started from a download
  // folder, where a planted DLL must never be picked up.
  base::RestrictDllSearchToSystemFolder();

  // Held until the process ends. A second installer shows the running one and ends.
  InstallerLock lock;
  if (!lock.Acquire(product::kInstallerMutexName, InstallWnd::kWindowClassName,
                    kRunningWizardWaitMs)) {
    RecordStartFailure(L"ended at its start: another installer is running (its wizard was "
                       L"brought to the front)");
    return 0;
  }

  ui::SetProgramModule(instance);
  // Never deleted: the install's threads may use it until the process ends.
  auto* wizard = new InstallWnd();
  // Creating the window loads the skin and proposes the default folder; a skin that cannot be
  // built ends the process with its message. Without a window nothing could ever end the loop
  // below, so the installer ends at once.
  if (!wizard->CreateNativeWindow(nullptr, kWindowTitle, kWindowStyle, 0, 0, 0, 0, 0)) {
    RecordStartFailure(L"the wizard window could not be created (CreateWindowExW, error " +
                       std::to_wstring(::GetLastError()) + L")");
    return 0;
  }
  wizard->CenterOnMonitor();
  wizard->ShowNativeWindow(true, true);
  ui::RunMessageLoop();

  // Quitting during an install: the engine's threads are still inside the transfer or the
  // registration. Returning would run the runtime's exit under them; the process ends here
  // instead, at once, as nothing is to be rolled back.
  if (wizard->InstallRunning())
    ::TerminateProcess(::GetCurrentProcess(), 0);
  return 0;
}
