#include "ui/controls/scroll_bar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/message_pump.h"
#include "tests/support/rect_compare.h"
#include "tests/ui/core/window_test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/vertical_layout.h"

namespace ui {
namespace {

using testing_support::MakeEvent;
using testing_support::ManagedWindow;
using testing_support::RecordingPainter;

TEST(ScrollBarTest, PartsAreLaidOutAlongTheBar) {
  struct Case {
    const char* description;
    RECT rect;
    bool horizontal;
    int range, position;
    bool button1, button2;
    ScrollBarParts expected;
  };
  const RECT bar = {0, 0, 16, 200};
  const Case kCases[] = {
      {"range 100 at 0: thumb 200*168/300",
       bar,
       false,
       100,
       0,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 16, 16, 128}}},
      {"range 100 at the end",
       bar,
       false,
       100,
       100,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 72, 16, 184}}},
      {"range 1000: a 28 pixel thumb",
       bar,
       false,
       1000,
       0,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 16, 16, 44}}},
      {"range 100000: the thumb is raised to the thickness",
       bar,
       false,
       100000,
       0,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 16, 16, 32}}},
      {"range 100000 at the end",
       bar,
       false,
       100000,
       100000,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 168, 16, 184}}},
      {"no range: the thumb fills the track",
       bar,
       false,
       0,
       0,
       true,
       true,
       {{0, 0, 16, 16}, {0, 184, 16, 200}, {0, 16, 16, 184}}},
      {"without the first button",
       bar,
       false,
       100,
       0,
       false,
       true,
       {{0, 0, 0, 0}, {0, 184, 16, 200}, {0, 0, 16, 122}}},
      {"three thicknesses: buttons only",
       {0, 0, 16, 48},
       false,
       100,
       0,
       true,
       true,
       {{0, 0, 16, 16}, {0, 32, 16, 48}, {0, 0, 0, 0}}},
      {"shorter still: the buttons share the length",
       {0, 0, 16, 20},
       false,
       100,
       0,
       true,
       true,
       {{0, 0, 16, 10}, {0, 10, 16, 20}, {0, 0, 0, 0}}},
      {"horizontal, offset, half way",
       {10, 50, 210, 66},
       true,
       100,
       50,
       true,
       true,
       {{10, 50, 26, 66}, {194, 50, 210, 66}, {54, 50, 166, 66}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const ScrollBarParts parts =
        LayOutScrollBar(c.rect, c.horizontal, 16, c.range, c.position, c.button1, c.button2);
    EXPECT_EQ(c.expected.button1, parts.button1);
    EXPECT_EQ(c.expected.button2, parts.button2);
    EXPECT_EQ(c.expected.thumb, parts.thumb);
  }
}

TEST(ScrollBarTest, PositionSnapsToTheUnitAndStaysInTheRange) {
  struct Case {
    int unit;
    int requested;
    int expected;
  };
  const Case kCases[] = {
      {10, 13, 10},  {10, 15, 20}, {10, -5, 0}, {10, 500, 100},
      {10, 96, 100}, {1, 37, 37},  {0, 37, 37}, {4, 2, 4},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "unit " << c.unit << ", " << c.requested);
    ScrollBar bar;
    bar.SetScrollUnit(c.unit);
    bar.SetScrollPos(c.requested, Notify::No);
    EXPECT_EQ(c.expected, bar.GetScrollPos());
  }
  ScrollBar bar;
  bar.SetScrollPos(80, Notify::No);
  bar.SetScrollRange(50);
  EXPECT_EQ(50, bar.GetScrollPos()) << "a smaller range lowers the position";
  bar.SetScrollRange(-3);
  EXPECT_EQ(0, bar.GetScrollRange());
  EXPECT_EQ(0, bar.GetScrollPos());
  bar.SetScrollUnit(10);
  EXPECT_EQ(10, bar.LineStep()) << "the unit is the line step when above 1";
}

// Keeps every "scroll" notification with its parameters.
struct ScrollLog : INotifyListener {
  void ReceiveNotification(Notification& notification) override {
    if (notification.type == L"scroll")
      scrolls.push_back({notification.wParam, notification.lParam});
  }
  std::vector<std::pair<uint32_t, int32_t>> scrolls;
};

// A free-standing vertical bar 16 x 200 in a hidden window, whose manager runs its timers.
class FreeScrollBarTest : public testing::Test {
 protected:
  void SetUp() override {
    manager_.AttachWindow(window_.Get());
    bar_ = new ScrollBar;
    bar_->SetAttribute(L"range", L"1000");
    root_->Add(bar_);
    manager_.AttachRoot(root_);
    manager_.AddListener(&log_);
    root_->SetRect({0, 0, 300, 200}, false);
    bar_->SetRect({0, 0, 16, 200}, false);
  }
  void TearDown() override { manager_.RemoveListener(&log_); }

  void Send(ControlEventKind kind, POINT point = {0, 0}, uint32_t wParam = 0) {
    ControlEvent event = MakeEvent(kind, point, wParam);
    bar_->HandleEvent(event);
  }
  void Tick() { Send(ControlEventKind::Timer, {0, 0}, ScrollBar::kRepeatTimerId); }

  ScrollLog log_;
  PaintManager manager_;
  ManagedWindow window_{&manager_};
  Container* root_ = new Container;
  ScrollBar* bar_ = nullptr;
};

TEST_F(FreeScrollBarTest, HeldButtonStepsAtOnceThenAfterSixTicksThenEveryTick) {
  Send(ControlEventKind::ButtonDown, {8, 190});
  EXPECT_EQ(8, bar_->GetScrollPos()) << "the first step comes at once";
  EXPECT_FALSE(manager_.StartTimer(bar_, ScrollBar::kRepeatTimerId, 50))
      << "the repeat timer is running";
  for (int tick = 1; tick <= 5; ++tick) {
    Tick();
    EXPECT_EQ(8, bar_->GetScrollPos()) << "tick " << tick;
  }
  Tick();
  EXPECT_EQ(16, bar_->GetScrollPos()) << "the sixth tick repeats";
  Tick();
  EXPECT_EQ(24, bar_->GetScrollPos()) << "then every tick";
  Send(ControlEventKind::ButtonUp, {8, 190});
  EXPECT_FALSE(manager_.StopTimer(bar_, ScrollBar::kRepeatTimerId)) << "release stopped it";
  EXPECT_EQ(0u, bar_->GetButton2State());

  // The three moves were queued as one notification, with the last parameters.
  EXPECT_TRUE(log_.scrolls.empty()) << "queued, not sent at once";
  PumpPending();
  ASSERT_EQ(1u, log_.scrolls.size());
  EXPECT_EQ(24u, log_.scrolls[0].first);
  EXPECT_EQ(16, log_.scrolls[0].second);
}

TEST_F(FreeScrollBarTest, TheWindowsTimerDrivesTheRepeat) {
  bar_->SetScrollPos(500, Notify::No);
  Send(ControlEventKind::ButtonDown, {8, 190});
  ASSERT_EQ(508, bar_->GetScrollPos());
  ASSERT_TRUE(PumpUntil([&] { return bar_->GetScrollPos() > 508; }));
  EXPECT_EQ(6, bar_->GetRepeatTicks()) << "the first repeat waited for the sixth tick";
  EXPECT_EQ(516, bar_->GetScrollPos());
  Send(ControlEventKind::ButtonUp, {8, 190});
}

// Fault: a held arrow or thumb whose capture went elsewhere kept its repeat timer, and the bar
// went on stepping with no button held.
TEST_F(FreeScrollBarTest, LosingTheCaptureStopsTheRepeat) {
  struct Case {
    const char* description;
    POINT press;
  };
  const Case kCases[] = {{"the down arrow held", {8, 190}}, {"the thumb dragged", {8, 30}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    bar_->SetScrollPos(0, Notify::No);
    ::SendMessageW(window_.Get(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.press.x, c.press.y));
    ASSERT_TRUE(manager_.IsMouseCaptured());
    ASSERT_TRUE(PumpUntil([&] { return bar_->GetRepeatTicks() >= 7; }));

    ManagedWindow other(nullptr);
    ::SetCapture(other.Get());
    ::ReleaseCapture();
    EXPECT_FALSE(manager_.StopTimer(bar_, ScrollBar::kRepeatTimerId)) << "already stopped";
    EXPECT_EQ(0u, bar_->GetButton2State() & StatePushed);
    EXPECT_EQ(0u, bar_->GetThumbState() & (StatePushed | StateCaptured));
    const int position = bar_->GetScrollPos();
    ::SendMessageW(window_.Get(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, 150));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(position, bar_->GetScrollPos());
  }
}

TEST_F(FreeScrollBarTest, TrackClicksPageAndTheThumbMovesOnlyOnTicks) {
  bar_->SetScrollRange(100);  // thumb from 16 to 128
  Send(ControlEventKind::ButtonDown, {8, 150});
  EXPECT_EQ(100, bar_->GetScrollPos()) << "a page is the bar's length, kept in the range";
  Send(ControlEventKind::ButtonUp, {8, 150});
  Send(ControlEventKind::ButtonDown, {8, 40});
  EXPECT_EQ(0, bar_->GetScrollPos()) << "before the thumb: a page back";
  Send(ControlEventKind::ButtonUp, {8, 40});

  Send(ControlEventKind::ButtonDown, {8, 50});
  EXPECT_EQ(StatePushed | StateCaptured, bar_->GetThumbState() & (StatePushed | StateCaptured));
  Send(ControlEventKind::MouseMove, {8, 78});  // 28 of 56 pixels of travel
  EXPECT_EQ(0, bar_->GetScrollPos()) << "the drag waits for the timer";
  Tick();
  EXPECT_EQ(50, bar_->GetScrollPos());
  Send(ControlEventKind::MouseMove, {8, 500});
  Tick();
  EXPECT_EQ(100, bar_->GetScrollPos());
  Send(ControlEventKind::ButtonUp, {8, 500});
  EXPECT_EQ(0u, bar_->GetThumbState() & (StatePushed | StateCaptured));
}

TEST_F(FreeScrollBarTest, HoverMakesTheButtonsAndTheThumbHot) {
  bar_->SetScrollRange(100);
  Send(ControlEventKind::MouseEnter, {8, 50});
  EXPECT_EQ(StateHot, bar_->GetButton1State());
  EXPECT_EQ(StateHot, bar_->GetThumbState());
  Send(ControlEventKind::MouseMove, {8, 150});
  EXPECT_EQ(0u, bar_->GetThumbState()) << "off the thumb";
  // A leave reported while the pointer is still over the bar is no leave.
  Send(ControlEventKind::MouseLeave, {8, 150});
  EXPECT_EQ(StateHot, bar_->GetButton1State());
  Send(ControlEventKind::MouseLeave, {100, 150});
  EXPECT_EQ(0u, bar_->GetButton1State());
  bar_->SetEnabled(false);
  Send(ControlEventKind::MouseEnter, {8, 50});
  Send(ControlEventKind::ButtonDown, {8, 190});
  EXPECT_EQ(0u, bar_->GetButton1State());
  EXPECT_EQ(0, bar_->GetScrollPos()) << "a disabled bar does not move";
}

TEST(OwnedScrollBarTest, StepsAndDragsScrollTheOwnersContent) {
  PaintManager manager;
  ManagedWindow window(&manager);
  manager.AttachWindow(window.Get());
  ScrollLog log;
  manager.AddListener(&log);
  auto* list = new VerticalLayout;
  list->SetAttribute(L"vscrollbar", L"true");
  auto* first = testing_support::Make<Control>({{L"height", L"150"}});
  list->Add(first);
  list->Add(testing_support::Make<Control>({{L"height", L"150"}}));
  manager.AttachRoot(list);
  list->SetRect({0, 0, 100, 200}, false);
  ScrollBar* bar = list->VerticalScrollBar();
  ASSERT_TRUE(bar && bar->IsVisible());
  ASSERT_EQ(100, bar->GetScrollRange());
  EXPECT_EQ(list, bar->GetOwner());

  auto send = [&](ControlEventKind kind, POINT point, uint32_t wParam = 0) {
    ControlEvent event = MakeEvent(kind, point, wParam);
    bar->HandleEvent(event);
  };
  send(ControlEventKind::ButtonDown, {92, 195});
  const int step = list->GetScrollOffset().cy;
  EXPECT_GT(step, 0);
  EXPECT_EQ(-step, first->GetRect().top) << "the content moved by the line";
  send(ControlEventKind::ButtonUp, {92, 195});

  // Thumb from 16 + (168 - 112) * step / 100; dragging it half its travel scrolls half the range.
  const RECT thumb = bar->GetParts().thumb;
  send(ControlEventKind::ButtonDown, {92, thumb.top + 1});
  send(ControlEventKind::MouseMove, {92, thumb.top + 1 + 28});
  EXPECT_EQ(step, list->GetScrollOffset().cy);
  send(ControlEventKind::Timer, {0, 0}, ScrollBar::kRepeatTimerId);
  EXPECT_EQ(step + 50, list->GetScrollOffset().cy);
  EXPECT_EQ(-(step + 50), first->GetRect().top);
  send(ControlEventKind::ButtonUp, {92, thumb.top + 29});

  PumpPending();
  EXPECT_TRUE(log.scrolls.empty()) << "an owned bar tells its owner, not the window";
  manager.RemoveListener(&log);
}

TEST(ScrollBarPaintTest, EachPartIsDrawnByItsState) {
  testing_support::ControlInWindow<ScrollBar> w({100, 0, 116, 200});
  ScrollBar* bar = w.control;
  bar->ApplyAttributeList(
      LR"(bknormalimage="bk" bkdisabledimage="bk_off" button1normalimage="up" )"
      LR"(button1pushedimage="up_down" thumbnormalimage="thumb" thumbhotimage="thumb_hot" )"
      LR"(railnormalimage="grip" button1color="#FF102030")");
  EXPECT_EQ(0xFF102030u, bar->GetButton1Color());
  bar->SetRect({100, 0, 116, 200}, false);

  RecordingPainter normal;
  bar->PaintParts(normal);
  EXPECT_EQ(L"bk + up + thumb + grip", normal.Drawn());
  ASSERT_EQ(1u, normal.rectFills.size());
  EXPECT_EQ((RECT{100, 0, 116, 16}), normal.rectFills[0].rect);
  EXPECT_EQ((RECT{0, 0, 16, 16}), normal.images[1].dest) << "relative to the bar";
  EXPECT_EQ((RECT{0, 16, 16, 128}), normal.images[2].dest);
  EXPECT_EQ((RECT{0, 64, 16, 80}), normal.images[3].dest) << "a square centred on the thumb";
  EXPECT_EQ((RECT{0, 0, 0, 0}), normal.images[0].dest) << "the background keeps its own place";

  w.Send(ControlEventKind::ButtonDown, {108, 5});
  w.Send(ControlEventKind::MouseEnter, {108, 40});
  RecordingPainter pushed;
  bar->PaintParts(pushed);
  EXPECT_EQ(L"bk + up_down + thumb_hot + grip", pushed.Drawn());
  w.Send(ControlEventKind::ButtonUp, {108, 5});

  bar->SetEnabled(false);
  RecordingPainter disabled;
  bar->PaintParts(disabled);
  EXPECT_EQ(L"bk_off + up + thumb + grip", disabled.Drawn())
      << "parts without a disabled image fall back to the normal one";

  bar->ShowButton1(false);
  bar->SetAttribute(L"hor", L"true");
  EXPECT_EQ(16, bar->GetFixedHeight().Unscaled());
  EXPECT_EQ(0, bar->GetFixedWidth().Unscaled());
  bar->SetRect({0, 0, 32, 16}, false);
  RecordingPainter shortBar;
  bar->PaintParts(shortBar);
  EXPECT_EQ(L"bk_off", shortBar.Drawn()) << "no thumb without a track, no hidden button";
}

}  // namespace
}  // namespace ui
