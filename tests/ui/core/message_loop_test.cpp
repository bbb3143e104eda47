#include "ui/core/message_loop.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/ui/core/window_test_support.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::ManagedWindow;

// Writes its name into a shared list for every key-down it is offered; consumes it on request.
class NamedFilter : public IMessageFilter, public ITranslateAccelerator {
 public:
  NamedFilter(std::wstring name, std::vector<std::wstring>* seen) : name_(name), seen_(seen) {}
  LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    if (message == WM_KEYDOWN) {
      seen_->push_back(name_);
      handled = consume;
    }
    return 0;
  }
  LRESULT Translate(MSG* message) override {
    if (message->message != WM_KEYDOWN)
      return 1;
    seen_->push_back(name_ + L" accelerator");
    return translate ? 0 : 1;
  }

  bool consume = false;
  bool translate = false;

 private:
  std::wstring name_;
  std::vector<std::wstring>* seen_;
};

MSG KeyDownFor(HWND window, WPARAM key = 'A') {
  MSG message = {};
  message.hwnd = window;
  message.message = WM_KEYDOWN;
  message.wParam = key;
  return message;
}

// A top window with a child window inside, each served by a manager, and an edit window inside
// the child: the layout of a skinned window that hosts a native edit.
class TranslateWindowMessageTest : public testing::Test {
 protected:
  void SetUp() override {
    top_ = std::make_unique<ManagedWindow>(&topManager_);
    child_ =
        std::make_unique<ManagedWindow>(&childManager_, WS_CHILD, top_->Get(), RECT{0, 0, 100, 50});
    other_ = std::make_unique<ManagedWindow>(&otherManager_);
    topManager_.AttachWindow(top_->Get());
    childManager_.AttachWindow(child_->Get());
    otherManager_.AttachWindow(other_->Get());
    edit_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20, child_->Get(), nullptr,
                              nullptr, nullptr);
    ASSERT_NE(nullptr, edit_);
    topManager_.AddPreFilter(&topFilter_);
    topManager_.AddAccelerator(&topFilter_);
    childManager_.AddPreFilter(&childFilter_);
    childManager_.AddAccelerator(&childFilter_);
    otherManager_.AddPreFilter(&otherFilter_);
  }

  std::vector<std::wstring> seen_;
  NamedFilter topFilter_{L"top", &seen_};
  NamedFilter childFilter_{L"child", &seen_};
  NamedFilter otherFilter_{L"other", &seen_};
  PaintManager topManager_, childManager_, otherManager_;
  std::unique_ptr<ManagedWindow> top_, child_, other_;
  HWND edit_ = nullptr;
};

TEST_F(TranslateWindowMessageTest, ChildWindowKeyGoesToEveryAncestorManagerLastAttachedFirst) {
  MSG message = KeyDownFor(edit_);
  EXPECT_FALSE(TranslateWindowMessage(&message));
  EXPECT_EQ((std::vector<std::wstring>{L"child accelerator", L"child", L"top accelerator", L"top"}),
            seen_);
}

TEST_F(TranslateWindowMessageTest, ChildWindowKeyStillDispatchedWhenAPreFilterConsumesIt) {
  childFilter_.consume = true;
  MSG message = KeyDownFor(edit_);
  EXPECT_FALSE(TranslateWindowMessage(&message));
  EXPECT_EQ(4u, seen_.size()) << "the walk goes on to the top window's manager";
}

TEST_F(TranslateWindowMessageTest, TranslatedAcceleratorEndsTheWalk) {
  childFilter_.translate = true;
  MSG message = KeyDownFor(edit_);
  EXPECT_TRUE(TranslateWindowMessage(&message));
  EXPECT_EQ((std::vector<std::wstring>{L"child accelerator"}), seen_);
}

TEST_F(TranslateWindowMessageTest, TopLevelKeyGoesToItsOwnManagerOnly) {
  MSG message = KeyDownFor(top_->Get());
  EXPECT_FALSE(TranslateWindowMessage(&message));
  EXPECT_EQ((std::vector<std::wstring>{L"top accelerator", L"top"}), seen_);
  topFilter_.consume = true;
  EXPECT_TRUE(TranslateWindowMessage(&message));
}

TEST_F(TranslateWindowMessageTest, MessageLoopSkipsConsumedMessagesAndEndsWithTheQuitCode) {
  topFilter_.consume = true;
  ::PostMessageW(top_->Get(), WM_KEYDOWN, 'A', 0);
  ::PostMessageW(top_->Get(), WM_KEYUP, 'A', 0);
  ::PostQuitMessage(7);
  EXPECT_EQ(7, RunMessageLoop());
  const auto& messages = top_->Messages();
  EXPECT_EQ(messages.end(), std::find(messages.begin(), messages.end(), UINT{WM_KEYDOWN}));
  EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(), UINT{WM_KEYUP}));
}

// Fault: the pre-translation runs control code (Tab moves the focus, an Alt shortcut clicks)
// outside any window procedure, and an exception there left the message loop.
TEST_F(TranslateWindowMessageTest, ExceptionInThePreTranslationLeavesTheMessageToItsWindow) {
  struct ThrowingFilter : IMessageFilter {
    LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool&) override {
      if (message == WM_KEYDOWN)
        throw std::runtime_error("filter failed");
      return 0;
    }
  } throwing;
  topManager_.AddPreFilter(&throwing);
  ::PostMessageW(top_->Get(), WM_KEYDOWN, 'A', 0);
  ::PostQuitMessage(3);
  EXPECT_EQ(3, RunMessageLoop());
  const auto& messages = top_->Messages();
  EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(), UINT{WM_KEYDOWN}))
      << "the key went on to the window";
  topManager_.RemovePreFilter(&throwing);
}

}  // namespace
}  // namespace ui
