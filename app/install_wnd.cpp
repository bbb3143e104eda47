#include "app/install_wnd.h"

#include <oleacc.h>

#include <optional>
#include <utility>

#include "app/agreement_page.h"
#include "app/folder_dialogs.h"
#include "app/install_folder.h"
#include "app/launch.h"
#include "app/product_names.h"
#include "app/proxy_credentials_dialog.h"
#include "app/start_failure.h"
#include "engine/common/run_log.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/user_prompt.h"
#include "ui/controls/check_box.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/control.h"

namespace {

constexpr wchar_t kSkinFolderName[] = L"install_online";
constexpr wchar_t kSkinFileName[] = L"install.xml";
constexpr wchar_t kSkinResourceId[] = L"136";
// Outside the paint manager's timer identifiers (0 to 254, and 0x2000 for layered windows).
constexpr UINT_PTR kInstallTimerId = 0x2100;

}  // namespace

InstallWnd::InstallWnd(std::wstring chosenFolder) : chosenFolder_(std::move(chosenFolder)) {}

InstallWnd::~InstallWnd() = default;

const wchar_t* InstallWnd::WindowClassName() const {
  return kWindowClassName;
}

LRESULT InstallWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kInstallTimerId) {
    ApplyInstallUpdates(ProgressFeed::Source::Timer);
    return 0;
  }
  // The message goes on: the system still closes and destroys the window.
  if (message == WM_CLOSE || message == WM_DESTROY)
    ::PostQuitMessage(0);
  return SkinWindow::ProcessWindowMessage(message, wParam, lParam);
}

void InstallWnd::OnSkinLoadFailed(const std::wstring& reason) {
  RecordStartFailure(reason);
}

void InstallWnd::OnSkinReady() {
  const DefaultInstallFolder folder = LookUpDefaultInstallFolder();
  folder_.SetDefault(folder);
  SetControlText(L"edit_dir", folder.editText);
  if (!chosenFolder_.empty()) {
    const ChosenInstallFolder chosen = MakeChosenInstallFolder(chosenFolder_);
    if (folder_.Accept(chosen))
      SetControlText(L"edit_dir", chosen.editText);
  }
  // The folder is chosen through the dialogs only; the field just shows it.
  if (ui::Control* field = FindControl(L"edit_dir"))
    field->SetEnabled(false);
}

std::wstring InstallWnd::SkinFolderName() const {
  return kSkinFolderName;
}

std::wstring InstallWnd::SkinFileName() const {
  return kSkinFileName;
}

ui::SkinSourceKind InstallWnd::SkinSource() const {
  return ui::SkinSourceKind::PackageResource;
}

std::wstring InstallWnd::SkinResourceId() const {
  return kSkinResourceId;
}

void InstallWnd::ReceiveNotification(ui::Notification& notification) {
  if (!notification.sender)
    return;
  if (notification.type == L"click") {
    HandleClick(notification.sender);
  } else if (notification.type == L"selectchanged" &&
             notification.sender->GetName() == L"ckbox_agree") {
    auto* agreement = static_cast<ui::CheckBox*>(notification.sender->CastTo(L"CheckBox"));
    ui::Control* install = FindControl(L"btn_install");
    if (agreement && install)
      install->SetVisible(agreement->IsChecked());
  }
}

long InstallWnd::AccessibleWindowRole() const {
  return ROLE_SYSTEM_DIALOG;
}

void InstallWnd::RefineAccessibleDescription(const ui::Control& control,
                                             ui::AccessibleDescription& description) const {
  const std::wstring name = control.GetName();
  if (name == L"btn_agreement") {
    description.role = ROLE_SYSTEM_LINK;
    description.defaultAction = L"Jump";
    description.value = AgreementPageAddress();
  } else if (name == L"slr_progress") {
    description.role = ROLE_SYSTEM_PROGRESSBAR;
  } else if (name == L"edit_dir") {
    // The field shows the folder after a caption; its value is the folder alone.
    description.value = folder_.installDir();
  }
}

void InstallWnd::HandleClick(ui::Control* sender) {
  const std::wstring name = sender->GetName();
  if (name == L"btn_close") {
    Quit();
  } else if (name == L"btn_min") {
    SendToWindow(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"btn_agreement") {
    OpenAgreementPage();
  } else if (name == L"btn_select_dir") {
    ChooseInstallFolder();
  } else if (name == L"btn_install") {
    StartInstall();
  } else if (name == L"btn_exec") {
    LaunchClientAndQuit();
  }
}

void InstallWnd::ChooseInstallFolder() {
  // The folder is fixed once the install has started; its button is hidden by then.
  if (folder_.frozen())
    return;
  // Owned by the wizard, the dialog is modal to it: the wizard is disabled while it is open, so
  // neither a second dialog nor the install can start meanwhile, and the dialog has the keyboard.
  const std::optional<std::wstring> chosen =
      ChooseFolder(NativeWindow(), folder_.programFilesDir());
  if (!chosen)
    return;
  const ChosenInstallFolder folder = MakeChosenInstallFolder(*chosen);
  if (folder_.Accept(folder))
    SetControlText(L"edit_dir", folder.editText);
}

void InstallWnd::StartInstall() {
  // The button is on the page that the start leaves, so it is used once.
  if (session_)
    return;
  session_ = std::make_unique<InstallSession>(
      folder_.Freeze(), [this] { WakeUiThread(); }, SystemUserPrompt());
  // Paces the progress and takes whatever a lost wake-up left waiting. Without it every wake-up
  // shows what it finds.
  installTimerRunning_ =
      ::SetTimer(NativeWindow(), kInstallTimerId, ProgressFeed::kIntervalMs, nullptr) != 0;
  feed_.emplace(session_->mailbox(),
                installTimerRunning_ ? ProgressFeed::Pacing::Timer : ProgressFeed::Pacing::None);
  // A proxy that wants a password asks through the system's prompt, above the wizard.
  ProxyCredentialStore::Instance().SetPrompt(
      [owner = NativeWindow()](const std::string& proxy, std::wstring& userName,
                               base::SecretWString& password) {
        return AskForProxyCredentials(owner, proxy, userName, password);
      });
  ShowPage(kInstallingPage);
  session_->Start();
}

void InstallWnd::WakeUiThread() {
  // A wake-up after the window has gone is dropped by the queue.
  UiQueue()->Post([this] { ApplyInstallUpdates(ProgressFeed::Source::WakeUp); });
}

void InstallWnd::ApplyInstallUpdates(ProgressFeed::Source source) {
  if (!feed_)
    return;
  const ProgressFeed::Step step = feed_->Next(source, ::GetTickCount64());
  // The last progress of the run shows before the finish page.
  if (step.progress)
    ShowProgress(ComposeProgressTexts(*step.progress, session_->installDir()));
  if (step.finish) {
    if (installTimerRunning_)
      ::KillTimer(NativeWindow(), kInstallTimerId);
    installTimerRunning_ = false;
    // The user has been told of a failure; without a client there is nothing to finish.
    if (session_->FinishPageDue())
      ShowPage(kFinishPage);
    else
      Quit();
  }
}

void InstallWnd::ShowProgress(const ProgressTexts& texts) {
  // The slider clamps the value into its range 0..100.
  if (ui::Control* bar = FindControl(L"slr_progress")) {
    if (auto* progress = static_cast<ui::Progress*>(bar->CastTo(L"Progress")))
      progress->SetValue(texts.percent);
  }
  SetControlText(L"progress_file", texts.fileText);
  SetControlText(L"progress_pos", texts.percentText);
  SetControlText(L"progress_tip", texts.tipText);
}

void InstallWnd::ShowPage(Page page) {
  if (ui::Control* tabs = FindControl(L"wizard_setup_tab")) {
    if (auto* layout = static_cast<ui::TabLayout*>(tabs->CastTo(L"TabLayout")))
      layout->SelectItem(page, ui::Notify::Yes);
  }
}

void InstallWnd::LaunchClientAndQuit() {
  ShowNativeWindow(false, false);
  // Whether the client started or not, the wizard ends: a client that cannot be started has no
  // message of its own.
  const LaunchOutcome launched = LaunchClient(folder_.installDir(), product::kLauncherName);
  ActiveRunLog().Printf(
      "finish button: the client %s",
      launched == LaunchOutcome::kStarted || launched == LaunchOutcome::kStartedByFallback
          ? "started"
          : "could NOT be started");
  Quit();
}

void InstallWnd::Quit() {
  RequestClose(1);
  ::PostQuitMessage(0);
}

ui::Control* InstallWnd::FindControl(const wchar_t* name) const {
  return GetPaintManager().FindControlByName(name);
}

void InstallWnd::SetControlText(const wchar_t* name, const std::wstring& text) {
  if (ui::Control* control = FindControl(name))
    control->SetText(text);
}
