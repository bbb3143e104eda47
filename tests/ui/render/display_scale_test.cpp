#include <gtest/gtest.h>

#include <vector>

#include "tests/support/rect_compare.h"
#include "ui/render/display_scale.h"
#include "ui/render/image_resample.h"
#include "ui/render/image_variant.h"

namespace ui {
namespace {

TEST(DisplayScaleTest, RoundsLengthsHalfAwayFromZero) {
  struct Case {
    int dpi;
    int value;
    int length;
    int border;
    int toSkin;
  };
  const Case kCases[] = {
      {96, 7, 7, 7, 7},          {120, 10, 13, 13, 8},  // 12.5 rounds up, 8 back from 10
      {120, 1, 1, 1, 1},         {144, 1, 2, 2, 1},     // 1.5 rounds up
      {144, 3, 5, 5, 2},         {144, 600, 900, 900, 400},
      {192, 400, 800, 800, 200}, {144, -3, -5, -3, -2},  // negative offsets mirror positive ones
      {108, 1, 1, 1, 1},         {100, 0, 0, 0, 0},      // a zero border stays zero
      {0, 12, 12, 12, 12},                               // no DPI: the base scale
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "dpi " << c.dpi << " value " << c.value);
    const DisplayScale scale(c.dpi);
    EXPECT_EQ(c.length, scale.Length(SkinLength(c.value)));
    EXPECT_EQ(c.border, scale.Border(SkinLength(c.value)));
    EXPECT_EQ(c.toSkin, scale.ToSkin(c.value).Unscaled());
  }
  // A thin line at a scale below 1.5 would round to 1 anyway; at any scale it never vanishes.
  EXPECT_EQ(1, DisplayScale(97).Border(SkinLength(1)));
}

TEST(DisplayScaleTest, ScalesEachEdgeSoThatNeighboursNeverGap) {
  struct Case {
    int dpi;
    RECT skin;
    RECT screen;
  };
  const Case kCases[] = {
      {144, {0, 5, 600, 50}, {0, 8, 900, 75}},
      {120, {1, 1, 2, 2}, {1, 1, 3, 3}},  // width 1 becomes 2: edges, not sizes, are rounded
      {120, {3, 0, 5, 1}, {4, 0, 6, 1}},
      {192, {10, 20, 30, 40}, {20, 40, 60, 80}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "dpi " << c.dpi);
    EXPECT_EQ(c.screen, DisplayScale(c.dpi).Rect(SkinRect(c.skin)));
  }
  // Cells of width 1 side by side at 125 %: each right edge is the next left edge.
  const DisplayScale scale(120);
  for (int x = 0; x < 40; ++x) {
    SCOPED_TRACE(x);
    const RECT cell = scale.Rect(SkinRect({x, 0, x + 1, 1}));
    const RECT next = scale.Rect(SkinRect({x + 1, 0, x + 2, 1}));
    EXPECT_EQ(cell.right, next.left);
  }
}

TEST(ImageVariantTest, NamesTheVariantBeforeTheExtension) {
  struct Case {
    const wchar_t* name;
    int dpi;
    const wchar_t* variant;
  };
  const Case kCases[] = {
      {L"btn_start.png", 192, L"btn_start@2x.png"},
      {L"btn_start.png", 144, L"btn_start@1.5x.png"},
      {L"btn_start.png", 96, L"btn_start.png"},
      {L"btn_start.png", 120, L"btn_start.png"},   // no variant is drawn for 125 %
      {L"img/a.b/logo", 192, L"img/a.b/logo@2x"},  // a dot in a folder is no extension
      {L"img\\logo.big.png", 192, L"img\\logo.big@2x.png"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.dpi);
    EXPECT_EQ(c.variant, ImageVariantName(c.name, c.dpi));
  }
}

TEST(ImageVariantTest, TakesTheSmallestVariantAtOrAboveTheScaleElseTheLargest) {
  struct Case {
    const char* description;
    std::vector<int> available;
    int dpi;
    int chosen;
  };
  const Case kCases[] = {
      {"100 % takes the base image", {96, 144, 192}, 96, 96},
      {"125 % takes 1.5x, not the blurrier 1x", {96, 144, 192}, 120, 144},
      {"150 % exactly", {96, 144, 192}, 144, 144},
      {"175 % takes 2x", {96, 144, 192}, 168, 192},
      {"200 % without 1.5x", {192, 96}, 192, 192},
      {"150 % without 1.5x reduces 2x", {96, 192}, 144, 192},
      {"250 % enlarges the largest", {96, 144, 192}, 240, 192},
      {"only the base image", {96}, 192, 96},
      {"nothing at hand", {}, 144, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.chosen, ChooseImageVariant(c.available, c.dpi));
  }
}

TEST(ImageResampleTest, KeepsFlatColourAndAveragesWhenReducing) {
  // A flat half-transparent colour stays itself at any size.
  const std::vector<uint32_t> flat(4 * 3, 0x80402010);
  for (const SIZE size : {SIZE{6, 5}, SIZE{2, 1}, SIZE{4, 3}, SIZE{9, 7}}) {
    SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
    const std::vector<uint32_t> out = ResamplePixels(flat.data(), 4, 3, size.cx, size.cy);
    ASSERT_EQ(static_cast<size_t>(size.cx * size.cy), out.size());
    for (uint32_t pixel : out)
      EXPECT_EQ(0x80402010u, pixel);
  }
  // Halving a black and white checkerboard gives grey: every source pixel counts.
  const std::vector<uint32_t> board = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
  const std::vector<uint32_t> grey = ResamplePixels(board.data(), 2, 2, 1, 1);
  ASSERT_EQ(1u, grey.size());
  EXPECT_EQ(0xFF808080u, grey[0]);
  EXPECT_TRUE(ResamplePixels(board.data(), 2, 2, 0, 1).empty());
}

// Fault: the finish button's sprite, enlarged from 1x, showed a faint line under the pill: its
// last row mixed in the first row of the hover cell below it.
TEST(ImageResampleTest, CellsOfAResampledSpriteLeaveOutTheRowsMixedWithTheirNeighbours) {
  struct Case {
    const char* description;
    RECT source;
    RECT drawn;
  };
  const Case kCases[] = {
      {"first of three cells", {0, 0, 356, 116}, {0, 0, 356, 115}},
      {"middle cell", {0, 116, 356, 232}, {0, 117, 356, 231}},
      {"last cell", {0, 232, 356, 348}, {0, 233, 356, 348}},
      {"the whole image", {0, 0, 356, 348}, {0, 0, 356, 348}},
      {"side by side cells", {20, 0, 40, 348}, {21, 0, 39, 348}},
      {"too thin to lose a pixel", {0, 10, 356, 12}, {0, 10, 356, 12}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.drawn, InsetCellEdges(c.source, 356, 348));
  }
}

}  // namespace
}  // namespace ui
