#include "ui/skin/skin_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "tests/support/rect_compare.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/container.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

using testing_support::TestSkinWindow;

class SkinWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { SetProgramModule(::GetModuleHandleW(nullptr)); }

  void SetUp() override {
    ASSERT_NE(nullptr, window_.Create());
    window_.Paint();
    ASSERT_EQ(1, window_.Count(L"windowinit"));
  }
  void TearDown() override {
    if (window_.NativeWindow())
      ::DestroyWindow(window_.NativeWindow());
  }

  LRESULT HitTest(POINT client) {
    ::ClientToScreen(window_.NativeWindow(), &client);
    return ::SendMessageW(window_.NativeWindow(), WM_NCHITTEST, 0,
                          MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
  }

  TestSkinWindow window_;
};

TEST_F(SkinWindowTest, BuildsTheInstallerSkinIntoAFramelessWindow) {
  HWND window = window_.NativeWindow();
  RECT client, bounds;
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &bounds);
  EXPECT_EQ(600, client.right);
  EXPECT_EQ(400, client.bottom);
  EXPECT_EQ(600, bounds.right - bounds.left) << "the whole window is client area";
  EXPECT_EQ(0, ::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(1, window_.skinReadyCount);
  EXPECT_NE(nullptr, window_.Find(L"btn_close"));
  EXPECT_EQ(600, window_.GetPaintManager().GetRoot()->GetRect().right);

  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  const POINT centred = CenteredWindowPosition(600, 400, monitor.rcWork, monitor.rcWork);
  EXPECT_EQ(centred.x, bounds.left);
  EXPECT_EQ(centred.y, bounds.top);
}

TEST_F(SkinWindowTest, CaptionDragsOnlyOverTheBackgroundOfTheTop220Pixels) {
  const RECT minimize = window_.Find(L"btn_min")->GetRect();
  const RECT close = window_.Find(L"btn_close")->GetRect();
  const RECT install = window_.Find(L"btn_install")->GetRect();
  ASSERT_LT(install.top, 219) << "the install button reaches into the caption strip";
  struct Case {
    const char* description;
    POINT point;
    LRESULT expected;
  };
  const Case kCases[] = {
      {"background", {300, 100}, HTCAPTION},
      {"last caption row", {100, 219}, HTCAPTION},
      {"first row below the caption", {100, 220}, HTCLIENT},
      {"logo", {60, 30}, HTCAPTION},
      {"btn_min", CenterOf(minimize), HTCLIENT},
      {"btn_close", CenterOf(close), HTCLIENT},
      {"install button inside the strip", {install.left + 5, install.top + 2}, HTCLIENT},
      {"top-left corner: no resize border", {0, 0}, HTCAPTION},
      {"bottom-right corner: no resize border", {599, 399}, HTCLIENT},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.expected, HitTest(c.point));
  }
}

TEST(SkinWindowHitTestTest, ResizeBordersComeFirstExceptWhenMaximised) {
  PaintManager manager;
  auto* root = new Container;
  auto* button = new Button;
  root->Add(button);
  manager.AttachRoot(root);
  manager.RunLayoutPass({0, 0, 100, 100});
  button->SetRect({40, 40, 60, 60}, false);
  manager.SetWindowAttribute(L"sizebox", L"4,4,4,4");
  manager.SetWindowAttribute(L"caption", L"0,0,0,30");
  const RECT client = {0, 0, 100, 100};
  struct Case {
    POINT point;
    bool maximized;
    LRESULT expected;
  };
  const Case kCases[] = {
      {{1, 1}, false, HTTOPLEFT},  {{50, 1}, false, HTTOP},          {{98, 1}, false, HTTOPRIGHT},
      {{1, 50}, false, HTLEFT},    {{98, 50}, false, HTRIGHT},       {{1, 98}, false, HTBOTTOMLEFT},
      {{50, 98}, false, HTBOTTOM}, {{98, 98}, false, HTBOTTOMRIGHT}, {{20, 10}, false, HTCAPTION},
      {{1, 1}, true, HTCAPTION},   {{50, 50}, false, HTCLIENT},
  };
  button->SetRect({40, 5, 60, 25}, false);
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << c.point.x << "," << c.point.y << " maximised " << c.maximized);
    EXPECT_EQ(c.expected, SkinWindowHitTest(manager, c.point, client, c.maximized));
  }
  EXPECT_EQ(HTCLIENT, SkinWindowHitTest(manager, {50, 10}, client, false)) << "on the button";
}

TEST_F(SkinWindowTest, EscapeRequestsTheCloseWithCode1AndStillReachesTheWindow) {
  ::PostMessageW(window_.NativeWindow(), WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(window_.NativeWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !window_.closeCodes.empty(); }));
  PumpPending();
  EXPECT_EQ((std::vector<WPARAM>{1}), window_.closeCodes) << "Return closes nothing";
  EXPECT_EQ((std::vector<WPARAM>{VK_RETURN, VK_ESCAPE}), window_.keysDown);
}

// The installer's skin in a window that closes as the installer's does: the close goes on to
// the manager and the system, which destroys the window.
class ClosingSkinWindow : public TestSkinWindow {
 public:
  LRESULT HandleClose(UINT, WPARAM wParam, LPARAM, bool& handled) override {
    closeCodes.push_back(wParam);
    handled = false;
    return 0;
  }
};

// Fault: closing sent the held button its release, and a button released inside itself clicks:
// holding the install button and pressing Escape or Alt+F4 started the install.
TEST(SkinWindowCloseTest, ClosingWhileTheInstallButtonIsHeldClicksNothing) {
  SetProgramModule(::GetModuleHandleW(nullptr));
  struct Case {
    const char* description;
    void (*close)(HWND window);
  };
  const Case kCases[] = {
      {"Escape", [](HWND window) { ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"the close command (Alt+F4)",
       [](HWND window) { ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    ClosingSkinWindow window;
    HWND native = window.Create();
    ASSERT_NE(nullptr, native);
    window.Paint();
    Control* install = window.Find(L"btn_install");
    ASSERT_NE(nullptr, install);
    ASSERT_TRUE(install->IsVisible());
    const POINT point = CenterOf(install->GetRect());
    const LPARAM where = MAKELPARAM(point.x, point.y);
    ::SendMessageW(native, WM_MOUSEMOVE, 0, where);
    ::SendMessageW(native, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ASSERT_EQ(native, ::GetCapture()) << "the button is held";

    c.close(native);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(native); }));
    EXPECT_TRUE(window.clicks.empty());
    EXPECT_EQ(1u, window.closeCodes.size());
    EXPECT_EQ(nullptr, ::GetCapture());
    const std::vector<PaintManager*> attached = PaintManager::AttachedManagers();
    EXPECT_EQ(nullptr, window.GetPaintManager().PaintWindow()) << "the manager let go of it";
    EXPECT_EQ(attached.end(),
              std::find(attached.begin(), attached.end(), &window.GetPaintManager()));
  }
}

// WM_DPICHANGED as the system sends it when the window moves to a monitor of another scale: the
// new DPI in both halves of wParam and the suggested window rectangle in lParam.
void SendDpiChanged(HWND window, int dpi, int width, int height) {
  RECT bounds;
  ::GetWindowRect(window, &bounds);
  RECT suggested = {bounds.left, bounds.top, bounds.left + width, bounds.top + height};
  ::SendMessageW(window, 0x02E0, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST_F(SkinWindowTest, AMoveToAMonitorOfTwiceTheScaleDoublesTheWizard) {
  HWND window = window_.NativeWindow();
  PaintManager& manager = window_.GetPaintManager();
  const wchar_t* const kNames[] = {L"btn_install", L"ckbox_agree",    L"btn_agreement",
                                   L"edit_dir",    L"btn_select_dir", L"btn_close"};
  std::vector<RECT> atBase;
  for (const wchar_t* name : kNames)
    atBase.push_back(window_.Find(name)->GetRect());
  const int fontHeight = manager.GetFontInfo(0).metrics.tmHeight;

  SendDpiChanged(window, 192, 1200, 800);
  window_.Paint();
  RECT bounds;
  ::GetWindowRect(window, &bounds);
  EXPECT_EQ(1200, bounds.right - bounds.left) << "the suggested rectangle is taken";
  EXPECT_EQ(800, bounds.bottom - bounds.top);
  EXPECT_EQ((RECT{0, 0, 1200, 800}), manager.GetRoot()->GetRect());
  for (size_t i = 0; i < atBase.size(); ++i) {
    SCOPED_TRACE(i);
    const RECT& r = atBase[i];
    EXPECT_EQ((RECT{2 * r.left, 2 * r.top, 2 * r.right, 2 * r.bottom}),
              window_.Find(kNames[i])->GetRect());
  }
  EXPECT_NEAR(2 * fontHeight, manager.GetFontInfo(0).metrics.tmHeight, 2) << "fonts follow";
  EXPECT_EQ(HTCAPTION, HitTest({100, 439})) << "the caption strip is 440 pixels high now";
  EXPECT_EQ(HTCLIENT, HitTest({100, 440}));
  EXPECT_EQ(1, window_.Count(L"windowinit"));

  // Back at 100 %, every control is where it started.
  SendDpiChanged(window, 96, 600, 400);
  window_.Paint();
  for (size_t i = 0; i < atBase.size(); ++i)
    EXPECT_EQ(atBase[i], window_.Find(kNames[i])->GetRect());
  EXPECT_EQ(fontHeight, manager.GetFontInfo(0).metrics.tmHeight);
}

TEST_F(SkinWindowTest, SystemMenuCloseSendsCloseWithCode0) {
  ::SendMessageW(window_.NativeWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ((std::vector<WPARAM>{0}), window_.closeCodes);
}

TEST_F(SkinWindowTest, ResizeLaysOutAgainButWindowInitStaysSingle) {
  ::SetWindowPos(window_.NativeWindow(), nullptr, 0, 0, 500, 300,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  window_.Paint();
  EXPECT_EQ(500, window_.GetPaintManager().GetRoot()->GetRect().right);
  EXPECT_EQ(300, window_.GetPaintManager().GetRoot()->GetRect().bottom);
  ::InvalidateRect(window_.NativeWindow(), nullptr, FALSE);
  window_.Paint();
  EXPECT_EQ(1, window_.Count(L"windowinit"));
}

// Real input through the system's input queue: hover, press and release on the buttons.
class SkinWindowInputTest : public SkinWindowTest {
 protected:
  void SetUp() override {
    SkinWindowTest::SetUp();
    ::SetForegroundWindow(window_.NativeWindow());
    ::SetActiveWindow(window_.NativeWindow());
    PumpUntil([&] { return ::GetActiveWindow() == window_.NativeWindow(); }, 1000);
  }

  // Moves the pointer to a client point of the window, as a mouse would.
  void MoveTo(POINT client) {
    ::ClientToScreen(window_.NativeWindow(), &client);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (client.x * 65536 + width / 2) / width;
    input.mi.dy = (client.y * 65536 + height / 2) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ASSERT_EQ(1u, ::SendInput(1, &input, sizeof(input)));
  }
  void Button(DWORD flag) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    ASSERT_EQ(1u, ::SendInput(1, &input, sizeof(input)));
  }

  uint32_t StateOf(const wchar_t* name) {
    return static_cast<ui::Button*>(window_.Find(name))->GetButtonState();
  }
};

TEST_F(SkinWindowInputTest, HoverPressAndReleaseClickTheButtonUnderThePointer) {
  const RECT close = window_.Find(L"btn_close")->GetRect();
  const RECT install = window_.Find(L"btn_install")->GetRect();

  MoveTo(CenterOf(close));
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_close") & StateHot) != 0; }));

  MoveTo(CenterOf(install));
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_install") & StateHot) != 0; }));
  EXPECT_EQ(0u, StateOf(L"btn_close") & StateHot) << "the close button was left";

  Button(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_install") & StatePushed) != 0; }));
  EXPECT_EQ(window_.NativeWindow(), ::GetCapture());
  Button(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return !window_.clicks.empty(); }));
  EXPECT_EQ((std::vector<std::wstring>{L"btn_install"}), window_.clicks);
  EXPECT_EQ(nullptr, ::GetCapture());
}

TEST_F(SkinWindowInputTest, ReleaseOutsideTheWindowUnpushesWithoutAClick) {
  const RECT close = window_.Find(L"btn_close")->GetRect();
  MoveTo(CenterOf(close));
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_close") & StateHot) != 0; }));
  Button(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_close") & StatePushed) != 0; }));
  MoveTo({700, 450});
  Button(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return (StateOf(L"btn_close") & StatePushed) == 0; }));
  EXPECT_TRUE(window_.clicks.empty());
}

// A window from markup text, with the system buttons of the window base's message map.
TEST(SkinWindowMarkupTest, SystemButtonsAndRoundCorners) {
  SetProgramModule(::GetModuleHandleW(nullptr));
  TestSkinWindow window(
      L"<Window size=\"300,200\" roundcorner=\"6,6\" mininfo=\"200,150\">"
      L"<HorizontalLayout><Button name=\"maxbtn\"/><Button name=\"restorebtn\" visible=\"false\"/>"
      L"<Button name=\"closebtn\"/></HorizontalLayout></Window>");
  ASSERT_NE(nullptr, window.Create());
  HWND native = window.NativeWindow();
  window.Paint();

  ::SetWindowPos(native, nullptr, 0, 0, 310, 210, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(ERROR, ::GetWindowRgn(native, region)) << "the size change set a round region";
  ::DeleteObject(region);

  MINMAXINFO limits = {};
  ::SendMessageW(native, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(native, MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ(monitor.rcWork.right - monitor.rcWork.left, limits.ptMaxTrackSize.x);
  EXPECT_EQ(monitor.rcWork.bottom - monitor.rcWork.top, limits.ptMaxTrackSize.y);
  EXPECT_EQ(200, limits.ptMinTrackSize.x);
  EXPECT_EQ(150, limits.ptMinTrackSize.y);

  Control* maximize = window.Find(L"maxbtn");
  Control* restore = window.Find(L"restorebtn");
  ::SendMessageW(native, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(::IsZoomed(native));
  EXPECT_FALSE(maximize->IsVisible());
  EXPECT_TRUE(restore->IsVisible());
  ::SendMessageW(native, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_FALSE(::IsZoomed(native));
  EXPECT_TRUE(maximize->IsVisible());
  EXPECT_FALSE(restore->IsVisible());

  // "closebtn" clicks go through the message map to the close request with code 1.
  window.GetPaintManager().SendNotification(window.Find(L"closebtn"), L"click");
  ASSERT_TRUE(PumpUntil([&] { return !window.closeCodes.empty(); }));
  EXPECT_EQ((std::vector<WPARAM>{1}), window.closeCodes);
  ::DestroyWindow(native);
}

TEST(SkinWindowMarkupTest, MissingSkinPackageLeavesTheWindowEmpty) {
  SetProgramModule(::GetModuleHandleW(nullptr));
  TestSkinWindow window(L"", L"999");
  ASSERT_NE(nullptr, window.Create());
  EXPECT_EQ(nullptr, window.GetPaintManager().GetRoot());
  EXPECT_EQ(0, window.skinReadyCount);
  ::DestroyWindow(window.NativeWindow());
}

}  // namespace
}  // namespace ui

namespace ui {
namespace {

// Finds the fatal message box of another process by its caption.
struct FatalBox {
  static BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* self = reinterpret_cast<FatalBox*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    wchar_t caption[16] = {};
    ::GetWindowTextW(window, caption, 16);
    if (process == self->processId && std::wstring(caption) == L"错误") {
      self->box = window;
      return FALSE;
    }
    return TRUE;
  }
  DWORD processId = 0;
  HWND box = nullptr;
};

// A window that cannot be built ends the process with the fatal message and exit code 1.
// Fault: an exception while the window was built left it empty, and the installer ran on with a
// blank window.
TEST(SkinWindowFatalTest, WindowThatCannotBeBuiltShowsTheMessageAndExitsWith1) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring helper = path;
  helper = helper.substr(0, helper.find_last_of(L"\\/") + 1) + L"skin_window_fatal_helper.exe";
  struct Case {
    const char* description;
    const wchar_t* argument;
  };
  const Case kCases[] = {{"a skin that cannot be built", L""},
                         {"an exception while the window is built", L" throw"}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    std::wstring commandLine = L"\"" + helper + L"\"" + c.argument;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &startup, &process))
        << ::GetLastError();
    base::ScopedHandle processHandle(process.hProcess);
    base::ScopedHandle threadHandle(process.hThread);

    FatalBox found;
    found.processId = process.dwProcessId;
    const bool shown = PumpUntil(
        [&] {
          ::EnumWindows(FatalBox::Visit, reinterpret_cast<LPARAM>(&found));
          return found.box != nullptr;
        },
        20000);
    ASSERT_TRUE(shown) << "no message box captioned 错误";
    wchar_t text[64] = {};
    ::GetDlgItemTextW(found.box, 0xFFFF, text, 64);
    EXPECT_STREQ(L"加载资源文件失败", text);
    ::PostMessageW(found.box, WM_COMMAND, IDOK, 0);

    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.hProcess, 20000));
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(1u, exitCode);
  }
}

}  // namespace
}  // namespace ui
