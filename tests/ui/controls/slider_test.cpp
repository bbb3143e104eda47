#include "ui/controls/slider.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/control_helpers.h"
#include "tests/support/rect_compare.h"
#include "tests/support/test_window.h"
#include "ui/controls/container.h"
#include "ui/controls/progress.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::RecordingPainter;
using Types = std::vector<std::wstring>;

TEST(ProgressTest, FillCoversTheValuesShare) {
  struct Case {
    const char* description;
    int width, height;
    bool horizontal;
    int minValue, maxValue, value;
    RECT expected;
  };
  const Case kCases[] = {
      {"550 wide at 37 of 0..100", 550, 3, true, 0, 100, 37, {0, 0, 203, 3}},
      {"empty at the minimum", 550, 3, true, 0, 100, 0, {0, 0, 0, 3}},
      {"full at the maximum", 550, 3, true, 0, 100, 100, {0, 0, 550, 3}},
      {"offset range", 100, 10, true, 50, 150, 75, {0, 0, 25, 10}},
      {"vertical fills from the bottom", 10, 200, false, 0, 100, 25, {0, 150, 10, 200}},
      {"value above the range is clamped", 100, 10, true, 0, 10, 20, {0, 0, 100, 10}},
      {"empty range counts as one", 100, 10, true, 5, 5, 5, {0, 0, 0, 10}},
      // Fault: 32-bit products of width and value wrap for ranges this large.
      {"a range near INT_MAX does not overflow",
       550,
       3,
       true,
       0,
       2000000000,
       1000000000,
       {0, 0, 275, 3}},
      {"the whole int range", 100, 3, true, INT_MIN, INT_MAX, 0, {0, 0, 50, 3}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.expected,
              ProgressFillRect(c.width, c.height, c.horizontal, c.minValue, c.maxValue, c.value));
  }
}

TEST(ProgressTest, ValueClampsAndPaintRepairsAnEmptyRange) {
  Progress progress;
  EXPECT_EQ(12, progress.GetFixedHeight().Unscaled());
  EXPECT_EQ(static_cast<uint32_t>(DT_SINGLELINE | DT_CENTER), progress.GetTextStyle());
  progress.SetValue(150);
  EXPECT_EQ(100, progress.GetValue());
  progress.SetValue(-5);
  EXPECT_EQ(0, progress.GetValue());

  // Limits are stored as given; painting repairs the range and the value.
  progress.SetValue(90);
  progress.SetMaxValue(50);
  EXPECT_EQ(90, progress.GetValue());
  progress.SetRect({0, 0, 100, 12}, false);
  progress.SetForeImage(L"fill.png");
  RecordingPainter painter;
  progress.PaintForeImage(painter);
  EXPECT_EQ(50, progress.GetValue());
  ASSERT_EQ(1u, painter.images.size());
  EXPECT_EQ((RECT{0, 0, 100, 12}), painter.images[0].dest);

  progress.ApplyAttributeList(LR"(min="5" max="5" value="9")");
  progress.PaintForeImage(painter);
  EXPECT_EQ(6, progress.GetMaxValue()) << "painted as the range 5..6";
  EXPECT_EQ(5, progress.GetValue());
  EXPECT_EQ((RECT{0, 0, 0, 12}), painter.images[1].dest);
}

// Fault: every SetValue repainted the bar, also with the value it already showed; the installer
// sets the value for every progress report, most of which leave the percentage as it was.
TEST(ProgressTest, SetValueRepaintsOnlyAChangedValue) {
  TestWindow window(300, 100, TestWindow::Visibility::Shown);
  ASSERT_NE(nullptr, window.Get());
  PaintManager manager;
  manager.AttachWindow(window.Get(), L"test");
  auto* root = new Container;
  auto* bar = new Progress;
  root->Add(bar);
  manager.AttachRoot(root);
  root->SetRect({0, 0, 300, 100}, false);
  bar->SetRect({15, 30, 565, 33}, false);
  ::ValidateRect(window.Get(), nullptr);

  struct Case {
    const char* description;
    int value;
    int stored;
    bool repainted;
  };
  const Case kCases[] = {
      {"a new value", 37, 37, true},
      {"the same value again", 37, 37, false},
      {"the next value", 38, 38, true},
      {"above the range: clamped to the maximum", 150, 100, true},
      {"above the range again: the maximum it shows", 120, 100, false},
      {"below the range: clamped to the minimum", -5, 0, true},
      {"the minimum it shows", 0, 0, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.description << ": SetValue(" << c.value << ")");
    bar->SetValue(c.value);
    EXPECT_EQ(c.stored, bar->GetValue());
    RECT update = {};
    EXPECT_EQ(c.repainted, ::GetUpdateRect(window.Get(), &update, FALSE) != FALSE);
    ::ValidateRect(window.Get(), nullptr);
  }
}

TEST(SliderTest, ThumbPlacementAndValueFromPoint) {
  const RECT rect = {100, 50, 300, 70};  // 200 x 20
  const SIZE thumb = {10, 10};
  struct ThumbCase {
    bool horizontal;
    int minValue, maxValue, value;
    RECT expected;
  };
  const ThumbCase kThumbs[] = {
      {true, 0, 100, 0, {100, 55, 110, 65}},
      {true, 0, 100, 50, {195, 55, 205, 65}},
      {true, 0, 100, 100, {290, 55, 300, 65}},
      {true, 0, 100, 150, {290, 55, 300, 65}},  // out of range: at the end
      {true, 7, 7, 7, {100, 55, 110, 65}},      // empty range: no division by zero
      {false, 0, 100, 0, {195, 60, 205, 70}},
      {false, 0, 100, 100, {195, 50, 205, 60}},
  };
  for (const ThumbCase& c : kThumbs) {
    SCOPED_TRACE(testing::Message()
                 << c.horizontal << " " << c.minValue << ".." << c.maxValue << " at " << c.value);
    EXPECT_EQ(c.expected,
              SliderThumbRect(rect, c.horizontal, c.minValue, c.maxValue, c.value, thumb));
  }

  struct PointCase {
    bool horizontal;
    POINT point;
    int expected;
  };
  const PointCase kPoints[] = {
      {true, {104, 60}, 0},   {true, {105, 60}, 0},   {true, {200, 60}, 50},
      {true, {295, 60}, 100}, {true, {400, 60}, 100}, {true, {0, 60}, 0},
      {false, {200, 66}, 0},  {false, {200, 60}, 50}, {false, {200, 54}, 100},
  };
  for (const PointCase& c : kPoints) {
    SCOPED_TRACE(testing::Message()
                 << c.horizontal << " (" << c.point.x << "," << c.point.y << ")");
    EXPECT_EQ(c.expected, SliderValueAt(rect, c.horizontal, 0, 100, thumb, c.point));
  }
}

using Window = testing_support::ControlInWindow<Slider>;
constexpr RECT kSliderRect = {100, 50, 300, 70};

TEST(SliderTest, DragTellsOnceOnRelease) {
  Window w(kSliderRect);
  w.Send(ControlEventKind::ButtonDown, {200, 60});
  EXPECT_EQ(50, w.control->GetValue());
  EXPECT_TRUE(w.log.received.empty()) << "pressing alone is not told";
  w.Send(ControlEventKind::MouseMove, {250, 60});
  w.Send(ControlEventKind::MouseMove, {400, 60});
  EXPECT_EQ(100, w.control->GetValue());
  w.Send(ControlEventKind::ButtonUp, {105, 60});
  EXPECT_EQ(0, w.control->GetValue());
  EXPECT_EQ((Types{L"valuechanged"}), w.log.Types());

  w.Send(ControlEventKind::MouseMove, {200, 60});
  EXPECT_EQ(0, w.control->GetValue()) << "moving without a press does nothing";
}

TEST(SliderTest, ImmTellsEveryMove) {
  Window w(kSliderRect);
  w.control->SetAttribute(L"imm", L"true");
  w.Send(ControlEventKind::ButtonDown, {200, 60});
  w.Send(ControlEventKind::MouseMove, {250, 60});
  w.Send(ControlEventKind::MouseMove, {260, 60});
  w.Send(ControlEventKind::ButtonUp, {260, 60});
  EXPECT_EQ(3u, w.log.received.size());
}

TEST(SliderTest, WheelStepsWithinTheRange) {
  Window w(kSliderRect);
  w.control->ApplyAttributeList(LR"(step="30" value="80")");
  w.Send(ControlEventKind::ScrollWheel, {200, 60}, 0);
  EXPECT_EQ(100, w.control->GetValue());
  w.Send(ControlEventKind::ScrollWheel, {200, 60}, 1);
  w.Send(ControlEventKind::ScrollWheel, {200, 60}, 1);
  w.Send(ControlEventKind::ScrollWheel, {200, 60}, 1);
  w.Send(ControlEventKind::ScrollWheel, {200, 60}, 1);
  EXPECT_EQ(0, w.control->GetValue());
  EXPECT_EQ(5u, w.log.received.size());
}

TEST(SliderTest, DisabledSliderIgnoresPress) {
  Window w(kSliderRect);
  w.control->SetEnabled(false);
  EXPECT_EQ(0u, w.control->GetFlags());
  w.Send(ControlEventKind::ButtonDown, {200, 60});
  w.Send(ControlEventKind::ButtonUp, {200, 60});
  EXPECT_EQ(0, w.control->GetValue());
  EXPECT_TRUE(w.log.received.empty());
}

// The installer's progress bar: a slider that code drives, with no thumb and no mouse.
TEST(SliderTest, InstallerProgressBarIgnoresTheMouseAndHasNoThumb) {
  Window w({15, 300, 565, 303});
  w.control->ApplyAttributeList(
      LR"(name="slr_progress" padding="15,0,0,0" height="3" width="550" mouse="false" )"
      LR"(foreimage="progress_pos.png" bkimage="progress_sink.png" thumbsize="0,0" )"
      LR"(bkcolor="#FFD8D8D8" thumbimage="thumb")");
  for (ControlEventKind kind : {ControlEventKind::ButtonDown, ControlEventKind::MouseMove,
                                ControlEventKind::ButtonUp, ControlEventKind::ScrollWheel}) {
    w.Send(kind, {300, 301});
  }
  EXPECT_EQ(0, w.control->GetValue());
  EXPECT_TRUE(w.log.received.empty());

  w.control->SetValue(37);
  RecordingPainter painter;
  w.control->PaintForeImage(painter);
  w.control->PaintThumb(painter);
  EXPECT_EQ(L"progress_pos.png", painter.Drawn());
  EXPECT_EQ((RECT{0, 0, 203, 3}), painter.images[0].dest);
}

TEST(SliderTest, ThumbImageFollowsState) {
  struct Case {
    const char* description;
    ControlEventKind event;
    const wchar_t* missing;
    const wchar_t* drawn;
  };
  const Case kCases[] = {
      {"resting", ControlEventKind::MouseMove, L"", L"thumb"},
      {"hot", ControlEventKind::MouseEnter, L"", L"thumbhot"},
      {"dragged", ControlEventKind::ButtonDown, L"", L"thumbpushed"},
      {"dragged without a pushed image", ControlEventKind::ButtonDown, L"thumbpushed", L"thumb"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Window w(kSliderRect);
    w.control->ApplyAttributeList(
        LR"(thumbimage="thumb" thumbhotimage="thumbhot" thumbpushedimage="thumbpushed")");
    w.control->SetValue(50);
    w.Send(c.event, {200, 60});
    RecordingPainter painter;
    painter.missing = {c.missing};
    w.control->PaintThumb(painter);
    ASSERT_EQ(c.drawn, painter.Drawn());
    EXPECT_EQ((RECT{95, 5, 105, 15}), painter.images[0].dest) << "relative to the slider";
  }
}

// Fault: a thumb of no size in a one-pixel slider sat at (0,0,0,0), which the image drawing
// takes as "the whole control", so the thumb image covered the bar.
TEST(SliderTest, ThumbOfNoSizeDrawsNothing) {
  Window w({0, 0, 100, 1});
  w.control->ApplyAttributeList(LR"(thumbsize="0,0" thumbimage="thumb")");
  RecordingPainter painter;
  w.control->PaintThumb(painter);
  EXPECT_TRUE(painter.images.empty());
}

}  // namespace
}  // namespace ui
