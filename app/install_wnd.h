#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/install_folder_choice.h"
#include "app/install_session.h"
#include "app/progress_feed.h"
#include "app/progress_text.h"
#include "ui/skin/skin_window.h"

namespace ui {
class Control;
}

// The installer's one window and its controller: the three-page wizard of the embedded skin
// (configuration, installing, finish). It reacts to the controls' notifications by the sender's
// name, runs the install through an InstallSession and shows what the session hands over on the
// UI thread. Created once by the entry point and never destroyed: the install's threads may still
// run when the process ends.
class InstallWnd : public ui::SkinWindow {
 public:
  // The pages of "wizard_setup_tab", in the skin's order.
  enum Page { kConfigurationPage = 0, kInstallingPage = 1, kFinishPage = 2 };
  // The native window class, by which a second installer finds this wizard.
  static constexpr wchar_t kWindowClassName[] = L"Install_Wnd";
  // The window base takes the caption away and the skin gives the size.
  static constexpr DWORD kWindowStyle =
      WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;

  // chosenFolder: a folder given on the command line ("/D="), taken as the browse button takes
  // a chosen one; empty for the default.
  explicit InstallWnd(std::wstring chosenFolder = std::wstring());
  ~InstallWnd() override;

  const wchar_t* WindowClassName() const override;
  // A close or destroy of the window ends the message loop; every message then takes the window
  // base's path, which offers it to the paint manager once. The install's timer is handled here.
  LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Proposes the default install folder (or the command line's) and disables the folder field.
  void OnSkinReady() override;
  // Recorded where the user and the tests can read it (RecordStartFailure).
  void OnSkinLoadFailed(const std::wstring& reason) override;
  std::wstring SkinFolderName() const override;
  std::wstring SkinFileName() const override;
  ui::SkinSourceKind SkinSource() const override;
  std::wstring SkinResourceId() const override;
  // The notification table: clicks by sender name and the agreement check box's selection. No
  // notification reaches the message maps.
  void ReceiveNotification(ui::Notification& notification) override;
  // To screen readers the window is a dialog; the agreement button is a link to the licence page,
  // the slider, which the user cannot move, the install's progress bar and the folder field's
  // value the install folder.
  long AccessibleWindowRole() const override;
  void RefineAccessibleDescription(const ui::Control& control,
                                   ui::AccessibleDescription& description) const override;

  const std::wstring& installDir() const { return folder_.installDir(); }
  // True while an install started by the wizard still has threads in the engine.
  bool InstallRunning() const { return session_ && session_->Running(); }

 protected:
  // Engine threads: asks the UI thread to take what the install handed over, through the
  // window's task queue. A wake-up that never arrives (the post failed) strands nothing: the
  // install's timer takes the same updates.
  virtual void WakeUiThread();

 private:
  void HandleClick(ui::Control* sender);
  void ChooseInstallFolder();
  void StartInstall();
  // UI thread, on a wake-up or a tick of the install's timer: shows what the engine's threads
  // handed over, progress at most about 30 times a second, the finish at once.
  void ApplyInstallUpdates(ProgressFeed::Source source);
  void ShowProgress(const ProgressTexts& texts);
  void ShowPage(Page page);
  void LaunchClientAndQuit();
  void Quit();

  ui::Control* FindControl(const wchar_t* name) const;
  void SetControlText(const wchar_t* name, const std::wstring& text);

  const std::wstring chosenFolder_;
  InstallFolderChoice folder_;
  std::unique_ptr<InstallSession> session_;
  std::optional<ProgressFeed> feed_;
  // The install's timer runs from the install's start until the finish page shows.
  bool installTimerRunning_ = false;
};
