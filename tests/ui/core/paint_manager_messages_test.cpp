#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/support/mouse_points.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/container.h"
#include "ui/controls/label.h"
#include "ui/core/paint_manager.h"

#include <commctrl.h>

namespace ui {
namespace {

using testing_support::EventLog;
using testing_support::ManagedWindow;
using testing_support::RecordingControl;

// A hidden window whose manager holds a root with two recording controls side by side, "a" at
// (0, 0)-(50, 50) and "b" at (50, 0)-(100, 50), and a mouse-leave listener "listener" outside
// the window's area. Messages are handed to the manager as the platform would send them.
class InputRoutingTest : public testing::Test, public INotifyListener {
 protected:
  void SetUp() override {
    window_ = std::make_unique<ManagedWindow>(&manager_);
    ASSERT_NE(nullptr, window_->Get());
    manager_.AttachWindow(window_->Get());
    root_ = new Container;
    a_ = Add(L"a", {0, 0, 50, 50});
    b_ = Add(L"b", {50, 0, 100, 50});
    listener_ = Add(L"listener", {0, 0, 0, 0});
    manager_.AttachRoot(root_);
    root_->SetRect({0, 0, 300, 200}, false);
    a_->SetRect({0, 0, 50, 50}, false);
    b_->SetRect({50, 0, 100, 50}, false);
    listener_->SetRect({0, 0, 0, 0}, false);
    manager_.AddMouseLeaveListener(listener_);
    manager_.AddListener(this);
  }

  RecordingControl* Add(const wchar_t* name, RECT, uint32_t flags = 0) {
    auto* control = new RecordingControl(&log_, flags);
    control->SetName(name);
    root_->Add(control);
    return control;
  }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(window_->Get(), message, wParam, lParam);
  }

  void ReceiveNotification(Notification& notification) override {
    notifications.push_back(notification.type + L" " +
                            (notification.sender ? notification.sender->GetName() : L"-"));
  }

  PaintManager manager_;
  std::unique_ptr<ManagedWindow> window_;
  Container* root_ = nullptr;
  RecordingControl* a_ = nullptr;
  RecordingControl* b_ = nullptr;
  RecordingControl* listener_ = nullptr;
  EventLog log_;
  std::vector<std::wstring> notifications;
};

TEST_F(InputRoutingTest, MovingToAnotherControlLeavesThenEnters) {
  Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
  log_.entries.clear();
  Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
  EXPECT_EQ((std::vector<std::wstring>{L"listener:MouseLeave", L"a:MouseLeave", L"b:MouseEnter",
                                       L"b:MouseMove"}),
            log_.entries);
  EXPECT_EQ(a_, log_.events[0].sender) << "the leave event names the control that was left";
}

TEST_F(InputRoutingTest, HeldButtonKeepsThePressedControlUntilReleasedOutside) {
  Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(10, 10));
  EXPECT_EQ(window_->Get(), ::GetCapture());
  EXPECT_TRUE(manager_.IsMouseCaptured());
  log_.entries.clear();
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(60, 10));
  EXPECT_EQ((std::vector<std::wstring>{L"a:MouseMove"}), log_.entries)
      << "b neither enters nor is left while the button is held";
  Send(WM_LBUTTONUP, 0, PointParam(-40, 500));
  EXPECT_EQ((std::vector<std::wstring>{L"a:MouseMove", L"a:ButtonUp"}), log_.entries);
  EXPECT_EQ(nullptr, ::GetCapture());
  EXPECT_FALSE(manager_.IsMouseCaptured());
}

// Takes the mouse capture away from the window, as another window that captures it would.
void CaptureElsewhere() {
  ManagedWindow other(nullptr);
  ::SetCapture(other.Get());
  ::ReleaseCapture();
}

// Fault: a press whose capture went to another window (Alt+Tab, a menu, a dialog) stayed pressed:
// hover froze, WM_SETCURSOR was swallowed, and the release elsewhere never came.
TEST_F(InputRoutingTest, LosingTheCaptureEndsThePressWithoutARelease) {
  auto* pointer = Add(L"pointer", {}, FlagSetCursor);
  manager_.RegisterControls(pointer, root_);
  pointer->SetRect({100, 0, 150, 50}, false);
  struct Case {
    const char* description;
    void (*interrupt)(HWND window);
  };
  const Case kCases[] = {
      {"another window takes the capture", [](HWND) { CaptureElsewhere(); }},
      {"the system cancels the mode",
       [](HWND window) { ::SendMessageW(window, WM_CANCELMODE, 0, 0); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(10, 10));
    ASSERT_TRUE(manager_.IsMouseCaptured());
    log_.entries.clear();

    c.interrupt(window_->Get());
    EXPECT_FALSE(manager_.IsMouseCaptured());
    EXPECT_NE(window_->Get(), ::GetCapture());
    Send(WM_LBUTTONUP, 0, PointParam(10, 10));
    EXPECT_EQ((std::vector<std::wstring>{L"a:CaptureLost"}),
              log_.Of({ControlEventKind::ButtonUp, ControlEventKind::CaptureLost}));

    // The hover follows the pointer again, and the cursor is set again.
    Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
    EXPECT_EQ((std::vector<std::wstring>{L"b:MouseEnter"}),
              log_.Of({ControlEventKind::MouseEnter}));
    POINT screen = {120, 20};
    ::ClientToScreen(window_->Get(), &screen);
    ASSERT_TRUE(::SetCursorPos(screen.x, screen.y));
    Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_->Get()),
         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ((std::vector<std::wstring>{L"pointer:SetCursor"}),
              log_.Of({ControlEventKind::SetCursor}));
    Send(WM_MOUSELEAVE, 0, 0);
  }
}

// Fault: the capture taken for a press stayed with the window when the pressed control went.
TEST_F(InputRoutingTest, CaptureGoesWithThePressedControl) {
  struct Case {
    const char* description;
    int x;
    std::function<void()> forget;
  };
  const Case kCases[] = {
      {"the pressed control is destroyed", 10,
       [this] {
         root_->SetDefersItemDeletion(false);
         root_->Remove(a_);
       }},
      {"a new root is attached", 60, [this] { manager_.AttachRoot(new Container); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(c.x, 10));
    ASSERT_EQ(window_->Get(), ::GetCapture());
    c.forget();
    EXPECT_NE(window_->Get(), ::GetCapture());
    EXPECT_FALSE(manager_.IsMouseCaptured());
  }
}

TEST_F(InputRoutingTest, ButtonDownFocusesAndSendsTheWParamAsKeyState) {
  Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, PointParam(60, 10));
  EXPECT_EQ((std::vector<std::wstring>{L"b:SetFocus", L"b:ButtonDown"}),
            log_.Of({ControlEventKind::SetFocus, ControlEventKind::ButtonDown}));
  EXPECT_EQ(b_, manager_.GetFocusControl());
  EXPECT_EQ(MK_LBUTTON | MK_SHIFT, log_.events.back().keyState);
  EXPECT_EQ(60, manager_.GetMousePos().x);
  Send(WM_LBUTTONUP, 0, PointParam(60, 10));
}

TEST_F(InputRoutingTest, LeavingTheWindowMovesTheMouseToMinusOne) {
  Send(WM_MOUSEMOVE, 0, PointParam(10, 10));
  log_.entries.clear();
  // The window is neither shown nor active: the leave is final.
  Send(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ((std::vector<std::wstring>{L"listener:MouseLeave", L"a:MouseLeave"}), log_.entries);
  EXPECT_EQ(-1, manager_.GetMousePos().x);
  EXPECT_EQ(-1, manager_.GetMousePos().y);
}

TEST_F(InputRoutingTest, WheelDirection) {
  struct Case {
    const char* description;
    short delta;
    uint32_t expected;
  };
  const Case kCases[] = {{"toward the user", -WHEEL_DELTA, 1},
                         {"away from the user", WHEEL_DELTA, 0}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    log_.entries.clear();
    log_.events.clear();
    POINT screen = {60, 10};
    ::ClientToScreen(window_->Get(), &screen);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta), PointParam(screen.x, screen.y));
    ASSERT_FALSE(log_.events.empty());
    EXPECT_EQ(L"b:ScrollWheel", log_.entries[0]);
    EXPECT_EQ(c.expected, log_.events[0].wParam);
    EXPECT_EQ(L"b:MouseMove", log_.entries.back()) << "hover follows the scrolled content";
  }
}

TEST_F(InputRoutingTest, RightButtonThenContextMenuGoToTheSameControl) {
  Send(WM_RBUTTONDOWN, MK_RBUTTON, PointParam(60, 10));
  EXPECT_NE(window_->Get(), ::GetCapture()) << "the right button does not capture";
  POINT screen = {5, 5};  // over a: the menu still goes to the pressed control
  ::ClientToScreen(window_->Get(), &screen);
  Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_->Get()), PointParam(screen.x, screen.y));
  EXPECT_EQ((std::vector<std::wstring>{L"b:RightButtonDown", L"b:ContextMenu"}),
            log_.Of({ControlEventKind::RightButtonDown, ControlEventKind::ContextMenu}));
  EXPECT_EQ(5, manager_.GetMousePos().x);
}

TEST_F(InputRoutingTest, KeysGoToTheFocusAndKeyUpToWhereTheKeyWentDown) {
  a_->SetFocus();
  Send(WM_KEYDOWN, 'X', 0);
  b_->SetFocus();
  Send(WM_CHAR, 'x', 0);
  Send(WM_KEYUP, 'X', 0);
  EXPECT_EQ((std::vector<std::wstring>{L"a:KeyDown", L"b:Char", L"a:KeyUp"}),
            log_.Of({ControlEventKind::KeyDown, ControlEventKind::Char, ControlEventKind::KeyUp}));
}

// The skin's limits replace only the values it gives; the window's default handling follows.
TEST_F(InputRoutingTest, SizeLimitsOfZeroKeepTheSystemsValues) {
  manager_.SetMinInfo(SkinSize({200, 0}));
  manager_.SetMaxInfo(SkinSize({0, 300}));
  MINMAXINFO limits = {};
  limits.ptMinTrackSize = {1, 2};
  limits.ptMaxTrackSize = {3, 4};
  LRESULT result = 0;
  EXPECT_FALSE(
      manager_.HandleWindowMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits), result));
  EXPECT_EQ(200, limits.ptMinTrackSize.x);
  EXPECT_EQ(2, limits.ptMinTrackSize.y);
  EXPECT_EQ(3, limits.ptMaxTrackSize.x);
  EXPECT_EQ(300, limits.ptMaxTrackSize.y);
  EXPECT_FALSE(manager_.HandleWindowMessage(WM_GETMINMAXINFO, 0, 0, result)) << "no record";
}

TEST_F(InputRoutingTest, FilterThatHandlesAMessageHidesItFromTheControls) {
  struct SwallowClicks : IMessageFilter {
    LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
      handled = message == WM_LBUTTONDOWN;
      return 42;
    }
  } filter;
  manager_.AddFilter(&filter);
  EXPECT_EQ(42, Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(60, 10)));
  EXPECT_TRUE(log_.entries.empty());
  EXPECT_EQ(60, manager_.GetMousePos().x) << "the point is stored all the same";
  manager_.RemoveFilter(&filter);
}

TEST_F(InputRoutingTest, NoActivateKeepsTheFocusAway) {
  manager_.SetWindowAttribute(L"noactivate", L"true");
  EXPECT_EQ(MA_NOACTIVATE, Send(WM_MOUSEACTIVATE, 0, 0));
  PaintManager otherManager;
  ManagedWindow focused(&otherManager);
  ::SetFocus(focused.Get());
  ASSERT_EQ(focused.Get(), ::GetFocus());
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(60, 10));
  EXPECT_EQ(focused.Get(), ::GetFocus());
  Send(WM_LBUTTONUP, 0, PointParam(60, 10));
  manager_.SetWindowAttribute(L"Noactivate", L"false");
  EXPECT_TRUE(manager_.IsNoActivate()) << "only the exact name switches it";
}

TEST_F(InputRoutingTest, TimerMessagesReachTheirControl) {
  ASSERT_TRUE(manager_.StartTimer(a_, 3, 10));
  ASSERT_TRUE(PumpUntil([&] { return !log_.Of({ControlEventKind::Timer}).empty(); }));
  EXPECT_EQ(3u, log_.events.back().wParam);
  manager_.StopTimers(a_);
}

TEST_F(InputRoutingTest, TabAndShiftTabThroughThePreTranslation) {
  auto* first = Add(L"first", {}, FlagTabStop);
  auto* second = Add(L"second", {}, FlagTabStop);
  manager_.RegisterControls(first, root_);
  manager_.RegisterControls(second, root_);
  // A forward move waits for a pending layout; lay out first.
  manager_.RunLayoutPass({0, 0, 300, 200});
  BYTE keys[256] = {};
  struct Case {
    const char* description;
    bool shift;
    Control* expected;
  };
  const Case kCases[] = {{"Tab from nothing", false, first},
                         {"Tab", false, second},
                         {"Tab wraps", false, first},
                         {"Shift+Tab wraps back", true, second}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    keys[VK_SHIFT] = c.shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    LRESULT result = 0;
    EXPECT_TRUE(manager_.PreTranslate(WM_KEYDOWN, VK_TAB, 0, result));
    ASSERT_NE(nullptr, manager_.GetFocusControl());
    EXPECT_EQ(c.expected->GetName(), manager_.GetFocusControl()->GetName());
  }
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  LRESULT result = 0;
  EXPECT_FALSE(manager_.PreTranslate(WM_KEYDOWN, 'A', 0, result));
}

TEST_F(InputRoutingTest, HoverShowsTheTooltipWindowAndCloseDestroysIt) {
  b_->SetToolTip(L"second<n>line");
  Send(WM_MOUSEMOVE, 0, PointParam(60, 10));
  EXPECT_EQ(0, Send(WM_MOUSEHOVER, 0, PointParam(60, 10)));
  EXPECT_EQ((std::vector<std::wstring>{L"b:MouseHover"}), log_.Of({ControlEventKind::MouseHover}));
  HWND toolTip = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
  while (toolTip && ::GetWindow(toolTip, GW_OWNER) != window_->Get())
    toolTip = ::FindWindowExW(nullptr, toolTip, TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(nullptr, toolTip) << "a tooltip window owned by the managed window";
  TOOLINFOW info = {};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  wchar_t text[32] = {};
  info.lpszText = text;
  ASSERT_TRUE(::SendMessageW(toolTip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_STREQ(L"second\r\nline", text);
  Send(WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(toolTip));
  EXPECT_EQ(L"b:MouseLeave", log_.Of({ControlEventKind::MouseLeave}).back())
      << "closing leaves the hover control";
}

TEST_F(InputRoutingTest, SetCursorGoesToAControlThatAsksForIt) {
  auto* pointer = Add(L"pointer", {}, FlagSetCursor);
  manager_.RegisterControls(pointer, root_);
  pointer->SetRect({100, 0, 150, 50}, false);
  POINT screen = {120, 20};
  ::ClientToScreen(window_->Get(), &screen);
  ASSERT_TRUE(::SetCursorPos(screen.x, screen.y));
  const LPARAM clientArea = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  EXPECT_EQ(TRUE, Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_->Get()), clientArea));
  EXPECT_EQ((std::vector<std::wstring>{L"pointer:SetCursor"}),
            log_.Of({ControlEventKind::SetCursor}));
  screen = {60, 20};  // over b, which does not ask
  ::ClientToScreen(window_->Get(), &screen);
  ::SetCursorPos(screen.x, screen.y);
  Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_->Get()), clientArea);
  EXPECT_EQ(1u, log_.Of({ControlEventKind::SetCursor}).size());
}

TEST_F(InputRoutingTest, CommandsAndNotificationsAreReflectedToTheChildWindow) {
  PaintManager childManager;
  ManagedWindow child(&childManager, WS_CHILD, window_->Get(), {0, 0, 50, 50});
  ASSERT_NE(nullptr, child.Get());
  Send(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(child.Get()));
  NMHDR header = {child.Get(), 7, NM_CLICK};
  Send(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
  const auto& seen = child.Messages();
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), UINT{0x2000 + WM_COMMAND}));
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), UINT{0x2000 + WM_NOTIFY}));
}

// Fault: closing the window sent the held button its release, which clicked it: Escape or Alt+F4
// with the mouse held on the install button started the install.
TEST(PaintManagerCloseTest, ClosingWhileAButtonIsHeldClicksNothing) {
  PaintManager manager;
  ManagedWindow window(&manager);
  manager.AttachWindow(window.Get());
  auto* root = new Container;
  auto* button = new Button;
  button->SetName(L"install");
  root->Add(button);
  manager.AttachRoot(root);
  root->SetRect({0, 0, 300, 200}, false);
  button->SetRect({10, 10, 110, 40}, false);
  struct Clicks : INotifyListener {
    void ReceiveNotification(Notification& notification) override {
      if (notification.type == L"click")
        ++count;
    }
    int count = 0;
  } clicks;
  manager.AddListener(&clicks);

  ::SendMessageW(window.Get(), WM_MOUSEMOVE, 0, PointParam(50, 20));
  ::SendMessageW(window.Get(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(50, 20));
  ASSERT_EQ(window.Get(), ::GetCapture());
  ::SendMessageW(window.Get(), WM_CLOSE, 0, 0);
  EXPECT_EQ(0, clicks.count);
  EXPECT_NE(window.Get(), ::GetCapture());
  EXPECT_FALSE(manager.IsMouseCaptured());
  ::SendMessageW(window.Get(), WM_LBUTTONUP, 0, PointParam(50, 20));
  EXPECT_EQ(0, clicks.count) << "the press ended with the close";
  manager.RemoveListener(&clicks);
}

TEST(PaintManagerShortcutTest, AltAndTheLabelShortcutActivateTheButtonBeforeIt) {
  PaintManager manager;
  ManagedWindow window(&manager);
  manager.AttachWindow(window.Get());
  auto* root = new Container;
  auto* button = new Button;
  button->SetName(L"ok");
  auto* label = new Label;
  label->SetShortcut(L'n');
  root->Add(button);
  root->Add(label);
  manager.AttachRoot(root);
  struct Clicks : INotifyListener {
    void ReceiveNotification(Notification& notification) override {
      if (notification.type == L"click")
        senders.push_back(notification.sender);
    }
    std::vector<Control*> senders;
  } clicks;
  manager.AddListener(&clicks);

  LRESULT result = 0;
  EXPECT_FALSE(manager.PreTranslate(WM_SYSCHAR, 'x', 0, result)) << "no control has x";
  EXPECT_TRUE(manager.PreTranslate(WM_SYSCHAR, 'N', 0, result));
  EXPECT_EQ(button, manager.GetFocusControl());
  EXPECT_EQ((std::vector<Control*>{button}), clicks.senders);
}

}  // namespace
}  // namespace ui
