#include "ui/core/paint_manager.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/managed_window.h"
#include "tests/support/message_pump.h"
#include "tests/support/notification_log.h"
#include "tests/support/test_window.h"
#include "ui/controls/container.h"
#include "ui/core/control.h"
#include "ui/core/delegate.h"
#include "ui/core/dispatch_scope.h"

namespace ui {
namespace {

using testing_support::ManagedWindow;
using testing_support::NotificationLog;

// A control that takes part in Tab navigation.
class TabStop : public Control {
 public:
  uint32_t GetFlags() const override { return FlagTabStop; }
};

// Records that a control was destroyed, through its destroy hook.
struct DestroyWatch {
  explicit DestroyWatch(Control* control) {
    control->destroyHooks.Add(MakeDelegate(this, &DestroyWatch::OnDestroy));
  }
  bool OnDestroy(void*) { return destroyed = true; }
  bool destroyed = false;
};

// A manager attached to a hidden window whose messages it serves, with a root container and a
// listener that records every notification.
class PaintManagerWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get(), L"test");
    root_ = new Container;
    manager_.AttachRoot(root_);
    manager_.AddListener(&log_);
  }

  template <typename T = Control>
  T* AddChild(const wchar_t* name = L"") {
    T* control = new T;
    control->SetName(name);
    root_->Add(control);
    return control;
  }

  // Hands the manager a timer message for nativeId, as the platform would.
  void DeliverTimer(uint32_t nativeId) {
    LRESULT result = 0;
    manager_.HandleWindowMessage(WM_TIMER, nativeId, 0, result);
  }

  NotificationLog log_;  // outlives the manager, which may still notify while it tears down
  PaintManager manager_;
  ManagedWindow window_{&manager_};
  Container* root_ = nullptr;
};

using PaintManagerTimerTest = PaintManagerWindowTest;

TEST_F(PaintManagerTimerTest, NativeIdentifiersStartAt17AndWrapAfter254) {
  Control* control = AddChild();
  for (uint32_t timerId = 1; timerId <= 239; ++timerId)
    ASSERT_TRUE(manager_.StartTimer(control, timerId, 60000)) << timerId;

  DeliverTimer(17);
  DeliverTimer(254);
  DeliverTimer(0);
  EXPECT_EQ((std::vector<uint32_t>{1, 238, 239}), log_.ParamsOf(L"timer"))
      << "native 17 is the first timer, 254 the 238th and 0 the 239th";
  for (const Notification& entry : log_.received)
    EXPECT_EQ(control, entry.sender);
}

TEST_F(PaintManagerTimerTest, StartingARunningTimerAgainKeepsItsInterval) {
  Control* control = AddChild();
  ASSERT_TRUE(manager_.StartTimer(control, 5, 20));
  EXPECT_FALSE(manager_.StartTimer(control, 5, 600000));
  ASSERT_TRUE(PumpUntil([&] { return !log_.ParamsOf(L"timer").empty(); }))
      << "still running every 20 ms";
  const std::vector<uint32_t> fired = log_.ParamsOf(L"timer");
  EXPECT_EQ(5u, fired.front());
}

TEST_F(PaintManagerTimerTest, StoppedTimerIsIgnoredAndRestartsUnderItsIdentifier) {
  Control* first = AddChild();
  Control* second = AddChild();
  ASSERT_TRUE(manager_.StartTimer(first, 1, 60000));   // native 17
  ASSERT_TRUE(manager_.StartTimer(second, 1, 60000));  // native 18
  ASSERT_TRUE(manager_.StopTimer(first, 1));
  EXPECT_FALSE(manager_.StopTimer(first, 1)) << "no running record left";

  DeliverTimer(17);
  EXPECT_TRUE(log_.received.empty()) << "a message for a stopped record is ignored";

  ASSERT_TRUE(manager_.StartTimer(first, 1, 60000));
  ASSERT_TRUE(manager_.StartTimer(second, 2, 60000));  // native 19
  DeliverTimer(17);
  DeliverTimer(19);
  ASSERT_EQ(2u, log_.received.size());
  EXPECT_EQ(first, log_.received[0].sender) << "restarted under native 17";
  EXPECT_EQ(second, log_.received[1].sender);
  EXPECT_EQ(2u, log_.received[1].wParam);

  manager_.StopTimers(second);
  DeliverTimer(18);
  DeliverTimer(19);
  EXPECT_EQ(2u, log_.received.size()) << "StopTimers removes every timer of the control";
}

// Once the counter has gone round, the identifier of a timer that still runs must not be handed
// out again: the platform would move that timer to the new record and the first control would
// lose it, or have it killed by the other's StopTimer.
TEST_F(PaintManagerTimerTest, WrappedCounterPassesOverIdentifiersInUse) {
  Control* longLived = AddChild();
  Control* shortLived = AddChild();
  ASSERT_TRUE(manager_.StartTimer(longLived, 1, 60000));  // native 17
  for (uint32_t i = 0; i < 254; ++i) {                    // natives 18..254 and 0..16
    ASSERT_TRUE(manager_.StartTimer(shortLived, i, 60000));
    manager_.StopTimers(shortLived);
  }
  Control* newcomer = AddChild();
  ASSERT_TRUE(manager_.StartTimer(newcomer, 9, 60000));

  DeliverTimer(17);
  DeliverTimer(18);
  ASSERT_EQ(2u, log_.received.size());
  EXPECT_EQ(longLived, log_.received[0].sender);
  EXPECT_EQ(newcomer, log_.received[1].sender) << "took the next free identifier";
}

using PaintManagerRegistryTest = PaintManagerWindowTest;

TEST_F(PaintManagerRegistryTest, LaterRegistrationReplacesAnEarlierName) {
  Control* first = AddChild(L"twin");
  EXPECT_EQ(first, manager_.FindControlByName(L"twin"));
  Control* second = AddChild(L"twin");
  EXPECT_EQ(second, manager_.FindControlByName(L"twin"));

  auto* inner = new Container;
  inner->SetName(L"twin");
  inner->Add(new Control);
  root_->Add(inner);
  EXPECT_EQ(inner, manager_.FindControlByName(L"twin"));

  // Destroying a control that was replaced leaves the newer entry alone.
  root_->Remove(first, true);
  first->Destroy();
  EXPECT_EQ(inner, manager_.FindControlByName(L"twin"));
}

TEST_F(PaintManagerRegistryTest, RenameControl) {
  Control* control = AddChild(L"old");
  Control* other = AddChild(L"taken");
  Control stranger;

  EXPECT_FALSE(manager_.RenameControl(control, L""));
  EXPECT_FALSE(manager_.RenameControl(&stranger, L"free")) << "not attached to this manager";
  EXPECT_FALSE(manager_.RenameControl(control, L"taken"));
  EXPECT_EQ(other, manager_.FindControlByName(L"taken"));
  EXPECT_TRUE(manager_.RenameControl(control, L"old")) << "already so named";

  EXPECT_TRUE(manager_.RenameControl(control, L"new"));
  EXPECT_EQ(L"new", control->GetName());
  EXPECT_EQ(control, manager_.FindControlByName(L"new"));
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"old"));
}

// SetName stores the name before the manager hears of it, so the registry keeps the control
// under its first name; destroying the control must still remove that entry.
TEST_F(PaintManagerRegistryTest, ControlRenamedThroughSetNameIsForgottenUnderItsOldName) {
  Control* control = AddChild(L"before");
  control->SetName(L"after");
  EXPECT_EQ(control, manager_.FindControlByName(L"before"));

  root_->Remove(control, true);
  control->Destroy();
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"before"));
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"after"));
}

TEST_F(PaintManagerRegistryTest, DestroyedControlLeavesNoReferenceBehind) {
  auto* field = AddChild<TabStop>(L"field");
  manager_.SetFocusControl(field, PlatformFocus::Keep);
  ASSERT_EQ(field, manager_.GetFocusControl());
  ASSERT_TRUE(manager_.AddOptionGroup(L"choice", field));
  ASSERT_TRUE(manager_.StartTimer(field, 3, 60000));  // native 17
  manager_.SendNotification(field, L"scroll", 7, 0, Dispatch::Queued, Repeats::Merged);
  log_.received.clear();

  root_->Remove(field, true);
  field->Destroy();

  EXPECT_EQ(nullptr, manager_.GetFocusControl());
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"field"));
  EXPECT_EQ(nullptr, manager_.GetOptionGroup(L"choice"));
  DeliverTimer(17);
  EXPECT_TRUE(log_.received.empty()) << "its timer went with it";

  PumpPending();
  ASSERT_EQ(1u, log_.received.size()) << "the queued notification still arrives";
  EXPECT_EQ(L"scroll", log_.received[0].type);
  EXPECT_EQ(nullptr, log_.received[0].sender);
  EXPECT_EQ(7u, log_.received[0].wParam);
}

// A destroy hook may still ask the manager about the control: it fires before the manager
// forgets it, whether the control goes at once or after the dispatch it was destroyed in.
TEST_F(PaintManagerRegistryTest, DestroyHooksFireBeforeTheManagerForgetsTheControl) {
  struct Seen {
    PaintManager* manager = nullptr;
    Control* control = nullptr;
    int fired = 0;
    bool focused = false;
    bool registered = false;
    bool OnDestroy(void*) {
      ++fired;
      focused = manager->GetFocusControl() == control;
      registered = manager->FindControlByName(L"field") == control;
      return true;
    }
  };
  for (const bool duringDispatch : {false, true}) {
    SCOPED_TRACE(duringDispatch ? "during a dispatch" : "at once");
    auto* field = AddChild<TabStop>(L"field");
    ASSERT_EQ(field, manager_.FindControlByName(L"field"));
    manager_.SetFocusControl(field, PlatformFocus::Keep);
    Seen seen{&manager_, field};
    field->destroyHooks.Add(MakeDelegate(&seen, &Seen::OnDestroy));
    {
      std::unique_ptr<DispatchScope> dispatch;
      if (duringDispatch)
        dispatch = std::make_unique<DispatchScope>();
      root_->Remove(field, true);
      field->Destroy();
      EXPECT_EQ(1, seen.fired);
      EXPECT_TRUE(seen.focused);
      EXPECT_TRUE(seen.registered);
      EXPECT_EQ(nullptr, manager_.GetFocusControl());
      EXPECT_EQ(nullptr, manager_.FindControlByName(L"field"));
    }
    EXPECT_EQ(1, seen.fired) << "the later deletion fires nothing again";
  }
}

TEST_F(PaintManagerRegistryTest, ReplacedRootIsDestroyedFromTheQueueMessage) {
  DestroyWatch oldRoot(root_);
  manager_.SendNotification(root_, L"scroll", 0, 0, Dispatch::Queued);

  manager_.AttachRoot(new Container);
  EXPECT_FALSE(oldRoot.destroyed) << "the old tree may still be on the call stack";
  PumpPending();
  EXPECT_TRUE(oldRoot.destroyed);
  EXPECT_TRUE(log_.ParamsOf(L"scroll").empty()) << "queued notifications were discarded";
}

// Attaching the current root again, or taking back a root that waits for cleanup, must not
// destroy a tree that is in use.
TEST_F(PaintManagerRegistryTest, AttachingARootAgainKeepsItAlive) {
  Control* child = AddChild(L"child");
  DestroyWatch watch(root_);
  manager_.AttachRoot(root_);
  PumpPending();
  EXPECT_FALSE(watch.destroyed);
  EXPECT_EQ(root_, manager_.GetRoot());
  EXPECT_EQ(child, manager_.FindControlByName(L"child"));

  manager_.AttachRoot(new Container);
  manager_.AttachRoot(root_);
  PumpPending();
  EXPECT_FALSE(watch.destroyed) << "taken back before the queue message";
  EXPECT_EQ(child, manager_.FindControlByName(L"child"));
}

TEST_F(PaintManagerRegistryTest, OptionGroups) {
  Control* first = AddChild();
  Control* second = AddChild();
  EXPECT_FALSE(manager_.AddOptionGroup(L"", first));
  EXPECT_FALSE(manager_.AddOptionGroup(L"size", nullptr));
  EXPECT_TRUE(manager_.AddOptionGroup(L"size", first));
  EXPECT_FALSE(manager_.AddOptionGroup(L"size", first)) << "already in the group";
  EXPECT_TRUE(manager_.AddOptionGroup(L"size", second));
  ASSERT_NE(nullptr, manager_.GetOptionGroup(L"size"));
  EXPECT_EQ((std::vector<Control*>{first, second}), *manager_.GetOptionGroup(L"size"));

  manager_.RemoveOptionGroup(L"size", first);
  EXPECT_EQ((std::vector<Control*>{second}), *manager_.GetOptionGroup(L"size"));
  manager_.RemoveOptionGroup(L"size", second);
  EXPECT_EQ(nullptr, manager_.GetOptionGroup(L"size")) << "an emptied group is deleted";
}

TEST_F(PaintManagerRegistryTest, AttachWindowStartsTheWindowAfresh) {
  Control* control = AddChild(L"named");
  manager_.AddOptionGroup(L"group", control);
  manager_.StartTimer(control, 1, 60000);
  manager_.AddDefaultAttributeList(L"Button", L"width=\"10\"");
  manager_.SetWindowAttribute(L"bktrans", L"true");

  manager_.AttachWindow(window_.Get(), L"again");
  EXPECT_EQ(L"again", manager_.GetName());
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"named"));
  EXPECT_EQ(nullptr, manager_.GetOptionGroup(L"group"));
  EXPECT_EQ(nullptr, manager_.GetDefaultAttributeList(L"Button"));
  EXPECT_EQ(nullptr, manager_.GetWindowCustomAttribute(L"bktrans"));
  DeliverTimer(17);
  EXPECT_TRUE(log_.received.empty());
}

// Hands another control to its manager for cleanup when it is destroyed, as a control that
// defers the deletion of something it holds would.
class HandsOverOnDestroy : public Control {
 public:
  explicit HandsOverOnDestroy(Control* next) : next_(next) {}
  ~HandsOverOnDestroy() override {
    if (manager_)
      manager_->AddDelayedCleanup(next_);
  }

 private:
  Control* next_;
};

// The manager emptied its cleanup list once when it went away, so controls that the destroyed
// ones handed over in their destructors were never freed.
TEST(PaintManagerTest, CleanupHandedOverDuringTeardownIsFreedToo) {
  Control* fromQueue = new Control;
  Control* fromTree = new Control;
  DestroyWatch queuedWatch(fromQueue);
  DestroyWatch treeWatch(fromTree);
  {
    PaintManager manager;
    auto* root = new Container;
    root->Add(new HandsOverOnDestroy(fromTree));
    manager.AttachRoot(root);
    manager.AddDelayedCleanup(new HandsOverOnDestroy(fromQueue));
  }
  EXPECT_TRUE(queuedWatch.destroyed) << "handed over by a control that waited for cleanup";
  EXPECT_TRUE(treeWatch.destroyed) << "handed over by a control of the tree";
}

TEST(PaintManagerTest, AttachedManagersListEachWindowedManagerOnce) {
  auto count = [](PaintManager* manager) {
    const auto& list = PaintManager::AttachedManagers();
    return std::count(list.begin(), list.end(), manager);
  };
  auto manager = std::make_unique<PaintManager>();
  EXPECT_EQ(0, count(manager.get())) << "no window yet";
  TestWindow first, second;
  manager->AttachWindow(first.Get(), L"");
  EXPECT_NE(nullptr, manager->PaintDC());
  manager->AttachWindow(second.Get(), L"");
  EXPECT_EQ(1, count(manager.get()));
  EXPECT_EQ(second.Get(), manager->PaintWindow());
  PaintManager* gone = manager.get();
  manager.reset();
  EXPECT_EQ(0, count(gone));
}

// Tab order over a root with six children: a, plain (no tab stop), b, hidden, disabled, e.
class PaintManagerFocusTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = new Container;
    a_ = Add<TabStop>(L"a");
    Add<Control>(L"plain");
    b_ = Add<TabStop>(L"b");
    Add<TabStop>(L"hidden")->SetVisible(false);
    Add<TabStop>(L"disabled")->SetEnabled(false);
    e_ = Add<TabStop>(L"e");
    manager_.AttachRoot(root_);
    manager_.RunLayoutPass({0, 0, 100, 100});
    manager_.AddListener(&log_);
  }

  template <typename T>
  T* Add(const wchar_t* name) {
    T* control = new T;
    control->SetName(name);
    root_->Add(control);
    return control;
  }

  NotificationLog log_;  // outlives the manager
  PaintManager manager_;
  Container* root_ = nullptr;
  Control* a_ = nullptr;
  Control* b_ = nullptr;
  Control* e_ = nullptr;
};

TEST_F(PaintManagerFocusTest, TabOrderWrapsAroundBothWays) {
  struct Case {
    const char* description;
    const wchar_t* from;  // empty: no focus control
    TabDirection direction;
    const wchar_t* to;
  };
  const Case kCases[] = {
      {"Tab without focus takes the first tab stop", L"", TabDirection::Forward, L"a"},
      {"Tab skips controls that are no tab stops", L"a", TabDirection::Forward, L"b"},
      {"Tab skips hidden and disabled tab stops", L"b", TabDirection::Forward, L"e"},
      {"Tab from the last wraps to the first", L"e", TabDirection::Forward, L"a"},
      {"Shift+Tab from the first wraps to the last", L"a", TabDirection::Backward, L"e"},
      {"Shift+Tab goes back one", L"e", TabDirection::Backward, L"b"},
      {"Shift+Tab without focus also takes the first", L"", TabDirection::Backward, L"a"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    manager_.SetFocusControl(manager_.FindControlByName(c.from), PlatformFocus::Keep);
    EXPECT_TRUE(manager_.MoveFocusByTab(c.direction));
    Control* expected = manager_.FindControlByName(c.to);
    EXPECT_EQ(expected, manager_.GetFocusControl());
    EXPECT_TRUE(expected->IsFocused());
  }
}

TEST_F(PaintManagerFocusTest, FocusChangesSendKillFocusThenSetFocus) {
  manager_.SetFocusControl(a_, PlatformFocus::Keep);
  manager_.SetFocusControl(b_, PlatformFocus::Keep);
  ASSERT_EQ(3u, log_.received.size());
  EXPECT_EQ(L"setfocus", log_.received[0].type);
  EXPECT_EQ(L"killfocus", log_.received[1].type);
  EXPECT_EQ(a_, log_.received[1].sender);
  EXPECT_EQ(L"setfocus", log_.received[2].type);
  EXPECT_EQ(b_, log_.received[2].sender);
  EXPECT_FALSE(a_->IsFocused());

  // A hidden, disabled or foreign control only takes the focus away.
  Control stranger;
  for (Control* refused : {manager_.FindControlByName(L"hidden"),
                           manager_.FindControlByName(L"disabled"), &stranger}) {
    manager_.SetFocusControl(b_, PlatformFocus::Keep);
    manager_.SetFocusControl(refused, PlatformFocus::Keep);
    EXPECT_EQ(nullptr, manager_.GetFocusControl());
  }
}

TEST_F(PaintManagerFocusTest, ForwardMoveWaitsForAPendingLayout) {
  manager_.SetUpdateNeeded();
  EXPECT_TRUE(manager_.MoveFocusByTab(TabDirection::Forward));
  EXPECT_EQ(nullptr, manager_.GetFocusControl());
  EXPECT_TRUE(manager_.IsFocusNeeded());

  manager_.RunLayoutPass({0, 0, 100, 100});
  manager_.MoveFocusByTab(TabDirection::Forward);
  EXPECT_EQ(a_, manager_.GetFocusControl());
  EXPECT_FALSE(manager_.IsFocusNeeded());
}

TEST_F(PaintManagerFocusTest, SetFocusNeededLandsOnTheControlAtTheNextPaint) {
  manager_.SetFocusControl(a_, PlatformFocus::Keep);
  log_.received.clear();
  manager_.SetFocusNeeded(e_);
  EXPECT_EQ(b_, manager_.GetFocusControl()) << "stands on the tab stop before, without events";
  EXPECT_FALSE(b_->IsFocused());
  ASSERT_EQ(1u, log_.received.size());
  EXPECT_EQ(L"killfocus", log_.received[0].type);
  EXPECT_TRUE(manager_.IsFocusNeeded());
  EXPECT_TRUE(manager_.IsUpdateNeeded());

  // What the next paint does: lay out, then move on.
  manager_.RunLayoutPass({0, 0, 100, 100});
  manager_.MoveFocusByTab(TabDirection::Forward);
  EXPECT_EQ(e_, manager_.GetFocusControl());
  EXPECT_TRUE(e_->IsFocused());

  // Without a control there is no tab stop to stand before: the move takes the first.
  manager_.SetFocusNeeded(nullptr);
  EXPECT_EQ(nullptr, manager_.GetFocusControl());
  manager_.RunLayoutPass({0, 0, 100, 100});
  manager_.MoveFocusByTab(TabDirection::Forward);
  EXPECT_EQ(a_, manager_.GetFocusControl());
}

// The layout pass that opens every paint.
TEST(PaintManagerTest, LayoutPassLaysOutTheRootAndSendsWindowInitOnce) {
  PaintManager manager;
  NotificationLog log;
  auto* root = new Container;
  manager.AttachRoot(root);
  manager.AddListener(&log);
  EXPECT_TRUE(manager.RunLayoutPass({0, 0, 80, 60})) << "the root itself was laid out";
  EXPECT_EQ(80, root->GetRect().right);
  EXPECT_FALSE(manager.IsUpdateNeeded());

  manager.SetUpdateNeeded();
  EXPECT_FALSE(manager.RunLayoutPass({0, 0, 80, 60}));
  ASSERT_EQ(1u, log.received.size());
  EXPECT_EQ(L"windowinit", log.received[0].type);
  EXPECT_EQ(root, log.received[0].sender);
}

}  // namespace
}  // namespace ui
