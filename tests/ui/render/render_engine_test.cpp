#include "ui/render/render_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/scoped_gdi.h"
#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "ui/core/paint_manager.h"
#include "ui/render/gdi_helpers.h"
#include "ui/render/image_cache.h"
#include "ui/render/msimg32_functions.h"

namespace ui {
namespace {

using testing_support::MakeImage;
using testing_support::PaintSurface;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kBlack = 0x000000;

bool Near(uint32_t a, uint32_t b, int tolerance = 2) {
  for (int bit = 0; bit < 24; bit += 8) {
    if (std::abs(static_cast<int>((a >> bit) & 0xFF) - static_cast<int>((b >> bit) & 0xFF)) >
        tolerance) {
      return false;
    }
  }
  return true;
}

// A 15x15 nine-grid source: 5-pixel red corners, green edges and a blue middle.
ImageRecordPtr MakeNineGridImage() {
  return MakeImage(15, 15, [](int x, int y) {
    const bool edgeX = x < 5 || x >= 10, edgeY = y < 5 || y >= 10;
    return 0xFF000000 | (edgeX && edgeY ? kRed : edgeX || edgeY ? kGreen : kBlue);
  });
}

TEST(RenderEngineDrawImageTest, NineGridCornersKeepTheirSizeWhileEdgesAndMiddleStretch) {
  // Both paths: the opaque copy and the alpha blend (taken for images with alpha).
  for (const bool hasAlpha : {false, true}) {
    SCOPED_TRACE(hasAlpha ? "alpha" : "opaque");
    ImageRecordPtr image = MakeNineGridImage();
    PaintSurface surface(60, 50);
    const RECT dest = {5, 5, 45, 35};  // 40x30 from 15x15
    RenderEngine::DrawImage(surface.dc(), image->bitmap.Get(),
                            {.dest = dest,
                             .dirty = dest,
                             .source = {0, 0, 15, 15},
                             .corner = {5, 5, 5, 5},
                             .hasAlpha = hasAlpha});
    for (POINT corner : {POINT{5, 5}, POINT{40, 5}, POINT{5, 30}, POINT{40, 30}})
      EXPECT_TRUE(surface.IsAll({corner.x, corner.y, corner.x + 5, corner.y + 5}, kRed));
    EXPECT_TRUE(surface.IsAll({10, 5, 40, 10}, kGreen));   // top edge, stretched to 30
    EXPECT_TRUE(surface.IsAll({5, 10, 10, 30}, kGreen));   // left edge, stretched to 20
    EXPECT_TRUE(surface.IsAll({40, 10, 45, 30}, kGreen));  // right edge
    EXPECT_TRUE(surface.IsAll({10, 30, 40, 35}, kGreen));  // bottom edge
    EXPECT_TRUE(surface.IsAll({10, 10, 40, 30}, kBlue));   // middle
    // Nothing outside the destination.
    EXPECT_TRUE(surface.IsAll({0, 0, 60, 5}, kWhite));
    EXPECT_TRUE(surface.IsAll({45, 0, 60, 50}, kWhite));
    EXPECT_TRUE(surface.IsAll({0, 35, 60, 50}, kWhite));
  }
}

TEST(RenderEngineDrawImageTest, HoleLeavesTheMiddleAndCellsMissingTheDirtyAreaAreSkipped) {
  ImageRecordPtr image = MakeNineGridImage();
  PaintSurface surface(50, 40);
  const RECT dest = {0, 0, 40, 30};
  RenderEngine::DrawImage(surface.dc(), image->bitmap.Get(),
                          {.dest = dest,
                           .dirty = dest,
                           .source = {0, 0, 15, 15},
                           .corner = {5, 5, 5, 5},
                           .hole = true});
  EXPECT_TRUE(surface.IsAll({5, 5, 35, 25}, kWhite));
  EXPECT_TRUE(surface.IsAll({5, 0, 35, 5}, kGreen));

  // A dirty area inside the top-left corner: only that cell is drawn (and drawn whole).
  surface.Fill(kWhite);
  RenderEngine::DrawImage(
      surface.dc(), image->bitmap.Get(),
      {.dest = dest, .dirty = {1, 1, 3, 3}, .source = {0, 0, 15, 15}, .corner = {5, 5, 5, 5}});
  EXPECT_TRUE(surface.IsAll({0, 0, 5, 5}, kRed));
  EXPECT_TRUE(surface.IsAll({5, 0, 40, 30}, kWhite));
  EXPECT_TRUE(surface.IsAll({0, 5, 5, 30}, kWhite));
}

TEST(RenderEngineDrawImageTest, OpaqueImageAtItsOwnSizeCopiesOnlyTheDirtyPart) {
  ImageRecordPtr image = MakeImage(8, 8, [](int, int) { return 0xFF000000 | kBlue; });
  PaintSurface surface(10, 10);
  RenderEngine::DrawImage(surface.dc(), image->bitmap.Get(),
                          {.dest = {0, 0, 8, 8}, .dirty = {2, 2, 4, 4}, .source = {0, 0, 8, 8}});
  EXPECT_TRUE(surface.IsAll({2, 2, 4, 4}, kBlue));
  EXPECT_EQ(2 * 2, surface.Count({0, 0, 10, 10}, [](uint32_t p) { return p == kBlue; }));
}

TEST(RenderEngineDrawImageTest, TilingCutsTheLastColumnAndRow) {
  // Columns red, green, blue; rows keep the colour. The last tile must take the top-left part
  // of the source at its own size, not a squeezed copy of the whole tile.
  const uint32_t kColumns[] = {kRed, kGreen, kBlue};
  ImageRecordPtr image = MakeImage(3, 3, [&](int x, int) { return 0xFF000000 | kColumns[x]; });
  for (const bool hasAlpha : {false, true}) {
    SCOPED_TRACE(hasAlpha ? "alpha" : "opaque");
    PaintSurface surface(20, 20);
    const RECT dest = {0, 0, 11, 8};  // three whole tiles and two columns; two rows and two rows
    RenderEngine::DrawImage(surface.dc(), image->bitmap.Get(),
                            {.dest = dest,
                             .dirty = dest,
                             .source = {0, 0, 3, 3},
                             .hasAlpha = hasAlpha,
                             .tileX = true,
                             .tileY = true});
    for (int x = 0; x < 11; ++x) {
      SCOPED_TRACE(x);
      EXPECT_TRUE(surface.IsAll({x, 0, x + 1, 8}, kColumns[x % 3]));
    }
    EXPECT_TRUE(surface.IsAll({11, 0, 20, 20}, kWhite));
    EXPECT_TRUE(surface.IsAll({0, 8, 20, 20}, kWhite));

    // Horizontal tiling alone stretches each column over the whole height.
    surface.Fill(kWhite);
    RenderEngine::DrawImage(surface.dc(), image->bitmap.Get(),
                            {.dest = {0, 0, 7, 12},
                             .dirty = {0, 0, 7, 12},
                             .source = {0, 0, 3, 3},
                             .hasAlpha = hasAlpha,
                             .tileX = true});
    EXPECT_TRUE(surface.IsAll({6, 0, 7, 12}, kRed));
    EXPECT_TRUE(surface.IsAll({5, 0, 6, 12}, kBlue));
    EXPECT_TRUE(surface.IsAll({7, 0, 20, 20}, kWhite));
  }
}

// Images are resolved through the paint manager; the shared cache holds the test images.
class RenderEngineImageInfoTest : public testing::Test {
 protected:
  void TearDown() override { ImageCache::Shared().Clear(); }

  // A 12x48 strip of four 12-pixel rows: red, green, blue, black.
  static void AddStrip(const std::wstring& name) {
    const uint32_t kRows[] = {kRed, kGreen, kBlue, kBlack};
    ImageCache::Shared().Insert(
        name, MakeImage(12, 48, [&](int, int y) { return 0xFF000000 | kRows[y / 12]; }));
  }

  PaintManager manager_;
};

TEST_F(RenderEngineImageInfoTest, SourceSelectsPartOfTheImageAndIsCutToIt) {
  AddStrip(L"btn_min.png");
  struct Case {
    const wchar_t* description;
    RECT item;
    uint32_t color;
    RECT source;
  };
  const Case kCases[] = {
      {L"file='btn_min.png' source='0,12,12,24'", {0, 0, 12, 12}, kGreen, {0, 12, 12, 24}},
      // Rows 36-59 of a 48-row image: cut to 36-47, which then fills the 24 rows.
      {L"file='btn_min.png' source='0,36,12,60'", {0, 0, 12, 24}, kBlack, {0, 36, 12, 48}},
      {L"file='btn_min.png' source='0,24,20,36'", {0, 0, 12, 12}, kBlue, {0, 24, 12, 36}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.description)));
    PaintSurface surface(20, 30);
    ImageDrawInfo info;
    info.description = c.description;
    EXPECT_TRUE(RenderEngine::DrawImageInfo(surface.dc(), &manager_, c.item, c.item, info));
    EXPECT_EQ(c.source, info.source.Unscaled());
    EXPECT_TRUE(surface.IsAll(c.item, c.color));
  }
}

TEST_F(RenderEngineImageInfoTest, DestNeverDrawsOutsideTheItem) {
  ImageCache::Shared().Insert(L"checkbox.png",
                              MakeImage(13, 13, [](int, int) { return 0xFF000000 | kBlue; }));
  struct Case {
    const wchar_t* description;
    RECT item;
    RECT expected;  // where blue appears; everything else stays white
  };
  const Case kCases[] = {
      {L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'",
       {10, 10, 40, 40},
       {10, 16, 23, 29}},
      // The item is smaller than dest: the image is held inside it.
      {L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'",
       {10, 10, 20, 20},
       {10, 16, 20, 20}},
      // A negative offset does not reach over the item's left and top edges either.
      {L"file='checkbox.png' dest='-5,-5,8,8'", {10, 10, 40, 40}, {10, 10, 18, 18}},
      // A dest entirely outside the item draws nothing.
      {L"file='checkbox.png' dest='40,0,53,13'", {10, 10, 40, 40}, {0, 0, 0, 0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.description)));
    PaintSurface surface(50, 50);
    ImageDrawInfo info;
    info.description = c.description;
    EXPECT_TRUE(RenderEngine::DrawImageInfo(surface.dc(), &manager_, c.item, c.item, info));
    const RECT& e = c.expected;
    const int area = (e.right - e.left) * (e.bottom - e.top);
    EXPECT_TRUE(surface.IsAll(e, kBlue));
    EXPECT_EQ(area, surface.Count({0, 0, 50, 50}, [](uint32_t p) { return p != kWhite; }));
  }
}

TEST_F(RenderEngineImageInfoTest, ResolvesOnceAndDoesNotRetryAFailedLoad) {
  ImageDrawInfo info;
  info.description = L"progress_pos.png";
  EXPECT_FALSE(RenderEngine::ResolveImageInfo(&manager_, info));
  EXPECT_TRUE(info.triedLoad);
  // The image appearing later does not matter until the description is set again.
  ImageCache::Shared().Insert(L"progress_pos.png",
                              MakeImage(4, 2, [](int, int) { return 0xFF000000 | kRed; }));
  EXPECT_FALSE(RenderEngine::ResolveImageInfo(&manager_, info));

  info.Clear();
  info.description = L"progress_pos.png";
  EXPECT_TRUE(RenderEngine::ResolveImageInfo(&manager_, info));
  EXPECT_EQ(L"progress_pos.png", info.imageName);
  ASSERT_NE(nullptr, info.image);
  EXPECT_EQ((RECT{0, 0, 4, 2}), info.source.Unscaled());

  // Without a manager there is nothing to resolve with, which is not a failure.
  ImageDrawInfo unresolved;
  unresolved.description = L"progress_pos.png";
  EXPECT_TRUE(RenderEngine::ResolveImageInfo(nullptr, unresolved));
  EXPECT_TRUE(
      RenderEngine::DrawImageInfo(nullptr, nullptr, {0, 0, 4, 4}, {0, 0, 4, 4}, unresolved));
  EXPECT_EQ(nullptr, unresolved.image);
}

TEST_F(RenderEngineImageInfoTest, ColorDescriptionAndFadeBlendOverTheBackground) {
  PaintSurface surface(10, 10);
  ImageDrawInfo info;
  info.description = L"color='#FF0000FF' fade='128'";
  EXPECT_TRUE(
      RenderEngine::DrawImageInfo(surface.dc(), &manager_, {0, 0, 10, 10}, {0, 0, 10, 10}, info));
  EXPECT_TRUE(Near(0x7F7FFF, surface.Pixel(5, 5)));
}

TEST(RenderEngineColorTest, AlphaDecidesWhetherAndHowTheRectangleIsFilled) {
  PaintSurface surface(20, 20);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 20, 20}, 0x00FF0000);
  EXPECT_TRUE(surface.IsAll({0, 0, 20, 20}, kWhite));

  RenderEngine::DrawColor(surface.dc(), {4, 5, 10, 12}, 0xFF0000FF);
  EXPECT_TRUE(surface.IsAll({4, 5, 10, 12}, kBlue));
  EXPECT_EQ(6 * 7, surface.Count({0, 0, 20, 20}, [](uint32_t p) { return p != kWhite; }));

  // Translucent red over white is pink, not a channel overflowing into its neighbour.
  surface.Fill(kWhite);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 10, 10}, 0x80FF0000);
  EXPECT_TRUE(Near(0xFF7F7F, surface.Pixel(5, 5)));
  EXPECT_EQ(kWhite, surface.Pixel(15, 15));
}

TEST(RenderEngineGradientTest, RunsFromFirstToSecondColour) {
  PaintSurface surface(16, 64);
  RenderEngine::DrawGradient(surface.dc(), {0, 0, 16, 64}, 0xFF000000, 0xFFFFFFFF, true, 16);
  const uint32_t top = surface.Pixel(8, 0) & 0xFF, middle = surface.Pixel(8, 32) & 0xFF,
                 bottom = surface.Pixel(8, 63) & 0xFF;
  EXPECT_LT(top, 16u);
  EXPECT_GT(middle, 96u);
  EXPECT_LT(middle, 160u);
  EXPECT_GT(bottom, 240u);
  // Horizontal: left to right.
  surface.Fill(kBlack);
  RenderEngine::DrawGradient(surface.dc(), {0, 0, 16, 64}, 0xFF0000FF, 0xFFFF0000, false, 16);
  EXPECT_TRUE(Near(kBlue, surface.Pixel(0, 10), 16));
  EXPECT_TRUE(Near(kRed, surface.Pixel(15, 10), 16));
}

TEST(RenderEngineGradientTest, TranslucentGradientBlendsAndNearlyTransparentOneDrawsNothing) {
  PaintSurface surface(16, 16);
  // Alphas 1 and 0 average to 0.
  RenderEngine::DrawGradient(surface.dc(), {0, 0, 16, 16}, 0x01000000, 0x00000000, true, 16);
  EXPECT_TRUE(surface.IsAll({0, 0, 16, 16}, kWhite));
  // Black at alpha 0x80 over white.
  RenderEngine::DrawGradient(surface.dc(), {0, 0, 16, 16}, 0x80000000, 0x80000000, true, 16);
  EXPECT_TRUE(Near(0x7F7F7F, surface.Pixel(8, 8)));
}

TEST(RenderEngineLineTest, OutlinesStayInsideTheRectangleAndLeaveItsInsideAlone) {
  PaintSurface surface(20, 20);
  RenderEngine::DrawRectOutline(surface.dc(), {2, 2, 12, 12}, 2, 0xFFFF0000, PS_SOLID);
  EXPECT_TRUE(surface.IsAll({2, 2, 12, 4}, kRed));
  EXPECT_TRUE(surface.IsAll({2, 10, 12, 12}, kRed));
  EXPECT_TRUE(surface.IsAll({4, 4, 10, 10}, kWhite));
  EXPECT_TRUE(surface.IsAll({12, 0, 20, 20}, kWhite));

  surface.Fill(kWhite);
  RenderEngine::DrawLine(surface.dc(), {0, 5, 20, 5}, 1, 0xFF0000FF, PS_SOLID);
  EXPECT_TRUE(surface.IsAll({0, 5, 19, 6}, kBlue));
  EXPECT_TRUE(surface.IsAll({0, 6, 20, 20}, kWhite));

  surface.Fill(kWhite);
  RenderEngine::DrawRoundRect(surface.dc(), {0, 0, 20, 20}, 1, 10, 10, 0xFF00FF00, PS_SOLID);
  EXPECT_EQ(kWhite, surface.Pixel(0, 0));   // the corner is cut
  EXPECT_EQ(kGreen, surface.Pixel(10, 0));  // the straight part is not
  EXPECT_EQ(kWhite, surface.Pixel(10, 10));
}

TEST(RenderEngineClipTest, ClipsNestAndRestore) {
  PaintSurface surface(30, 30);
  ClipState outer = RenderEngine::RectClip(surface.dc(), {0, 0, 20, 20});
  ClipState inner = RenderEngine::RectClip(surface.dc(), {10, 10, 30, 30});
  RenderEngine::DrawColor(surface.dc(), {0, 0, 30, 30}, 0xFFFF0000);
  EXPECT_EQ(10 * 10, surface.Count({0, 0, 30, 30}, [](uint32_t p) { return p == kRed; }));

  // The outer clip for a moment, then the inner one again.
  RenderEngine::UseOuterClipBegin(surface.dc(), inner);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 30, 30}, 0xFF00FF00);
  EXPECT_EQ(20 * 20, surface.Count({0, 0, 30, 30}, [](uint32_t p) { return p == kGreen; }));
  RenderEngine::UseOuterClipEnd(surface.dc(), inner);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 30, 30}, 0xFF0000FF);
  EXPECT_EQ(10 * 10, surface.Count({0, 0, 30, 30}, [](uint32_t p) { return p == kBlue; }));

  RenderEngine::RestoreClip(inner);
  RenderEngine::RestoreClip(outer);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 30, 30}, 0xFF000000);
  EXPECT_TRUE(surface.IsAll({0, 0, 30, 30}, kBlack));
}

TEST(RenderEngineClipTest, RoundClipCutsTheCornersOfTheItem) {
  PaintSurface surface(30, 30);
  ClipState clip = RenderEngine::RoundClip(surface.dc(), {0, 0, 30, 30}, {0, 0, 20, 20}, 12, 12);
  RenderEngine::DrawColor(surface.dc(), {0, 0, 30, 30}, 0xFFFF0000);
  RenderEngine::RestoreClip(clip);
  EXPECT_EQ(kWhite, surface.Pixel(0, 0));
  EXPECT_EQ(kWhite, surface.Pixel(19, 19));
  EXPECT_EQ(kRed, surface.Pixel(10, 0));
  EXPECT_EQ(kRed, surface.Pixel(10, 10));
  EXPECT_EQ(kWhite, surface.Pixel(25, 10));
}

// The software blend stands in for msimg32's; it must give the same source-over result.
TEST(RenderEngineSoftAlphaBlendTest, MatchesThePlatformBlend) {
  ASSERT_NE(nullptr, Msimg32().alphaBlend);
  // Premultiplied half-transparent red, opaque green, transparent, and 25% blue.
  const uint32_t kSource[] = {0x80FF0000, 0xFF00FF00, 0x00000000, 0x400000FF};
  ImageRecordPtr image = MakeImage(4, 1, [&](int x, int) { return kSource[x]; });
  base::ScopedMemoryDC imageDc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(imageDc);
  base::ScopedSelectObject select(imageDc.Get(), image->bitmap.Get());
  for (const BLENDFUNCTION blend :
       {BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA},
        BLENDFUNCTION{AC_SRC_OVER, 0, 128, AC_SRC_ALPHA}, BLENDFUNCTION{AC_SRC_OVER, 0, 128, 0}}) {
    SCOPED_TRACE(testing::Message() << "constant alpha " << int(blend.SourceConstantAlpha)
                                    << " format " << int(blend.AlphaFormat));
    PaintSurface platform(8, 2, 0x336699), soft(8, 2, 0x336699);
    ASSERT_TRUE(Msimg32().alphaBlend(platform.dc(), 0, 0, 8, 2, imageDc.Get(), 0, 0, 4, 1, blend));
    ASSERT_TRUE(
        RenderEngine::SoftAlphaBlend(soft.dc(), 0, 0, 8, 2, imageDc.Get(), 0, 0, 4, 1, blend));
    for (int x = 0; x < 8; ++x) {
      SCOPED_TRACE(x);
      EXPECT_TRUE(Near(platform.Pixel(x, 1), soft.Pixel(x, 1)));
    }
  }
}

TEST(Msimg32FunctionsTest, ComeFromTheSystemFolderOnly) {
  ASSERT_NE(nullptr, Msimg32().alphaBlend);
  ASSERT_NE(nullptr, Msimg32().gradientFill);
  HMODULE module = nullptr;
  ASSERT_TRUE(::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(Msimg32().alphaBlend), &module));
  wchar_t path[MAX_PATH], folder[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(module, path, MAX_PATH), 0u);
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(0, ::_wcsnicmp(path, folder, length)) << testing::PrintToString(std::wstring(path));
}

TEST(RenderEnginePlainTextTest, DrawsInTheColourAndMeasuresWithTheManagersFont) {
  PaintManager manager;
  ASSERT_NE(nullptr, manager.AddFont(0, L"Tahoma", 20, false, false, false));
  PaintSurface surface(200, 40);
  RECT rect = {0, 0, 200, 40};
  RenderEngine::DrawPlainText(surface.dc(), &manager, rect, L"MMMM", 0xFFFF0000, 0, DT_SINGLELINE);
  EXPECT_GT(surface.Count({0, 0, 200, 40}, [](uint32_t p) { return Near(p, kRed, 40); }), 0);
  // Red blended with white keeps its red channel: no other ink anywhere.
  EXPECT_EQ(0, surface.Count({0, 0, 200, 40}, [](uint32_t p) { return (p >> 16) < 0xC0; }));

  // Measuring: "&" is text, not an accelerator mark, and language placeholders are replaced.
  PaintManager::AddLanguageText(901, L"MMMM");
  auto measure = [&](const wchar_t* text) {
    RECT r = {0, 0, 1000, 100};
    RenderEngine::DrawPlainText(surface.dc(), &manager, r, text, 0xFF000000, 0,
                                DT_SINGLELINE | DT_CALCRECT);
    return r.right;
  };
  EXPECT_GT(measure(L"&&&&"), measure(L"&&"));
  EXPECT_EQ(measure(L"MMMM"), measure(L"%{901}"));
  EXPECT_GT(measure(L"MMMM"), 0);
}

}  // namespace
}  // namespace ui
