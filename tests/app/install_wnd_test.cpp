#include "app/install_wnd.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/install_folder.h"
#include "app/install_record.h"
#include "app/product_names.h"
#include "app/registration.h"
#include "app/shell_link.h"
#include "app/wizard_title.h"
#include "base/scoped_handle.h"
#include "engine/install_engine.h"
#include "engine/package_download.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/transfer.h"
#include "tests/app/app_test_support.h"
#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/skin_settings.h"

namespace {

namespace fs = std::filesystem;

// The left button pressed, and held, at a client point, through the window's message queue as
// the mouse would send it.
void PostPress(HWND window, POINT point) {
  const LPARAM at = MAKELPARAM(point.x, point.y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
}

// A left click at a client point, the same way.
void PostClick(HWND window, POINT point) {
  PostPress(window, point);
  ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

// Serves the thread's messages until WM_QUIT arrives or timeoutMs pass; the quit's exit code,
// or -1 without a quit.
int PumpUntilQuit(DWORD timeoutMs) {
  int exitCode = -1;
  bool quit = false;
  PumpUntil(
      [&] {
        MSG message;
        if (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
          quit = true;
          exitCode = static_cast<int>(message.wParam);
        }
        return quit;
      },
      timeoutMs);
  return exitCode;
}

// Removes whatever waits in the thread's queue, a quit left by an earlier window included.
void DiscardMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

BOOL CALLBACK FindFolderDialog(HWND window, LPARAM found) {
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if (!::IsWindowVisible(window) || std::wstring(className) != L"#32770")
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// A dialog window that the thread shows, waiting at most timeoutMs for it; null when none shows.
HWND WaitForDialogOf(DWORD threadId, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    HWND found = nullptr;
    ::EnumThreadWindows(threadId, FindFolderDialog, reinterpret_cast<LPARAM>(&found));
    if (found || ::GetTickCount64() >= deadline)
      return found;
    ::Sleep(20);
  }
}

BOOL CALLBACK FindEdit(HWND window, LPARAM found) {
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if (!::IsWindowVisible(window) || std::wstring(className) != L"Edit")
    return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The user at the folder dialog, on a thread of its own while the wizard's thread runs the
// dialog: waits for the dialog of the wizard's thread, notes how the wizard stands meanwhile and
// answers with answer(dialog).
class FolderDialogUser {
 public:
  FolderDialogUser(DWORD wizardThread,
                   HWND wizard,
                   DWORD timeoutMs,
                   std::function<void(HWND dialog)> answer) {
    thread_ = std::thread([this, wizardThread, wizard, timeoutMs, answer = std::move(answer)] {
      HWND dialog = WaitForDialogOf(wizardThread, timeoutMs);
      if (dialog) {
        owner_ = ::GetWindow(dialog, GW_OWNER);
        wizardEnabled_ = ::IsWindowEnabled(wizard) != FALSE;
        answer(dialog);
        // A dialog that the answer did not close is cancelled: the wizard's thread is inside it.
        const ULONGLONG deadline = ::GetTickCount64() + 15000;
        while (::IsWindow(dialog) && ::GetTickCount64() < deadline)
          ::Sleep(20);
        if (::IsWindow(dialog)) {
          stayedOpen_ = true;
          ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
      }
      sawDialog_ = dialog != nullptr;
      done_ = true;
    });
  }
  ~FolderDialogUser() { thread_.join(); }

  bool done() const { return done_; }
  bool sawDialog() const { return sawDialog_; }
  HWND owner() const { return owner_; }
  bool wizardEnabled() const { return wizardEnabled_; }
  // The answer left the dialog open (it was cancelled after 15 s).
  bool stayedOpen() const { return stayedOpen_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> stayedOpen_{false};
  std::atomic<bool> sawDialog_{false};
  std::atomic<HWND> owner_{nullptr};
  std::atomic<bool> wizardEnabled_{true};
  std::thread thread_;
};

// Types folder into the item dialog's name field and confirms, as the user would.
void ConfirmFolder(HWND dialog, const std::wstring& folder) {
  HWND nameField = nullptr;
  ::EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&nameField));
  if (nameField)
    ::SendMessageW(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// Presses Escape in the dialog, where the keyboard focus of its thread is.
void PressEscape(HWND dialog) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  HWND focus = dialog;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
    focus = info.hwndFocus;
  ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

// The wizard whose engine wake-ups never reach its UI thread, as when the window's message
// queue is full and posting the wake-up fails.
class LostWakeUpWizard : public InstallWnd {
 public:
  std::atomic<int> lostWakeUps{0};

 protected:
  void WakeUiThread() override { ++lostWakeUps; }
};

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  wchar_t text[2048] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return L"(missing)";
  return text;
}

// The installation the wizard makes: the default folder below Program Files, install.dat, the
// shortcuts and the uninstall entry. Each test starts and ends without it. The local update
// server serves the client release of testdata/make_wizard_release.py.
class InstallWndTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ui::SetProgramModule(::GetModuleHandleW(nullptr)); }

  void SetUp() override {
    server_ = EnvironmentValue(L"QUENBY_TEST_SERVER");
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    installDir_ = LookUpDefaultInstallFolder().installDir;
    RemoveInstallation();
    scopedEngine_.emplace(prompt_).engine().SetUpdateServer(server_);
    DiscardMessages();
  }

  void TearDown() override {
    CloseWizard();
    scopedEngine_.reset();
    RemoveInstallation();
  }

  void RemoveInstallation() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, 0);
    ::DeleteFileW(DesktopShortcutPath().c_str());
    ::DeleteFileW(StartMenuShortcutPath().c_str());
    // The stand-in launcher started by a test may still be ending and hold its file for a
    // moment: the folder is removed whole, or the next install would find files in place.
    const fs::path folder = fs::path(installDir_).parent_path();
    EXPECT_TRUE(PumpUntil(
        [&] {
          std::error_code error;
          fs::remove_all(folder, error);
          return !fs::exists(folder, error);
        },
        10000))
        << "cannot remove " << folder.string();
  }

  // Serves the release; the file whose name is given is sent with the misbehaviour prefix (for
  // example "stall/2000").
  void ServeRelease(const std::string& slowFile = {}, const std::string& misbehaviour = {}) {
    const fs::path published = fs::path(QUENBY_WIZARD_RELEASE_DIR) / L"published";
    const fs::path served(servedRoot_);
    fs::remove_all(served / L"files");
    fs::copy(published / L"files", served / L"files", fs::copy_options::recursive);
    const std::wstring manifestPath = L"checkupdate\\tarskT\\shichang\\electron\\update.xml";
    std::string manifest = ReadFileBytes((published / manifestPath).wstring());
    const std::string server = WideToAnsi(server_.c_str());
    if (!slowFile.empty()) {
      const std::string entry = "<Name>" + slowFile + "</Name><Url>@SERVER@/";
      const size_t at = manifest.find(entry);
      ASSERT_NE(std::string::npos, at) << slowFile;
      manifest.insert(at + entry.size(), "-/" + misbehaviour + "/");
    }
    for (size_t at; (at = manifest.find("@SERVER@")) != std::string::npos;)
      manifest.replace(at, 8, server);
    fs::create_directories((served / manifestPath).parent_path());
    ASSERT_TRUE(WriteFileBytes((served / manifestPath).wstring(), manifest));
  }

  // Starts the wizard as the entry point does.
  void OpenWizard(std::unique_ptr<InstallWnd> wizard = std::make_unique<InstallWnd>()) {
    wizard_ = std::move(wizard);
    ASSERT_NE(nullptr, wizard_->CreateNativeWindow(nullptr, product::kWizardTitle,
                                                   InstallWnd::kWindowStyle, 0, 0, 0, 0, 0));
    wizard_->CenterOnMonitor();
    wizard_->ShowNativeWindow(true, true);
    ::UpdateWindow(wizard_->NativeWindow());
  }

  // Waits for the install's threads before the window goes: they use the window's session.
  void CloseWizard() {
    if (!wizard_)
      return;
    if (!PumpUntil([&] { return !wizard_->InstallRunning(); }, 60000)) {
      ADD_FAILURE() << "the install did not end";
      static_cast<void>(wizard_.release());
      return;
    }
    if (HWND window = wizard_->NativeWindow())
      ::DestroyWindow(window);
    wizard_.reset();
    DiscardMessages();
  }

  ui::Control* Find(const wchar_t* name) {
    return wizard_->GetPaintManager().FindControlByName(name);
  }
  int Page() {
    auto* tabs = static_cast<ui::TabLayout*>(Find(L"wizard_setup_tab")->CastTo(L"TabLayout"));
    return tabs->GetSelectedIndex();
  }
  void Click(const wchar_t* name) {
    ui::Control* control = Find(name);
    ASSERT_NE(nullptr, control) << testing::PrintToString(std::wstring(name));
    PostClick(wizard_->NativeWindow(), CenterOf(control->GetRect()));
  }

  std::wstring server_, servedRoot_, installDir_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  std::unique_ptr<InstallWnd> wizard_;
};

TEST_F(InstallWndTest, OpensOnTheConfigurationPageWithTheDefaultFolder) {
  OpenWizard();
  HWND window = wizard_->NativeWindow();
  EXPECT_EQ(window, ::FindWindowW(L"Install_Wnd", product::kWizardTitle));
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(600, client.right);
  EXPECT_EQ(400, client.bottom);
  EXPECT_EQ(InstallWnd::kConfigurationPage, Page());

  // The shell's known-folder interface, not the lookup the wizard makes.
  const std::wstring expected = KnownFolderPath(FOLDERID_ProgramFiles) + L"\\Cobalind\\velmora";
  EXPECT_EQ(expected, wizard_->installDir());

  // A skin without the field would leave the user no sight of the folder.
  ui::Control* field = Find(L"edit_dir");
  ASSERT_NE(nullptr, field) << "the folder field is missing";
  EXPECT_EQ(L"  默认目录：" + expected, field->GetText());
  EXPECT_FALSE(field->IsEnabled());
}

TEST_F(InstallWndTest, AgreementCheckBoxHidesAndShowsTheInstallButton) {
  OpenWizard();
  auto* agreement = static_cast<ui::CheckBox*>(Find(L"ckbox_agree")->CastTo(L"CheckBox"));
  ASSERT_NE(nullptr, agreement);
  ui::Control* install = Find(L"btn_install");
  ASSERT_TRUE(agreement->IsChecked()) << "the skin starts it ticked";
  ASSERT_TRUE(install->IsVisible());

  // Each click changes the selection once, although the window and its manager both see it.
  Click(L"ckbox_agree");
  ASSERT_TRUE(PumpUntil([&] { return !agreement->IsChecked(); }));
  EXPECT_FALSE(install->IsVisible());
  Click(L"ckbox_agree");
  ASSERT_TRUE(PumpUntil([&] { return agreement->IsChecked(); }));
  EXPECT_TRUE(install->IsVisible());

  // The check box itself starts nothing: the wizard stays on its first page.
  EXPECT_EQ(InstallWnd::kConfigurationPage, Page());
  EXPECT_FALSE(wizard_->InstallRunning());
}

TEST_F(InstallWndTest, CloseButtonAndEscapeEndTheMessageLoopAndMinimiseMinimises) {
  OpenWizard();
  Click(L"btn_min");
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(wizard_->NativeWindow()) != FALSE; }));
  ::ShowWindow(wizard_->NativeWindow(), SW_RESTORE);

  Click(L"btn_close");
  EXPECT_EQ(0, PumpUntilQuit(5000));
  EXPECT_TRUE(PumpUntil([&] { return wizard_->NativeWindow() == nullptr; }))
      << "the close request destroys the window";

  OpenWizard();
  ::PostMessageW(wizard_->NativeWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(0, PumpUntilQuit(5000));
}

// Offering a message to the manager before the window base, which offers it again, ran every
// message the manager leaves unhandled twice: keys, characters and timers reached the controls
// twice.
TEST_F(InstallWndTest, EachMessageReachesThePaintManagerOnce) {
  class CountingFilter : public ui::IMessageFilter {
   public:
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) override {
      if (message == WM_KEYDOWN && wParam == VK_F5)
        ++keysSeen;
      return 0;
    }
    int keysSeen = 0;
  } filter;
  OpenWizard();
  ui::PaintManager& manager = wizard_->GetPaintManager();
  ASSERT_TRUE(manager.AddFilter(&filter));
  ::SendMessageW(wizard_->NativeWindow(), WM_KEYDOWN, VK_F5, 0);
  manager.RemoveFilter(&filter);
  EXPECT_EQ(1, filter.keysSeen);
}

TEST_F(InstallWndTest, InstallRunsToTheFinishPageAndTheFinishButtonStartsTheClient) {
  ServeRelease();
  OpenWizard();
  const RECT installButton = Find(L"btn_install")->GetRect();

  Click(L"btn_install");
  ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kInstallingPage; }));
  ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kFinishPage; }, 60000))
      << "no finish page in 60 s";

  // The last report of the run is on the installing page under the finish page.
  auto* bar = static_cast<ui::Progress*>(Find(L"slr_progress")->CastTo(L"Progress"));
  EXPECT_EQ(100, bar->GetValue());
  EXPECT_EQ(L"100%", Find(L"progress_pos")->GetText());
  EXPECT_EQ(L"安装目录：" + installDir_ + L"\\tarsklogin.exe", Find(L"progress_file")->GetText());
  const std::wstring tip = Find(L"progress_tip")->GetText();
  EXPECT_EQ(0u, tip.find(L"软件大小:")) << testing::PrintToString(tip);
  EXPECT_NE(std::wstring::npos, tip.find(L",已下载:")) << testing::PrintToString(tip);

  // The release, install.dat, the shortcuts and the uninstall entry.
  const std::wstring release = std::wstring(QUENBY_WIZARD_RELEASE_DIR) + L"\\release\\";
  for (const wchar_t* file : {L"tarsklogin.exe", L"QuenbyClient.dll", L"res\\skin.dat"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(file)));
    EXPECT_EQ(ReadFileBytes(release + file), ReadFileBytes(installDir_ + L"\\" + file));
  }
  EXPECT_EQ(std::string(InstallRecordResource(::GetModuleHandleW(nullptr))),
            ReadFileBytes(installDir_ + L"\\install.dat"));
  const std::wstring launcher = installDir_ + L"\\tarsklogin.exe";
  for (const std::wstring& link : {DesktopShortcutPath(), StartMenuShortcutPath()}) {
    SCOPED_TRACE(testing::PrintToString(link));
    const ShellLinkContents shortcut = ReadShellLink(link);
    ASSERT_TRUE(shortcut.loaded);
    EXPECT_EQ(launcher, shortcut.target);
    EXPECT_EQ(installDir_, shortcut.workingFolder);
  }
  {
    const base::ScopedRegKey entry = OpenUninstallEntry();
    ASSERT_TRUE(entry.IsValid());
    EXPECT_EQ(launcher, RegistryText(entry.Get(), L"DisplayIcon"));
    EXPECT_EQ(L"Quenby", RegistryText(entry.Get(), L"DisplayName"));
    EXPECT_EQ(installDir_, RegistryText(entry.Get(), L"InstallLocation"));
    EXPECT_EQ(L"Orvane", RegistryText(entry.Get(), L"Publisher"));
    EXPECT_EQ(installDir_ + L"\\Uninstall.exe", RegistryText(entry.Get(), L"UninstallString"));
  }

  // The finish button sits where the install button was, once the finish page is laid out.
  ::UpdateWindow(wizard_->NativeWindow());
  const RECT finishButton = Find(L"btn_exec")->GetRect();
  EXPECT_TRUE(::EqualRect(&installButton, &finishButton));
  Click(L"btn_exec");
  EXPECT_EQ(0, PumpUntilQuit(10000));
  LaunchRecord record;
  ASSERT_TRUE(ReadLaunchRecord(installDir_, record));
  EXPECT_EQ(installDir_, record.currentFolder);
}

// Fault: closing handed the held button its release, which clicked it: holding install and
// pressing Escape or Alt+F4 created the folder and started the install before the process
// ended, and the finish button held that way started the client.
TEST_F(InstallWndTest, ClosingWhileAButtonIsHeldClicksNothing) {
  struct Case {
    const char* description;
    bool onFinishPage;
    UINT message;
    WPARAM wParam;
  };
  const Case kCases[] = {
      {"install held, Escape", false, WM_KEYDOWN, VK_ESCAPE},
      {"install held, Alt+F4", false, WM_SYSCOMMAND, SC_CLOSE},
      {"finish held, Escape", true, WM_KEYDOWN, VK_ESCAPE},
  };
  ServeRelease();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    OpenWizard();
    if (c.onFinishPage) {
      Click(L"btn_install");
      ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kFinishPage; }, 60000));
      ::UpdateWindow(wizard_->NativeWindow());
    }
    HWND window = wizard_->NativeWindow();
    PostPress(window, CenterOf(Find(c.onFinishPage ? L"btn_exec" : L"btn_install")->GetRect()));
    ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == window; })) << "the button is held";

    ::PostMessageW(window, c.message, c.wParam, 0);
    EXPECT_EQ(0, PumpUntilQuit(5000));
    EXPECT_FALSE(wizard_->InstallRunning());
    if (c.onFinishPage) {
      // A started launcher writes its record within a second or two.
      EXPECT_FALSE(WaitForFile(installDir_ + L"\\tarsklogin.started.txt", 5000))
          << "the client was started";
    } else {
      EXPECT_EQ(InstallWnd::kConfigurationPage, Page());
      EXPECT_FALSE(fs::exists(fs::path(installDir_).parent_path())) << "the folder was created";
    }
    CloseWizard();
    RemoveInstallation();
  }
}

TEST_F(InstallWndTest, BrowseButtonSetsTheFolderAndTheInstallKeepsIt) {
  ServeRelease();
  OpenWizard();
  TempFolder parent;
  const std::wstring chosen = parent / L"Games";
  ASSERT_TRUE(::CreateDirectoryW(chosen.c_str(), nullptr));
  HWND wizard = wizard_->NativeWindow();
  const DWORD uiThread = ::GetCurrentThreadId();
  {
    FolderDialogUser user(uiThread, wizard, 30000,
                          [&](HWND dialog) { ConfirmFolder(dialog, chosen); });
    Click(L"btn_select_dir");
    ASSERT_TRUE(PumpUntil([&] { return user.done() && ::IsWindowEnabled(wizard); }, 60000));
    ASSERT_TRUE(user.sawDialog());
    EXPECT_FALSE(user.stayedOpen());
    // Modal to the wizard: neither a second dialog nor the install can start meanwhile.
    EXPECT_EQ(wizard, user.owner());
    EXPECT_FALSE(user.wizardEnabled()) << "the wizard stays usable while its dialog is open";
  }
  EXPECT_EQ(chosen + L"\\velmora", wizard_->installDir());
  EXPECT_EQ(chosen, Find(L"edit_dir")->GetText());

  const RECT browseButton = Find(L"btn_select_dir")->GetRect();
  Click(L"btn_install");
  ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kInstallingPage; }));
  {
    // Once the install has started, neither a click where the browse button was nor a click
    // notification of the hidden button opens a dialog.
    FolderDialogUser late(uiThread, wizard, 2000,
                          [&](HWND dialog) { ConfirmFolder(dialog, parent.path()); });
    PostClick(wizard, CenterOf(browseButton));
    ui::Notification click;
    click.type = L"click";
    click.sender = Find(L"btn_select_dir");
    wizard_->ReceiveNotification(click);
    ASSERT_TRUE(PumpUntil([&] { return late.done(); }, 30000));
    EXPECT_FALSE(late.sawDialog()) << "a folder dialog opened during the install";
  }
  EXPECT_EQ(chosen + L"\\velmora", wizard_->installDir());
  EXPECT_EQ(chosen, Find(L"edit_dir")->GetText());

  ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kFinishPage; }, 60000))
      << "no finish page in 60 s";
  const std::wstring installed = chosen + L"\\velmora";
  EXPECT_TRUE(FileExists(installed + L"\\tarsklogin.exe"));
  EXPECT_EQ(L"安装目录：" + installed + L"\\tarsklogin.exe", Find(L"progress_file")->GetText());
  const base::ScopedRegKey entry = OpenUninstallEntry();
  ASSERT_TRUE(entry.IsValid());
  EXPECT_EQ(installed, RegistryText(entry.Get(), L"InstallLocation"));
  // The install's threads leave before the chosen folder goes.
  EXPECT_TRUE(PumpUntil([&] { return !wizard_->InstallRunning(); }, 60000));
}

TEST_F(InstallWndTest, EscapeCancelsTheFolderDialogAndNothingChanges) {
  OpenWizard();
  HWND wizard = wizard_->NativeWindow();
  const std::wstring folder = wizard_->installDir();
  const std::wstring fieldText = Find(L"edit_dir")->GetText();
  {
    FolderDialogUser user(::GetCurrentThreadId(), wizard, 30000, PressEscape);
    Click(L"btn_select_dir");
    ASSERT_TRUE(PumpUntil([&] { return user.done() && ::IsWindowEnabled(wizard); }, 60000));
    ASSERT_TRUE(user.sawDialog());
    EXPECT_FALSE(user.stayedOpen()) << "Escape did not close the dialog";
    EXPECT_EQ(wizard, user.owner());
    EXPECT_FALSE(user.wizardEnabled());
  }
  EXPECT_EQ(folder, wizard_->installDir());
  EXPECT_EQ(fieldText, Find(L"edit_dir")->GetText());
  EXPECT_EQ(InstallWnd::kConfigurationPage, Page());
}

// Every wake-up of the UI thread is lost, as when a full message queue refuses the post: the
// install's own timer still shows the progress and the finish page.
TEST_F(InstallWndTest, LostWakeUpsStrandNeitherProgressNorTheFinish) {
  ServeRelease();
  auto lostWakeUps = std::make_unique<LostWakeUpWizard>();
  LostWakeUpWizard* wizard = lostWakeUps.get();
  OpenWizard(std::move(lostWakeUps));
  Click(L"btn_install");
  ASSERT_TRUE(PumpUntil([&] { return Page() == InstallWnd::kFinishPage; }, 60000))
      << "no finish page in 60 s";
  EXPECT_GT(wizard->lostWakeUps.load(), 0);
  EXPECT_EQ(L"100%", Find(L"progress_pos")->GetText());
  EXPECT_EQ(L"安装目录：" + installDir_ + L"\\tarsklogin.exe", Find(L"progress_file")->GetText());
}

// A transfer that stops sending fails once the stall bound has passed on every try (the bound
// shortened here). A failed run on a fresh folder once showed the finish page and registered a
// client that was not there. After the failure message the wizard now ends, and nothing is
// registered.
TEST_F(InstallWndTest, StalledDownloadFailsAfterTheStallBoundAndEndsTheWizard) {
  SetTransferStallLimit(2);
  ServeRelease("QuenbyClient.dll", "stall/2000");
  OpenWizard();
  Click(L"btn_install");
  bool finishPageShown = false;
  bool quit = false;
  int exitCode = -1;
  PumpUntil(
      [&] {
        if (wizard_->NativeWindow() && Page() == InstallWnd::kFinishPage)
          finishPageShown = true;
        MSG message;
        if (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
          quit = true;
          exitCode = static_cast<int>(message.wParam);
        }
        return quit;
      },
      60000);
  ASSERT_TRUE(quit) << "the wizard did not end in 60 s";
  EXPECT_EQ(0, exitCode);
  EXPECT_FALSE(finishPageShown);
  EXPECT_EQ(1, prompt_.asked.load()) << "the failure message shows once";
  EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.dll"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\tarsklogin.exe")) << "the run went on";
  EXPECT_FALSE(FileExists(installDir_ + L"\\install.dat"));
  EXPECT_FALSE(OpenUninstallEntry().IsValid());
}

// The installer program itself, built with the local update server, in a process of its own.
class InstallerProcessTest : public InstallWndTest {
 protected:
  void TearDown() override {
    if (process_.IsValid() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.Get(), 99);
      ::WaitForSingleObject(process_.Get(), 10000);
    }
    InstallWndTest::TearDown();
  }

  // Where the buttons are: the same skin laid out in a wizard of this process.
  void MeasureButtons() {
    OpenWizard();
    installButton_ = CenterOf(Find(L"btn_install")->GetRect());
    CloseWizard();
  }

  // Starts the installer program; its process, whose id goes to processId.
  static base::ScopedHandle StartInstallerProcess(DWORD& processId) {
    const std::wstring program = QUENBY_WIZARD_INSTALLER_PATH;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started))
      return {};
    base::ScopedHandle thread(started.hThread);
    processId = started.dwProcessId;
    return base::ScopedHandle(started.hProcess);
  }

  // Starts the installer and waits for its window.
  void StartInstaller() {
    DWORD processId = 0;
    process_ = StartInstallerProcess(processId);
    ASSERT_TRUE(process_.IsValid());
    ASSERT_TRUE(PumpUntil(
        [&] {
          // The installer program's own title: this build takes unsigned manifests.
          HWND found = ::FindWindowW(L"Install_Wnd", kBuildWizardTitle);
          DWORD owner = 0;
          if (found && ::IsWindowVisible(found) && ::GetWindowThreadProcessId(found, &owner) &&
              owner == processId)
            window_ = found;
          return window_ != nullptr;
        },
        30000))
        << "the installer shows no window";
  }

  // Clicks the install button. The window may not have laid its controls out yet (that waits
  // for its first paint, which comes after queued input): the click is repeated until the
  // install has created its folder, the first thing it does.
  bool ClickInstall() {
    DWORD lastClick = ::GetTickCount() - 1000;
    return PumpUntil(
        [&] {
          if (FileExists(installDir_))
            return true;
          if (::GetTickCount() - lastClick >= 250) {
            PostClick(window_, installButton_);
            lastClick = ::GetTickCount();
          }
          return false;
        },
        30000);
  }

  // The installer's exit code once it has ended, or -1 when it runs on after timeoutMs.
  int WaitForExit(DWORD timeoutMs) {
    DWORD exitCode = 0;
    if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process_.Get(), &exitCode))
      return -1;
    return static_cast<int>(exitCode);
  }

  base::ScopedHandle process_;
  HWND window_ = nullptr;
  POINT installButton_ = {};
};

// Two installers at once would write the same "temp.pak" and place the same files: the second
// brings the running wizard back and ends with code 0, the first runs on.
TEST_F(InstallerProcessTest, SecondInstallerBringsBackTheRunningWizardAndEndsWithCodeZero) {
  StartInstaller();
  ::ShowWindowAsync(window_, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(window_) != FALSE; }, 10000));

  DWORD secondId = 0;
  base::ScopedHandle second = StartInstallerProcess(secondId);
  ASSERT_TRUE(second.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(second.Get(), 30000))
      << "the second installer runs on";
  DWORD exitCode = 99;
  ASSERT_TRUE(::GetExitCodeProcess(second.Get(), &exitCode));
  EXPECT_EQ(0u, exitCode);

  EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(window_) && ::IsWindowVisible(window_); }, 10000))
      << "the running wizard stays minimised";
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(process_.Get(), 0))
      << "the first one ended";
  // The first one still works: Escape ends it with code 0.
  ::PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(0, WaitForExit(10000));
}

TEST_F(InstallerProcessTest, InstallsAndTheFinishButtonEndsTheInstallerWithCodeZero) {
  ServeRelease();
  MeasureButtons();
  StartInstaller();

  ASSERT_TRUE(ClickInstall());
  ASSERT_TRUE(WaitForFile(installDir_ + L"\\install.dat", 60000)) << "the install did not end";
  // The finish button takes the install button's place once the finish page shows; until then
  // a click there meets the empty top of the installing page.
  int exitCode = -1;
  for (int tries = 0; tries < 100 && exitCode == -1; ++tries) {
    PostClick(window_, installButton_);
    exitCode = WaitForExit(300);
  }
  EXPECT_EQ(0, exitCode);
  // The client writes its record once it runs, which may be after the installer has ended.
  LaunchRecord record;
  ASSERT_TRUE(ReadLaunchRecord(installDir_, record));
  EXPECT_EQ(installDir_, record.currentFolder);
  EXPECT_TRUE(OpenUninstallEntry().IsValid());
}

TEST_F(InstallerProcessTest, QuittingDuringAnInstallEndsAtOnceWithCodeZero) {
  // The first file's transfer stops after 2000 bytes and waits: the install is in progress.
  ServeRelease("QuenbyClient.dll", "stall/2000");
  MeasureButtons();
  StartInstaller();

  ASSERT_TRUE(ClickInstall());
  // The server counts the stalled file's requests: the install is under way once it has one.
  const std::string counter =
      WideToAnsi(server_.c_str()) + "/-/count/-/stall/2000/files/QuenbyClient.dll";
  ASSERT_TRUE(PumpUntil(
      [&] {
        std::string count;
        return PerformTransfer(counter, &AppendToString, &count) == 0 && count != "0";
      },
      30000))
      << "the download did not start";

  ::PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(0, WaitForExit(10000));
  EXPECT_FALSE(FileExists(installDir_ + L"\\install.dat")) << "the run did not go on";
}

}  // namespace
