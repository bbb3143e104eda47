#include "ui/core/control.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "tests/support/test_window.h"
#include "ui/controls/button.h"
#include "ui/controls/container.h"
#include "ui/controls/label.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/dispatch_scope.h"
#include "ui/core/paint_manager.h"
#include "ui/render/image_cache.h"

namespace ui {
namespace {

using testing_support::Make;

using testing_support::NotificationLog;

TEST(ControlTest, AttributeEffects) {
  struct Case {
    const wchar_t* attributes;  // applied with ApplyAttributeList
    std::function<void(const Control&)> check;
  };
  const Case kCases[] = {
      {LR"(bkcolor=" #FFD8D8D8")",
       [](const Control& c) { EXPECT_EQ(0xFFD8D8D8u, c.GetBackColor()); }},
      {LR"(bkcolor1="0xFFD8D8D8" bkcolor2="#FF000001" bkcolor3="FF000002")",
       [](const Control& c) {
         EXPECT_EQ(0xFFD8D8D8u, c.GetBackColor());
         EXPECT_EQ(0xFF000001u, c.GetBackColor2());
         EXPECT_EQ(0xFF000002u, c.GetBackColor3());
       }},
      {LR"(bordercolor=" #FFD8D8D8" focusbordercolor="#FF112233")",
       [](const Control& c) {
         EXPECT_EQ(0u, c.GetBorderColor());
         EXPECT_EQ(0xFF112233u, c.GetFocusBorderColor());
       }},
      {LR"(bordersize="3" borderstyle="2" borderround="4,5")",
       [](const Control& c) {
         EXPECT_EQ((RECT{3, 3, 3, 3}), c.GetBorderSize().Unscaled());
         EXPECT_EQ(2, c.GetBorderStyle());
         EXPECT_EQ(4, c.GetBorderRound().Unscaled().cx);
         EXPECT_EQ(5, c.GetBorderRound().Unscaled().cy);
       }},
      {LR"(bordersize="1,2,3,4")",
       [](const Control& c) {
         EXPECT_EQ((RECT{1, 2, 3, 4}), c.GetBorderSize().Unscaled());
       }},
      {LR"(pos="0,5,600,50")",
       [](const Control& c) {
         EXPECT_EQ(0, c.GetFloatOffset().Unscaled().cx);
         EXPECT_EQ(5, c.GetFloatOffset().Unscaled().cy);
         EXPECT_EQ(600, c.GetFixedWidth().Unscaled());
         EXPECT_EQ(45, c.GetFixedHeight().Unscaled());
       }},
      {LR"(padding="210,60,0,0")",
       [](const Control& c) {
         EXPECT_EQ((RECT{210, 60, 0, 0}), c.GetPadding().Unscaled());
       }},
      {LR"(maxwidth="10" minwidth="20" maxheight="5" minheight="6")",
       [](const Control& c) {
         EXPECT_EQ(20, c.GetMaxWidth().Unscaled());
         EXPECT_EQ(6, c.GetMaxHeight().Unscaled());
       }},
      {LR"(width="30" width="-5" height="-1" minwidth="-3")",
       [](const Control& c) {
         EXPECT_EQ(30, c.GetFixedWidth().Unscaled());
         EXPECT_EQ(0, c.GetFixedHeight().Unscaled());
         EXPECT_EQ(0, c.GetMinWidth().Unscaled());
       }},
      {LR"(float="true")", [](const Control& c) { EXPECT_TRUE(c.IsFloat()); }},
      {LR"(float="0.5,0,0.5,1")",
       [](const Control& c) {
         EXPECT_TRUE(c.IsFloat());
         EXPECT_DOUBLE_EQ(0.5, c.GetFloatAnchor().left);
         EXPECT_DOUBLE_EQ(1.0, c.GetFloatAnchor().bottom);
       }},
      // A boolean is true only when written exactly "true".
      {LR"(visible="1" enabled="True")",
       [](const Control& c) {
         EXPECT_FALSE(c.IsVisible());
         EXPECT_FALSE(c.IsEnabled());
       }},
      {LR"(tooltip="a<n>b<n>")",
       [](const Control& c) { EXPECT_EQ(L"a\r\nb\r\n", c.GetToolTip()); }},
      {LR"(shortcut="Q5")", [](const Control& c) { EXPECT_EQ(L'Q', c.GetShortcut()); }},
      // Names are case-sensitive: an unknown spelling is kept, not applied.
      {LR"(Width="10" normalimage="file='btn_min.png'")",
       [](const Control& c) {
         EXPECT_EQ(0, c.GetFixedWidth().Unscaled());
         EXPECT_STREQ(L"10", c.GetExtraAttribute(L"Width"));
         EXPECT_STREQ(L"file='btn_min.png'", c.GetExtraAttribute(L"normalimage"));
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.attributes);
    Control* control = new Control;
    control->ApplyAttributeList(c.attributes);
    c.check(*control);
    control->Destroy();
  }
}

// "bkimage" is resolved at once: a floating control without a fixed size takes the image's size,
// and an equal description whose image is already loaded is left alone (its size is not taken
// again), while one whose image was missing is tried again.
TEST(ControlTest, BackgroundImageSizesAFloatingControlAndLoadsOnce) {
  const auto solid = [](int, int) { return 0xFF112233u; };
  ImageCache::Shared().Insert(L"bk.png", testing_support::MakeImage(30, 20, solid));
  struct Case {
    const wchar_t* attributes;
    SIZE fixed;
  };
  const Case kCases[] = {
      {LR"(float="true" bkimage="file='bk.png'")", {30, 20}},
      {LR"(float="true" width="5" bkimage="file='bk.png'")", {5, 0}},
      {LR"(bkimage="file='bk.png'")", {0, 0}},
      {LR"(float="true" bkimage="file='missing.png'")", {0, 0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.attributes);
    testing_support::ControlInWindow<Control> w;
    w.control->ApplyAttributeList(c.attributes);
    EXPECT_EQ(c.fixed.cx, w.control->GetFixedWidth().Unscaled());
    EXPECT_EQ(c.fixed.cy, w.control->GetFixedHeight().Unscaled());
  }

  testing_support::ControlInWindow<Control> w;
  w.control->ApplyAttributeList(LR"(float="true" bkimage="file='bk.png'")");
  w.control->SetFixedWidth(SkinLength(0));
  w.control->SetFixedHeight(SkinLength(0));
  w.control->SetAttribute(L"bkimage", L"file='bk.png'");
  EXPECT_EQ(0, w.control->GetFixedWidth().Unscaled()) << "loaded already: not resolved again";

  w.control->SetAttribute(L"bkimage", L"file='late.png'");
  EXPECT_EQ(nullptr, w.control->GetBackImage().image);
  ImageCache::Shared().Insert(L"late.png", testing_support::MakeImage(7, 9, solid));
  w.control->SetAttribute(L"bkimage", L"file='late.png'");
  EXPECT_EQ(7, w.control->GetFixedWidth().Unscaled()) << "missing before: tried again";
  EXPECT_EQ(9, w.control->GetFixedHeight().Unscaled());
  ImageCache::Shared().Clear();
}

TEST(ControlTest, ApplyAttributeListStopsAtTheFirstMalformedPair) {
  struct Case {
    const wchar_t* list;
    const wchar_t* width;       // the value of "w" (null: not set)
    const wchar_t* secondName;  // the name the second pair (="7") ends up under, if any
  };
  const Case kCases[] = {
      {LR"(w="5" h="7")", L"5", L"h"},
      // Two spaces: the second name starts with the extra space.
      {LR"(w="5"  h="7")", L"5", L" h"},
      {LR"(w="5"h="7")", L"5", nullptr},
      {LR"(w="5" h=7)", L"5", nullptr},
      {LR"(w= "5")", nullptr, nullptr},
      {LR"(w="5)", nullptr, nullptr},
      {LR"(w)", nullptr, nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.list);
    Control* control = new Control;
    control->ApplyAttributeList(c.list);
    const wchar_t* width = control->GetExtraAttribute(L"w");
    if (c.width)
      EXPECT_STREQ(c.width, width);
    else
      EXPECT_EQ(nullptr, width);
    for (const wchar_t* name : {L"h", L" h"}) {
      const bool expected = c.secondName && std::wstring(c.secondName) == name;
      EXPECT_EQ(expected, control->GetExtraAttribute(name) != nullptr) << "\"" << name << "\"";
    }
    control->Destroy();
  }
}

TEST(ControlTest, ExtraAttributesKeepTheFirstValue) {
  Control control;
  control.SetAttribute(L"group", L"first");
  control.SetAttribute(L"group", L"second");
  control.SetAttribute(L"empty", L"");
  control.SetAttribute(L"", L"nameless");
  EXPECT_STREQ(L"first", control.GetExtraAttribute(L"group"));
  EXPECT_EQ(nullptr, control.GetExtraAttribute(L"empty"));
  EXPECT_EQ(nullptr, control.GetExtraAttribute(L""));
  control.RemoveExtraAttribute(L"group");
  EXPECT_EQ(nullptr, control.GetExtraAttribute(L"group"));
}

// Records each call of a hook and answers with a preset result.
struct HookRecorder {
  bool OnHook(void* argument) {
    calls.push_back(argument);
    return answer;
  }
  bool Other(void* argument) { return OnHook(argument); }
  std::vector<void*> calls;
  bool answer = true;
};

TEST(HookListTest, AddsOnceFiresInOrderAndStopsAtFalse) {
  HookList hooks;
  EXPECT_TRUE(hooks.Fire(nullptr)) << "an empty list lets things go on";

  HookRecorder first;
  HookRecorder second;
  hooks.Add(MakeDelegate(&first, &HookRecorder::OnHook));
  hooks.Add(MakeDelegate(&first, &HookRecorder::OnHook));
  hooks.Add(MakeDelegate(&first, &HookRecorder::Other));
  hooks.Add(MakeDelegate(&second, &HookRecorder::OnHook));
  EXPECT_EQ(3u, hooks.Count());

  int argument = 0;
  EXPECT_TRUE(hooks.Fire(&argument));
  EXPECT_EQ(2u, first.calls.size());
  EXPECT_EQ(1u, second.calls.size());
  EXPECT_EQ(&argument, second.calls[0]);

  first.answer = false;
  EXPECT_FALSE(hooks.Fire(&argument));
  EXPECT_EQ(3u, first.calls.size()) << "the first false ends the round";
  EXPECT_EQ(1u, second.calls.size());

  hooks.Remove(MakeDelegate(&first, &HookRecorder::OnHook));
  hooks.Remove(MakeDelegate(&first, &HookRecorder::Other));
  EXPECT_TRUE(hooks.Fire(&argument));
  EXPECT_EQ(2u, second.calls.size());
}

// A delegate known by a number, that logs its calls and the freeing of the list's copy, and runs
// an edit of its list when called.
class LoggingDelegate : public DelegateBase {
 public:
  LoggingDelegate(int id, std::vector<std::string>* log, std::function<void()> edit = {})
      : DelegateBase(nullptr, &id, sizeof(id)), id_(id), log_(log), edit_(std::move(edit)) {}
  ~LoggingDelegate() override {
    if (copy_)
      log_->push_back("free " + std::to_string(id_));
  }
  DelegateBase* Copy() const override {
    auto* copy = new LoggingDelegate(id_, log_, edit_);
    copy->copy_ = true;
    return copy;
  }
  bool Invoke(void*) override {
    log_->push_back("call " + std::to_string(id_));
    if (edit_) {
      edit_();
      log_->push_back("back in " + std::to_string(id_));
    }
    return true;
  }

 private:
  int id_;
  std::vector<std::string>* log_;
  std::function<void()> edit_;
  bool copy_ = false;
};

// A delegate that removed the one before it made the one after it skipped (the walk went by
// index over a list that had shrunk), and one that removed itself was freed while it ran.
TEST(HookListTest, DelegatesMayEditTheListWhileItFires) {
  HookList hooks;
  std::vector<std::string> log;
  hooks.Add(LoggingDelegate(1, &log));
  hooks.Add(LoggingDelegate(2, &log, [&] {
    hooks.Remove(LoggingDelegate(1, &log));
    hooks.Remove(LoggingDelegate(2, &log));
    hooks.Add(LoggingDelegate(4, &log));
  }));
  hooks.Add(LoggingDelegate(3, &log));

  EXPECT_TRUE(hooks.Fire(nullptr));
  EXPECT_EQ(
      (std::vector<std::string>{"call 1", "call 2", "back in 2", "call 3", "free 1", "free 2"}),
      log)
      << "the round calls the rest of the list and frees the removed ones after it";
  EXPECT_EQ(2u, hooks.Count());

  log.clear();
  EXPECT_TRUE(hooks.Fire(nullptr));
  EXPECT_EQ((std::vector<std::string>{"call 3", "call 4"}), log)
      << "a delegate added during a round is called from the next one on";
}

TEST(ControlTest, HooksFireAtTheirMoments) {
  PaintManager manager;
  auto* root = new Container;
  manager.AttachRoot(root);
  HookRecorder init;
  HookRecorder size;
  HookRecorder event;
  HookRecorder destroy;

  auto* child = new Control;
  child->initHooks.Add(MakeDelegate(&init, &HookRecorder::OnHook));
  child->sizeHooks.Add(MakeDelegate(&size, &HookRecorder::OnHook));
  child->eventHooks.Add(MakeDelegate(&event, &HookRecorder::OnHook));
  child->destroyHooks.Add(MakeDelegate(&destroy, &HookRecorder::OnHook));

  child->SetRect({0, 0, 5, 5}, false);
  EXPECT_TRUE(size.calls.empty()) << "no size hook before a manager is attached";

  root->Add(child);
  ASSERT_EQ(1u, init.calls.size()) << "attached with a parent: initialised";
  EXPECT_EQ(child, init.calls[0]);

  root->SetRect({0, 0, 10, 10}, false);
  ASSERT_EQ(1u, size.calls.size());
  EXPECT_EQ(child, size.calls[0]);

  // A false event hook swallows the event: the control does not take the focus flag.
  event.answer = false;
  ControlEvent setFocus;
  setFocus.kind = ControlEventKind::SetFocus;
  child->HandleEvent(setFocus);
  ASSERT_EQ(1u, event.calls.size());
  EXPECT_EQ(&setFocus, event.calls[0]);
  EXPECT_FALSE(child->IsFocused());
  event.answer = true;
  child->HandleEvent(setFocus);
  EXPECT_TRUE(child->IsFocused());

  root->Remove(child);
  EXPECT_TRUE(destroy.calls.empty()) << "removed children are destroyed later, from the queue";
  manager.AttachRoot(new Container);  // flushes the delayed-cleanup list
  ASSERT_EQ(1u, destroy.calls.size());
  EXPECT_EQ(child, destroy.calls[0]);
}

// A control that goes while a dispatch is under way is only retired then; either way its held
// controls go first, in one order: children, scroll bars, overlay, then the control itself.
TEST(ControlTest, DeletionAndRetirementGoInTheSameOrder) {
  for (const bool duringDispatch : {false, true}) {
    SCOPED_TRACE(duringDispatch ? "retired during a dispatch" : "deleted");
    PaintManager manager;
    auto* root = new Container;
    manager.AttachRoot(root);
    auto* box = Make<Container>({{L"name", L"box"}, {L"vscrollbar", L"true"}});
    root->Add(box);
    box->Add(Make<Control>({{L"name", L"first"}}));
    box->Add(Make<Control>({{L"name", L"second"}}));
    box->SetOverlay(Make<Control>({{L"name", L"overlay"}}));
    ASSERT_TRUE(box->VerticalScrollBar());
    box->VerticalScrollBar()->SetName(L"bar");

    std::vector<std::wstring> gone;
    struct Watch {
      std::vector<std::wstring>* gone;
      bool OnDestroy(void* control) {
        gone->push_back(static_cast<Control*>(control)->GetName());
        return true;
      }
    } watch{&gone};
    for (Control* control :
         {box->ItemAt(0), box->ItemAt(1), box->GetOverlay(),
          static_cast<Control*>(box->VerticalScrollBar()), static_cast<Control*>(box)}) {
      control->destroyHooks.Add(MakeDelegate(&watch, &Watch::OnDestroy));
    }

    {
      std::optional<DispatchScope> dispatch;
      if (duringDispatch)
        dispatch.emplace();
      root->Remove(box, /*keepAlive=*/true);
      box->Destroy();
      EXPECT_EQ((std::vector<std::wstring>{L"first", L"second", L"bar", L"overlay", L"box"}), gone);
    }
  }
}

// A tree of four children in a 100 x 100 container: a, b (hidden), c (disabled), d (not
// mouse-enabled); every child fills the container.
class ControlFindTest : public testing::Test {
 protected:
  struct Walk {
    POINT point = {50, 50};  // first, so that hit tests read it
    std::vector<std::wstring> visited;
    std::wstring answerFor;  // the visitor answers this control
  };

  static Control* Visit(Control* control, void* data) {
    auto* walk = static_cast<Walk*>(data);
    walk->visited.push_back(control->GetName());
    return control->GetName() == walk->answerFor ? control : nullptr;
  }

  void SetUp() override {
    root_ = Make<Container>({{L"name", L"root"}});
    root_->Add(Make<Control>({{L"name", L"a"}}));
    root_->Add(Make<Control>({{L"name", L"b"}, {L"visible", L"false"}}));
    root_->Add(Make<Control>({{L"name", L"c"}, {L"enabled", L"false"}}));
    root_->Add(Make<Control>({{L"name", L"d"}, {L"mouse", L"false"}}));
    manager_.AttachRoot(root_);
    root_->SetRect({0, 0, 100, 100}, false);
  }

  std::vector<std::wstring> VisitOrder(uint32_t flags) {
    Walk walk;
    root_->Find(Visit, &walk, flags);
    return walk.visited;
  }

  PaintManager manager_;
  Container* root_ = nullptr;
};

TEST_F(ControlFindTest, FlagsChooseAndOrderTheVisitedControls) {
  using Names = std::vector<std::wstring>;
  struct Case {
    const char* description;
    uint32_t flags;
    Names visited;
  };
  const Case kCases[] = {
      {"no flags: children, then the container", 0, {L"a", L"b", L"c", L"d", L"root"}},
      {"me first", FindMeFirst, {L"root", L"a", L"b", L"c", L"d"}},
      {"top first", FindTopFirst, {L"d", L"c", L"b", L"a", L"root"}},
      {"visible", FindVisible, {L"a", L"c", L"d", L"root"}},
      {"enabled", FindEnabled, {L"a", L"b", L"d", L"root"}},
      // b is hidden, so the layout never placed it under the point.
      {"hit test skips what the mouse may not reach", FindHitTest, {L"a", L"c", L"root"}},
      {"tab order walk", FindMeFirst | FindVisible | FindEnabled, {L"root", L"a", L"d"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.visited, VisitOrder(c.flags));
  }
}

TEST_F(ControlFindTest, HitTestMissesOutsideAndHonoursMouseChild) {
  Walk walk;
  walk.point = {150, 50};
  EXPECT_EQ(nullptr, root_->Find(Visit, &walk, FindHitTest));
  EXPECT_TRUE(walk.visited.empty());

  root_->SetAttribute(L"mousechild", L"false");
  EXPECT_EQ((std::vector<std::wstring>{L"root"}), VisitOrder(FindHitTest));

  root_->SetAttribute(L"mouse", L"false");
  EXPECT_TRUE(VisitOrder(FindHitTest).empty());
}

TEST_F(ControlFindTest, AnswerEndsTheWalkAndUpdateTestSkipsAnsweredControls) {
  Walk walk;
  walk.answerFor = L"b";
  EXPECT_EQ(L"b", root_->Find(Visit, &walk, 0)->GetName());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), walk.visited);

  Walk update;
  update.answerFor = L"b";
  EXPECT_EQ(nullptr, root_->Find(Visit, &update, FindUpdateTest));
}

TEST_F(ControlFindTest, FindControlAtTakesTheTopmostReachableChild) {
  EXPECT_EQ(L"c", manager_.FindControlAt({50, 50})->GetName());
  EXPECT_EQ(nullptr, manager_.FindControlAt({150, 50}));
}

TEST(ControlVisibilityTest, HiddenAncestorsHideDescendants) {
  PaintManager manager;
  auto* root = new Container;
  auto* middle = new Container;
  auto* leaf = new Control;
  root->Add(middle);
  middle->Add(leaf);
  manager.AttachRoot(root);

  middle->SetVisible(false);
  EXPECT_FALSE(leaf->IsVisible());
  root->SetVisible(false);
  middle->SetVisible(true);
  EXPECT_FALSE(leaf->IsVisible()) << "still under a hidden root";
  root->SetVisible(true);
  EXPECT_TRUE(middle->IsVisible());
  EXPECT_TRUE(leaf->IsVisible());

  // A child added to a hidden container starts hidden, though its own flag says visible.
  middle->SetVisible(false);
  auto* late = new Control;
  middle->Add(late);
  EXPECT_FALSE(late->IsVisible());
  middle->SetVisible(true);
  EXPECT_TRUE(late->IsVisible());
}

TEST(ControlVisibilityTest, HidingTheFocusedControlMovesTheFocusAway) {
  PaintManager manager;
  auto* root = new Container;
  auto* field = new Control;
  auto* inner = new Container;
  auto* nested = new Control;
  root->Add(field);
  root->Add(inner);
  inner->Add(nested);
  manager.AttachRoot(root);

  manager.SetFocusControl(field, PlatformFocus::Keep);
  ASSERT_EQ(field, manager.GetFocusControl());
  ASSERT_TRUE(field->IsFocused());
  field->SetVisible(false);
  EXPECT_EQ(nullptr, manager.GetFocusControl());
  EXPECT_FALSE(field->IsFocused());

  nested->SetFocus();
  ASSERT_EQ(nested, manager.GetFocusControl());
  inner->SetVisible(false);
  EXPECT_EQ(nullptr, manager.GetFocusControl()) << "hidden through its parent";
}

TEST(ControlLayoutTest, FloatingRectStaysInStepWithItsParent) {
  PaintManager manager;
  auto* root = new Container;
  auto* strip = Make<Control>({{L"float", L"true"}, {L"pos", L"0,5,600,50"}});
  auto* anchored = Make<Control>({{L"float", L"0.5,0.5,0.5,0.5"}, {L"pos", L"-10,-10,10,10"}});
  root->Add(strip);
  root->Add(anchored);
  manager.AttachRoot(root);

  root->SetRect({100, 50, 300, 150}, false);
  EXPECT_EQ((RECT{100, 55, 700, 100}), strip->GetRect());
  EXPECT_EQ((RECT{190, 90, 210, 110}), anchored->GetRect()) << "centred on the parent";

  // Placing a floating control by hand moves its float position along: the next layout keeps
  // it there, relative to the parent's centre.
  anchored->SetRect({110, 60, 130, 80}, false);
  EXPECT_EQ((RECT{210, 110, 230, 130}), anchored->GetRect());
  EXPECT_EQ(10, anchored->GetFloatOffset().Unscaled().cx);
  EXPECT_EQ(20, anchored->GetFixedWidth().Unscaled());
  root->SetRect({20, 0, 320, 100}, false);
  EXPECT_EQ((RECT{180, 60, 200, 80}), anchored->GetRect());
  EXPECT_EQ((RECT{160, 60, 180, 80}), anchored->GetRelativeRect());
}

TEST(ControlLayoutTest, RectIsNormalisedAndOffsetMovesIt) {
  Control control;
  control.SetRect({10, 10, 5, 2}, false);
  EXPECT_EQ((RECT{10, 10, 10, 10}), control.GetRect());
  control.SetRect({0, 0, 20, 10}, false);
  control.Offset(3, -4, false);
  EXPECT_EQ((RECT{3, -4, 23, 6}), control.GetRect());
  EXPECT_EQ(20, control.Width());
}

TEST(ControlLayoutTest, SizeChangesRequestTheParentsLayout) {
  PaintManager manager;
  auto* root = new Container;
  auto* child = new Control;
  root->Add(child);
  manager.AttachRoot(root);
  root->SetRect({0, 0, 50, 50}, false);
  ASSERT_FALSE(root->IsLayoutNeeded());
  ASSERT_FALSE(child->IsLayoutNeeded());

  child->SetFixedHeight(SkinLength(5));
  EXPECT_TRUE(root->IsLayoutNeeded());

  root->SetRect({0, 0, 50, 50}, false);
  child->SetMinWidth(SkinLength(0));  // unchanged: no request
  EXPECT_FALSE(root->IsLayoutNeeded());

  root->SetVisible(false);
  root->RequestLayout();
  EXPECT_FALSE(root->IsLayoutNeeded()) << "a hidden control needs no layout";
}

// A control that records the events its children hand up.
class EventSink : public Control {
 public:
  void OnEvent(ControlEvent& event) override { kinds.push_back(event.kind); }
  std::vector<ControlEventKind> kinds;
};

TEST(ControlEventTest, TimerAndMenuNotifyOtherEventsGoToTheParent) {
  NotificationLog log;
  PaintManager manager;
  manager.AddListener(&log);
  EventSink parent;
  Control* child = new Control;
  child->Attach(&manager, &parent, false);

  ControlEvent event;
  event.kind = ControlEventKind::Timer;
  event.wParam = 7;
  event.lParam = -2;
  child->HandleEvent(event);
  event.kind = ControlEventKind::ContextMenu;
  child->HandleEvent(event);  // the menu is off: nothing
  child->EnableContextMenu(true);
  child->HandleEvent(event);
  event.kind = ControlEventKind::KeyDown;
  child->HandleEvent(event);

  ASSERT_EQ(2u, log.received.size());
  EXPECT_EQ(L"timer", log.received[0].type);
  EXPECT_EQ(7u, log.received[0].wParam);
  EXPECT_EQ(-2, log.received[0].lParam);
  EXPECT_EQ(child, log.received[0].sender);
  EXPECT_EQ(L"menu", log.received[1].type);
  EXPECT_EQ(std::vector<ControlEventKind>{ControlEventKind::KeyDown}, parent.kinds);
  child->Destroy();
}

TEST(ControlTest, RegistryFindsControlsByExactName) {
  PaintManager manager;
  auto* root = Make<Container>({{L"name", L"same"}});
  root->Add(Make<Control>({{L"name", L"same"}}));
  root->Add(Make<Control>({{L"name", L"btn_close"}}));
  manager.AttachRoot(root);
  EXPECT_EQ(root, manager.FindControlByName(L"same")) << "containers register after children";
  EXPECT_NE(nullptr, manager.FindControlByName(L"btn_close"));
  EXPECT_EQ(nullptr, manager.FindControlByName(L"BTN_CLOSE"));
}

TEST(ControlOverlayTest, OverlayCoversTheControlAndIsFoundFirst) {
  PaintManager manager;
  auto* root = new Container;
  auto* host = Make<Control>({{L"name", L"host"}});
  root->Add(host);
  manager.AttachRoot(root);
  auto* overlay = Make<Control>({{L"name", L"overlay"}, {L"maxheight", L"20"}});
  host->SetOverlay(overlay);
  EXPECT_EQ(host, overlay->GetParent());

  root->SetRect({10, 10, 110, 110}, false);
  EXPECT_EQ((RECT{10, 10, 110, 30}), overlay->GetRect()) << "clamped to its maximum height";
  const POINT point = {50, 20};
  EXPECT_EQ(overlay, manager.FindControlAt(point));

  host->SetVisible(false);
  EXPECT_FALSE(overlay->IsVisible());
  host->SetVisible(true);
  EXPECT_TRUE(overlay->IsVisible());
}

// Invalidation goes to a real (shown) window, whose update region tells what was invalidated.
class ControlInvalidateTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get(), L"test");
    root_ = new Container;
    child_ = Make<Control>({{L"float", L"true"}, {L"pos", L"50,50,150,150"}});
    root_->Add(child_);
    manager_.AttachRoot(root_);
    root_->SetRect({0, 0, 100, 100}, false);
    ::ValidateRect(window_.Get(), nullptr);
  }

  // The invalidated area since the last call, or an empty rectangle.
  RECT TakeUpdateRect() {
    RECT update = {};
    if (!::GetUpdateRect(window_.Get(), &update, FALSE))
      update = {};
    ::ValidateRect(window_.Get(), nullptr);
    return update;
  }

  TestWindow window_{300, 300, TestWindow::Visibility::Shown};
  PaintManager manager_;
  Container* root_ = nullptr;
  Control* child_ = nullptr;
};

TEST_F(ControlInvalidateTest, AreaIsClippedByEveryAncestor) {
  ASSERT_EQ((RECT{50, 50, 150, 150}), child_->GetRect());
  child_->Invalidate();
  EXPECT_EQ((RECT{50, 50, 100, 100}), TakeUpdateRect());

  // Moving repaints where the control was and where it is, within the parent.
  child_->SetRect({20, 10, 40, 30}, true);
  EXPECT_EQ((RECT{20, 10, 100, 100}), TakeUpdateRect());

  child_->Offset(200, 0, true);
  EXPECT_EQ((RECT{20, 10, 100, 30}), TakeUpdateRect()) << "old and new place, within the parent";

  child_->SetVisible(false);
  TakeUpdateRect();
  child_->Invalidate();
  EXPECT_EQ((RECT{}), TakeUpdateRect()) << "hidden controls invalidate nothing";
}

// Records the events that reach it instead of handling them.
class RecordingContainer : public Container {
 public:
  void OnEvent(ControlEvent& event) override { received.push_back(event.kind); }
  std::vector<ControlEventKind> received;
};

// Every control handles a context-menu click itself when it has a menu: with its mouse input off,
// the click has to reach the parent instead, whatever the control's class.
TEST(ControlEventTest, MouseOffLeavesMouseEventsToTheParent) {
  struct Case {
    const char* description;
    std::function<Control*()> make;
  };
  const Case kCases[] = {
      {"Control", [] { return new Control; }},
      {"Label", [] { return new Label; }},
      {"Button", [] { return new Button; }},
      {"Slider", [] { return new Slider; }},
      {"Container", [] { return new Container; }},
      {"VerticalLayout", [] { return new VerticalLayout; }},
      {"RichEdit", [] { return new RichEdit; }},
      {"ScrollBar", [] { return new ScrollBar; }},
  };
  for (const Case& c : kCases) {
    for (const bool mouse : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.description << (mouse ? ", mouse on" : ", mouse off"));
      PaintManager manager;
      auto* parent = new RecordingContainer;
      Control* control = c.make();
      control->SetAttribute(L"menu", L"true");
      control->SetMouseEnabled(mouse);
      parent->Add(control);
      manager.AttachRoot(parent);
      parent->SetRect({0, 0, 100, 100}, false);
      control->SetRect({0, 0, 50, 50}, false);

      ControlEvent click = testing_support::MakeEvent(ControlEventKind::ContextMenu, {10, 10});
      control->HandleEvent(click);
      ControlEvent focus = testing_support::MakeEvent(ControlEventKind::SetFocus);
      control->HandleEvent(focus);
      EXPECT_EQ(mouse ? std::vector<ControlEventKind>{}
                      : std::vector<ControlEventKind>{ControlEventKind::ContextMenu},
                parent->received)
          << "only mouse events go up";
    }
  }
}

TEST(ControlEventTest, MouseOffAncestorsAreSkippedOnTheWayUp) {
  PaintManager manager;
  auto* root = new RecordingContainer;
  auto* middle = new Container;
  middle->SetMouseEnabled(false);
  auto* button = new Button;
  button->SetMouseEnabled(false);
  middle->Add(button);
  root->Add(middle);
  manager.AttachRoot(root);

  ControlEvent wheel = testing_support::MakeEvent(ControlEventKind::ScrollWheel);
  button->HandleEvent(wheel);
  EXPECT_EQ(std::vector<ControlEventKind>{ControlEventKind::ScrollWheel}, root->received);
}

}  // namespace
}  // namespace ui
