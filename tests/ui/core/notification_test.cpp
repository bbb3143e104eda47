#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/container.h"
#include "ui/core/notify_pump.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

Control* Named(const wchar_t* name) {
  auto* control = new Control;
  control->SetName(name);
  return control;
}

// A window class with its own message map over a base class with another.
class BasePump : public NotifyPump {
 public:
  const NotifyMessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const NotifyMessageMap kMessageMap;

  void OnBaseValueChanged(Notification&) { calls.push_back(L"base valuechanged"); }
  void OnBaseClick(Notification&) { calls.push_back(L"base click"); }

  std::vector<std::wstring> calls;
};

class WindowPump : public BasePump {
 public:
  const NotifyMessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const NotifyMessageMap kMessageMap;

  void OnAnyClick(Notification&) { calls.push_back(L"any click"); }
  void OnLaterAnyClick(Notification&) { calls.push_back(L"later any click"); }
  void OnCloseClick(Notification&) { calls.push_back(L"close click"); }
  void OnTimer(uint32_t wParam, int32_t lParam) {
    calls.push_back(L"timer " + std::to_wstring(wParam) + L"," + std::to_wstring(lParam));
  }
};

const NotifyMapEntry kBaseEntries[] = {
    OnNotify(L"valuechanged", L"", &BasePump::OnBaseValueChanged),
    OnNotify(L"click", L"", &BasePump::OnBaseClick),
    NotifyMapEnd(),
};
const NotifyMessageMap BasePump::kMessageMap = {&NotifyPump::kMessageMap, kBaseEntries};

const NotifyMapEntry kWindowEntries[] = {
    OnNotify(L"click", L"", &WindowPump::OnAnyClick),
    OnNotify(L"click", L"btn_close", &WindowPump::OnCloseClick),
    OnNotify(L"click", L"", &WindowPump::OnLaterAnyClick),
    OnNotifyParams(L"timer", L"", &WindowPump::OnTimer),
    NotifyMapEnd(),
};
const NotifyMessageMap WindowPump::kMessageMap = {&BasePump::kMessageMap, kWindowEntries};

TEST(NotifyPumpTest, MessageMapsChooseTheHandler) {
  Control* close = Named(L"btn_close");
  Control* other = Named(L"btn_other");
  struct Case {
    const wchar_t* type;
    Control* sender;
    const wchar_t* expected;  // null: not dispatched
  };
  const Case kCases[] = {
      {L"click", close, L"close click"},               // the named entry wins although listed later
      {L"click", other, L"later any click"},           // otherwise the last entry for any control
      {L"click", nullptr, L"later any click"},         // a sender destroyed meanwhile has no name
      {L"valuechanged", other, L"base valuechanged"},  // the base class's map next
      {L"timer", other, L"timer 7,-3"},                // kind 1 gets wParam and lParam
      {L"Click", close, nullptr},                      // types compare exactly
      {L"selectchanged", other, nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.type);
    WindowPump pump;
    Notification notification;
    notification.type = c.type;
    notification.sender = c.sender;
    notification.wParam = 7;
    notification.lParam = -3;
    EXPECT_EQ(c.expected != nullptr, pump.PumpNotification(notification));
    if (c.expected)
      EXPECT_EQ((std::vector<std::wstring>{c.expected}), pump.calls);
    else
      EXPECT_TRUE(pump.calls.empty());
  }
  close->Destroy();
  other->Destroy();
}

TEST(NotifyPumpTest, VirtualWindowGoesToItsOwnPumpFirst) {
  WindowPump window;
  BasePump page;
  ASSERT_TRUE(window.AddVirtualWindow(L"Page", &page));
  EXPECT_FALSE(window.AddVirtualWindow(L"", &page));
  Notification notification;
  notification.type = L"click";
  notification.virtualWindow = L"page";
  EXPECT_TRUE(window.PumpNotification(notification));
  EXPECT_EQ((std::vector<std::wstring>{L"base click"}), page.calls);
  EXPECT_TRUE(window.calls.empty());

  // What the virtual window's pump does not take falls back to the window's own maps.
  notification.type = L"timer";
  EXPECT_TRUE(window.PumpNotification(notification));
  EXPECT_EQ(1u, window.calls.size());
}

// Notifications through a manager that serves a real window, as controls send them.
class NotificationQueueTest : public testing::Test, public INotifyListener {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, window_);
    // The static control's procedure is replaced by one that hands messages to the manager.
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&manager_));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ManagedProc));
    manager_.AttachWindow(window_);
    root_ = new Container;
    sender_ = Named(L"bar");
    root_->Add(sender_);
    manager_.AttachRoot(root_);
    manager_.AddListener(this);
  }
  void TearDown() override {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }

  static LRESULT CALLBACK ManagedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* manager = reinterpret_cast<PaintManager*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (manager && manager->HandleWindowMessage(message, wParam, lParam, result))
      return result;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  void ReceiveNotification(Notification& notification) override {
    received.push_back(notification.type + L" " + std::to_wstring(notification.wParam));
  }

  HWND window_ = nullptr;
  PaintManager manager_;
  Container* root_ = nullptr;
  Control* sender_ = nullptr;
  std::vector<std::wstring> received;
};

TEST_F(NotificationQueueTest, QueuedNotificationsWithoutRepeatCollapse) {
  manager_.SendNotification(sender_, L"scroll", 1, 0, Dispatch::Queued, Repeats::Merged);
  manager_.SendNotification(sender_, L"scroll", 2, 0, Dispatch::Queued, Repeats::Merged);
  manager_.SendNotification(sender_, L"other", 3, 0, Dispatch::Queued, Repeats::Merged);
  EXPECT_TRUE(received.empty()) << "asynchronous notifications wait for the queue message";
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 2; }));
  PumpPending();
  EXPECT_EQ((std::vector<std::wstring>{L"scroll 2", L"other 3"}), received);
}

TEST_F(NotificationQueueTest, QueuedNotificationsWithRepeatAllArriveInOrder) {
  manager_.SendNotification(sender_, L"scroll", 1, 0, Dispatch::Queued, Repeats::Allowed);
  manager_.SendNotification(sender_, L"scroll", 2, 0, Dispatch::Queued, Repeats::Allowed);
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= 2; }));
  EXPECT_EQ((std::vector<std::wstring>{L"scroll 1", L"scroll 2"}), received);
}

TEST_F(NotificationQueueTest, ListenerAddedTwiceHearsTwice) {
  manager_.AddListener(this);
  manager_.SendNotification(sender_, L"click");
  EXPECT_EQ((std::vector<std::wstring>{L"click 0", L"click 0"}), received);
}

TEST_F(NotificationQueueTest, NewRootDiscardsQueuedNotifications) {
  manager_.SendNotification(sender_, L"scroll", 1, 0, Dispatch::Queued, Repeats::Merged);
  manager_.AttachRoot(new Container);
  struct DestroyWatch {
    bool OnDestroy(void*) { return destroyed = true; }
    bool destroyed = false;
  } watch;
  // The old root is destroyed from the same queue message: once it has gone, the queue ran.
  root_->destroyHooks.Add(MakeDelegate(&watch, &DestroyWatch::OnDestroy));
  ASSERT_TRUE(PumpUntil([&] { return watch.destroyed; }));
  EXPECT_TRUE(received.empty());
}

}  // namespace
}  // namespace ui
