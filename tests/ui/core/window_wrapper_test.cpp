#include "ui/core/window_wrapper.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/ui/core/window_test_support.h"

namespace ui {
namespace {

TEST(CenteredWindowPositionTest, CentresOnTheReferenceInsideTheWorkArea) {
  struct Case {
    const char* description;
    int width, height;
    RECT reference, work;
    POINT expected;
  };
  const Case kCases[] = {
      {"600 x 400 on a 1920 x 1040 work area",
       600,
       400,
       {0, 0, 1920, 1040},
       {0, 0, 1920, 1040},
       {660, 320}},
      {"odd sizes truncate toward zero",
       301,
       201,
       {0, 0, 1000, 800},
       {0, 0, 1000, 800},
       {350, 300}},
      {"on an owner near the left edge: kept inside",
       600,
       400,
       {0, 100, 200, 300},
       {0, 0, 1920, 1040},
       {0, 0}},
      {"on an owner near the bottom right: kept inside",
       600,
       400,
       {1800, 900, 1920, 1040},
       {0, 0, 1920, 1040},
       {1320, 640}},
      {"larger than the work area: the left and top edges stay visible",
       2000,
       1200,
       {0, 0, 1920, 1040},
       {0, 0, 1920, 1040},
       {0, 0}},
      {"a second monitor to the right",
       600,
       400,
       {1920, 0, 3200, 1024},
       {1920, 0, 3200, 1024},
       {2260, 312}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const POINT position = CenteredWindowPosition(c.width, c.height, c.reference, c.work);
    EXPECT_EQ(c.expected.x, position.x);
    EXPECT_EQ(c.expected.y, position.y);
  }
}

// A plain wrapped window that records what reached it.
class RecordingWindow : public WindowWrapper {
 public:
  const wchar_t* WindowClassName() const override { return L"WindowWrapperTest"; }
  LRESULT ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(message);
    if (message == WM_CLOSE) {
      closeCodes.push_back(wParam);
      return 0;
    }
    return WindowWrapper::ProcessWindowMessage(message, wParam, lParam);
  }
  void OnWindowGone(HWND window) override {
    goneWindow = window;
    handleWhenGone = NativeWindow();
    userDataWhenGone = ::GetWindowLongPtrW(window, GWLP_USERDATA);
  }

  std::vector<UINT> messages;
  std::vector<WPARAM> closeCodes;
  HWND goneWindow = nullptr;
  HWND handleWhenGone = reinterpret_cast<HWND>(1);
  LONG_PTR userDataWhenGone = -1;
};

// An edit control under a class name of its own, whose messages pass through the object.
class SuperclassedEdit : public RecordingWindow {
 public:
  const wchar_t* WindowClassName() const override { return L"WindowWrapperTestEdit"; }
  const wchar_t* SuperclassName() const override { return L"EDIT"; }
};

TEST(WindowWrapperTest, WindowCarriesItsObjectUntilItsLastMessage) {
  RecordingWindow object;
  HWND window = object.CreateNativeWindow(nullptr, L"wrapper", WS_POPUP, 0, 10, 20, 120, 80);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(window, object.NativeWindow());
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&object), ::GetWindowLongPtrW(window, GWLP_USERDATA));
  EXPECT_EQ(WM_NCCREATE, object.messages.front());

  object.RequestClose(5);
  ASSERT_TRUE(PumpUntil([&] { return !object.closeCodes.empty(); }));
  EXPECT_EQ(5u, object.closeCodes[0]);

  EXPECT_TRUE(::DestroyWindow(window));
  EXPECT_EQ(window, object.goneWindow);
  EXPECT_EQ(nullptr, object.handleWhenGone) << "the handle is cleared before OnWindowGone";
  EXPECT_EQ(0, object.userDataWhenGone);
  EXPECT_EQ(nullptr, object.NativeWindow());
}

TEST(WindowWrapperTest, ClassWithoutANameIsNotRegistered) {
  class Nameless : public WindowWrapper {};
  Nameless object;
  EXPECT_EQ(nullptr, object.CreateNativeWindow(nullptr, L"", WS_POPUP, 0));
}

TEST(WindowWrapperTest, SuperclassKeepsTheSystemClassBehaviour) {
  SuperclassedEdit edit;
  HWND window = edit.CreateNativeWindow(nullptr, L"typed", WS_POPUP, 0, 0, 0, 100, 30);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(&edit, ::GetPropW(window, L"SkinWindowObject"));
  ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"hello"));
  wchar_t text[16] = {};
  ::GetWindowTextW(window, text, 16);
  EXPECT_STREQ(L"hello", text) << "the edit class's own procedure stored the text";
  EXPECT_NE(edit.messages.end(),
            std::find(edit.messages.begin(), edit.messages.end(), UINT{WM_SETTEXT}));
  ::DestroyWindow(window);
  EXPECT_EQ(nullptr, ::GetPropW(window, L"SkinWindowObject"));
  EXPECT_EQ(window, edit.goneWindow);
}

TEST(WindowWrapperTest, ObjectDestroyedBeforeItsWindowTakesTheWindowAlong) {
  HWND window = nullptr;
  {
    RecordingWindow object;
    window = object.CreateNativeWindow(nullptr, L"short-lived", WS_POPUP, 0, 0, 0, 50, 50);
    ASSERT_NE(nullptr, window);
  }
  EXPECT_FALSE(::IsWindow(window));
}

TEST(WindowWrapperTest, CenterOnMonitorCentresOnTheWorkArea) {
  RecordingWindow object;
  HWND window = object.CreateNativeWindow(nullptr, L"centred", WS_POPUP, 0, 0, 0, 600, 400);
  ASSERT_NE(nullptr, window);
  object.CenterOnMonitor();
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
  const POINT expected = CenteredWindowPosition(600, 400, monitor.rcWork, monitor.rcWork);
  RECT bounds;
  ::GetWindowRect(window, &bounds);
  EXPECT_EQ(expected.x, bounds.left);
  EXPECT_EQ(expected.y, bounds.top);
  EXPECT_EQ(600, bounds.right - bounds.left) << "centring does not resize";
  ::DestroyWindow(window);
}

// The queue that hands work from other threads to the window's thread.
class UiThreadQueueTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, object_.CreateNativeWindow(nullptr, L"queue", WS_POPUP, 0, 0, 0, 10, 10));
  }
  void TearDown() override {
    if (object_.NativeWindow())
      ::DestroyWindow(object_.NativeWindow());
  }

  RecordingWindow object_;
};

TEST_F(UiThreadQueueTest, TasksFromAWorkerRunOnTheWindowThreadInOrder) {
  std::vector<int> order;
  std::vector<DWORD> threads;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(object_.PostToUiThread([&, i] {
        order.push_back(i);
        threads.push_back(::GetCurrentThreadId());
      }));
    }
  });
  worker.join();
  EXPECT_TRUE(order.empty()) << "nothing runs before the window's thread serves its messages";
  ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
  EXPECT_EQ((std::vector<int>{0, 1, 2}), order);
  for (DWORD thread : threads)
    EXPECT_EQ(::GetCurrentThreadId(), thread);
  const size_t queueMessages =
      std::count(object_.messages.begin(), object_.messages.end(), kQueueMessage);
  EXPECT_EQ(1u, queueMessages) << "one message serves the tasks queued before it";
}

TEST_F(UiThreadQueueTest, ThrowingTaskDoesNotStopTheOthers) {
  bool after = false;
  object_.PostToUiThread([] { throw std::runtime_error("task failed"); });
  object_.PostToUiThread([&] { after = true; });
  EXPECT_TRUE(PumpUntil([&] { return after; }));
}

TEST_F(UiThreadQueueTest, TasksForAGoneWindowAreDroppedUnrun) {
  auto witness = std::make_shared<int>(0);
  bool ran = false;
  object_.PostToUiThread([&ran, witness] { ran = true; });
  std::shared_ptr<UiThreadQueue> queue = object_.UiQueue();
  ::DestroyWindow(object_.NativeWindow());
  EXPECT_EQ(1, witness.use_count()) << "the waiting task was destroyed with the window";
  EXPECT_FALSE(queue->Post([&ran] { ran = true; })) << "a worker that outlived the window";
  PumpPending();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace ui
