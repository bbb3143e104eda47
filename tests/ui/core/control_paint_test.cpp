#include <gtest/gtest.h>

#include "tests/support/control_helpers.h"
#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "ui/controls/container.h"
#include "ui/controls/horizontal_layout.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/render/image_cache.h"

// A control's own painting and a container's painting of its children, drawn into a bitmap.
namespace ui {
namespace {

using testing_support::Make;
using testing_support::MakeImage;
using testing_support::PaintSurface;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr RECT kAll = {0, 0, 60, 50};

class ControlPaintTest : public testing::Test {
 protected:
  void TearDown() override { ImageCache::Shared().Clear(); }

  // Makes control the root at rect and paints the dirty area.
  void PaintRoot(Control* control, const RECT& rect, const RECT& dirty = kAll) {
    manager_.AttachRoot(control);
    control->SetRect(rect, false);
    EXPECT_TRUE(control->Paint(surface_.dc(), dirty, nullptr));
  }

  int CountOf(uint32_t color, const RECT& area = kAll) const {
    return surface_.Count(area, [color](uint32_t p) { return p == color; });
  }

  PaintManager manager_;
  PaintSurface surface_{60, 50};
};

TEST_F(ControlPaintTest, BackgroundColourThenImageThenBorder) {
  ImageCache::Shared().Insert(L"dot.png",
                              MakeImage(4, 4, [](int, int) { return 0xFF000000 | kGreen; }));
  PaintRoot(Make<Control>({{L"bkcolor", L"#FFFF0000"},
                           {L"bkimage", L"file='dot.png' dest='10,10,20,20'"},
                           {L"bordersize", L"2"},
                           {L"bordercolor", L"#FF0000FF"}}),
            {10, 10, 50, 40});
  EXPECT_TRUE(surface_.IsAll({10, 10, 50, 12}, kBlue));
  EXPECT_TRUE(surface_.IsAll({10, 38, 50, 40}, kBlue));
  EXPECT_TRUE(surface_.IsAll({10, 12, 12, 38}, kBlue));
  EXPECT_TRUE(surface_.IsAll({20, 20, 30, 30}, kGreen));
  EXPECT_EQ(36 * 26 - 10 * 10, CountOf(kRed));
  EXPECT_EQ(60 * 50 - 40 * 30, CountOf(kWhite));
}

TEST_F(ControlPaintTest, OpaqueColourFillsOnlyTheDirtyPart) {
  PaintRoot(Make<Control>({{L"bkcolor", L"#FFFF0000"}}), {0, 0, 60, 50}, {5, 5, 15, 10});
  EXPECT_EQ(10 * 5, CountOf(kRed));
  EXPECT_TRUE(surface_.IsAll({5, 5, 15, 10}, kRed));
}

TEST_F(ControlPaintTest, GradientStopsRunTopToBottom) {
  PaintRoot(
      Make<Control>(
          {{L"bkcolor", L"#FF000000"}, {L"bkcolor2", L"#FFFFFFFF"}, {L"bkcolor3", L"#FF000000"}}),
      {0, 0, 60, 50});
  const auto level = [&](int y) { return surface_.Pixel(30, y) & 0xFF; };
  EXPECT_LT(level(0), 0x30u);
  EXPECT_GT(level(24), 0xD0u);  // the middle stop
  EXPECT_LT(level(49), 0x30u);
}

TEST_F(ControlPaintTest, RoundCornersClipTheBackgroundAndAreRestoredAfterwards) {
  PaintRoot(Make<Control>({{L"bkcolor", L"#FFFF0000"}, {L"borderround", L"16,16"}}),
            {0, 0, 40, 40});
  EXPECT_EQ(kWhite, surface_.Pixel(0, 0));
  EXPECT_EQ(kWhite, surface_.Pixel(39, 39));
  EXPECT_EQ(kRed, surface_.Pixel(20, 0));
  EXPECT_EQ(kRed, surface_.Pixel(20, 20));
  // Painting afterwards is not clipped any more.
  ::SetPixelV(surface_.dc(), 0, 0, RGB(0, 0, 255));
  EXPECT_EQ(kBlue, surface_.Pixel(0, 0));
}

TEST_F(ControlPaintTest, ContainerClipsFlowChildrenToItsInsetButNotFloatingOnes) {
  auto* row = Make<HorizontalLayout>({{L"bkcolor", L"#FF0000FF"}, {L"inset", L"5,5,5,5"}});
  // Wider than the row: cut at the inner edge.
  row->Add(Make<Control>({{L"width", L"100"}, {L"bkcolor", L"#FFFF0000"}}));
  // Floating over the inset in the top-left corner.
  row->Add(Make<Control>({{L"float", L"true"}, {L"pos", L"0,0,4,4"}, {L"bkcolor", L"#FF00FF00"}}));
  PaintRoot(row, {10, 10, 50, 40});
  EXPECT_TRUE(surface_.IsAll({15, 15, 45, 35}, kRed));
  EXPECT_EQ(30 * 20, CountOf(kRed));
  EXPECT_TRUE(surface_.IsAll({10, 10, 14, 14}, kGreen));
  EXPECT_EQ(40 * 30 - 30 * 20 - 4 * 4, CountOf(kBlue));
}

TEST_F(ControlPaintTest, ContainerStopsAtTheStopControl) {
  auto* row = Make<HorizontalLayout>();
  auto* first = Make<Control>({{L"bkcolor", L"#FFFF0000"}});
  auto* second = Make<Control>({{L"bkcolor", L"#FF00FF00"}});
  row->Add(first);
  row->Add(second);
  manager_.AttachRoot(row);
  row->SetRect({0, 0, 60, 50}, false);
  EXPECT_FALSE(row->Paint(surface_.dc(), kAll, second));
  EXPECT_EQ(30 * 50, CountOf(kRed));
  EXPECT_EQ(0, CountOf(kGreen));
}

}  // namespace
}  // namespace ui
