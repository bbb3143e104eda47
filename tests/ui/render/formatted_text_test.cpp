#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/scoped_gdi.h"
#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "ui/core/paint_manager.h"
#include "ui/render/image_cache.h"
#include "ui/render/render_engine.h"

namespace ui {
namespace {

using testing_support::MakeImage;
using testing_support::PaintSurface;

constexpr int kFont = 1;
constexpr uint32_t kWhite = 0xFFFFFF;

bool IsRed(uint32_t pixel) {
  return (pixel >> 16) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x60 && (pixel & 0xFF) < 0x60;
}

bool IsDark(uint32_t pixel) {
  return (pixel >> 16) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && (pixel & 0xFF) < 0x60;
}

bool IsBlue(uint32_t pixel) {
  return (pixel >> 16) < 0x60 && ((pixel >> 8) & 0xFF) < 0x60 && (pixel & 0xFF) > 0xC0;
}

class FormattedTextTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, manager_.AddFont(kFont, L"Tahoma", 20, false, false, false));
  }
  void TearDown() override { ImageCache::Shared().Clear(); }

  RECT Measure(std::wstring_view text, UINT format, RECT rect = {0, 0, 9999, 100}) {
    int links = 0;
    RenderEngine::DrawFormattedText(surface_.dc(), &manager_, rect, text, 0xFF000000, nullptr,
                                    nullptr, links, kFont, format | DT_CALCRECT);
    return rect;
  }

  int Width(std::wstring_view text, HFONT font) {
    base::ScopedSelectObject select(surface_.dc(), font);
    SIZE size = {};
    ::GetTextExtentPoint32W(surface_.dc(), text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

  int LineHeight() {
    base::ScopedSelectObject select(surface_.dc(), manager_.GetFont(kFont));
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(surface_.dc(), &metrics);
    return metrics.tmHeight + metrics.tmExternalLeading;
  }

  void Draw(std::wstring_view text,
            RECT rect,
            RECT* links = nullptr,
            std::wstring* linkTexts = nullptr,
            int* linkCount = nullptr) {
    int none = 0;
    RenderEngine::DrawFormattedText(surface_.dc(), &manager_, rect, text, 0xFF000000, links,
                                    linkTexts, linkCount ? *linkCount : none, kFont, DT_SINGLELINE);
  }

  PaintManager manager_;
  PaintSurface surface_{400, 100};
};

TEST_F(FormattedTextTest, EscapesAndRawTextShowTheirCharacters) {
  struct Case {
    const wchar_t* text;
    const wchar_t* shown;
  };
  const Case kCases[] = {
      {L"a<{>b", L"a{b"},
      {L"a<}>b", L"a}b"},
      {L"a{<}b", L"a<b"},
      {L"a{>}b", L"a>b"},
      {L"<r><b>x</b></r>", L"<b>x</b>"},
      {L"{r}{b}x{/b}{/r}", L"{b}x{/b}"},
      {L"<r>{c #F00}x{/r}", L"{c #F00}x"},
      // Not tags: an upper-case letter, a digit, a letter followed by anything but a space,
      // ">" or "}".
      {L"<B>x", L"<B>x"},
      {L"a<3b", L"a<3b"},
      {L"<bx>", L"<bx>"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(Width(c.shown, manager_.GetFont(kFont)), Measure(c.text, DT_SINGLELINE).right);
  }
}

TEST_F(FormattedTextTest, BoldWordThenTheFontInUseBefore) {
  for (const wchar_t* text : {L"<b>MM</b>MM", L"{b}MM{/b}MM"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    const LONG measured = Measure(text, DT_SINGLELINE).right;
    // The bold variant was looked up, or added, in the manager's fonts.
    HFONT bold = manager_.FindFont(L"Tahoma", 20, true, false, false);
    ASSERT_NE(nullptr, bold);
    const int regularWidth = Width(L"MM", manager_.GetFont(kFont));
    EXPECT_GT(Width(L"MM", bold), regularWidth);
    EXPECT_EQ(Width(L"MM", bold) + regularWidth, measured);
  }
}

TEST_F(FormattedTextTest, ColourTagColoursTheTextUntilItsClosingTag) {
  for (const wchar_t* text : {L"{c #FF0000}MMMM{/c}MMMM", L"<c #FF0000>MMMM</c>MMMM"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    surface_.Fill(kWhite);
    Draw(text, {0, 0, 400, 40});
    const LONG split = Width(L"MMMM", manager_.GetFont(kFont));
    EXPECT_GT(surface_.Count({0, 0, split, 40}, IsRed), 20);
    EXPECT_EQ(0, surface_.Count({0, 0, split, 40}, IsDark));
    EXPECT_EQ(0, surface_.Count({split, 0, 400, 40}, IsRed));
    EXPECT_GT(surface_.Count({split, 0, 400, 40}, IsDark), 20);
  }
}

TEST_F(FormattedTextTest, MeasuringCountsTheLines) {
  struct Case {
    const wchar_t* text;
    UINT format;
    int lines;
  };
  const Case kCases[] = {
      {L"ab<n>cd", 0, 2},
      {L"ab{n}cd", 0, 2},
      {L"ab\ncd", 0, 2},
      {L"ab cd", 0, 1},
      {L"ab<n>cd", DT_SINGLELINE, 1},  // "n" means nothing on a single line
  };
  const int lineHeight = LineHeight();
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    const RECT measured = Measure(c.text, c.format);
    EXPECT_EQ(0, measured.top);
    EXPECT_EQ(c.lines * lineHeight, measured.bottom);
    EXPECT_LE(measured.right, Width(L"ab cd", manager_.GetFont(kFont)));
  }
}

// A break at the end of the text used to open one more, empty line: "ab\n" measured two lines
// where the platform's own text output measures one, so multi-line labels came out too tall.
TEST_F(FormattedTextTest, BreakAtTheEndOpensNoFurtherLine) {
  struct Case {
    const wchar_t* text;
    int lines;
  };
  const Case kCases[] = {
      {L"ab", 1},       {L"ab\n", 1},      {L"ab<n>", 1},        {L"ab{n}", 1},
      {L"ab</p>", 1},   {L"<p>ab</p>", 1}, {L"<b>ab<n></b>", 1}, {L"<p>ab</p><p>cd</p>", 2},
      {L"ab<n><n>", 2}, {L"ab\n\n", 2},    {L"ab<n>cd<n>", 2},
  };
  const int lineHeight = LineHeight();
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(c.lines * lineHeight, Measure(c.text, DT_WORDBREAK).bottom);
  }
  // Plain text with line feeds measures as the platform measures it.
  base::ScopedSelectObject select(surface_.dc(), manager_.GetFont(kFont));
  for (const wchar_t* text : {L"ab", L"ab\n", L"ab\n\n", L"ab\ncd\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    RECT platform = {0, 0, 9999, 100};
    ::DrawTextW(surface_.dc(), text, -1, &platform, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(platform.bottom, Measure(text, DT_WORDBREAK).bottom);
  }
}

TEST_F(FormattedTextTest, WordBreakKeepsEveryLineInsideTheRectangle) {
  const int room = Width(L"aaaa bbbb", manager_.GetFont(kFont)) + 2;
  const RECT measured = Measure(L"aaaa bbbb cccc dd-eeeeee", DT_WORDBREAK, {0, 0, room, 400});
  EXPECT_LE(measured.right, room);
  EXPECT_EQ(3 * LineHeight(), measured.bottom);
  // Without word breaks a single line is cut at the right edge, never drawn over it.
  surface_.Fill(kWhite);
  Draw(L"MMMMMMMMMMMMMMMMMMMM", {0, 0, 50, 40});
  EXPECT_EQ(0, surface_.Count({50, 0, 400, 100}, [](uint32_t p) { return p != kWhite; }));
}

TEST_F(FormattedTextTest, AlignsSingleLinesInTheRectangleAndMultipleLinesEachOnItsOwn) {
  // The bounding box of everything drawn that is not white.
  auto inked = [&](const RECT& area) {
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (surface_.Pixel(x, y) != kWhite)
          box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                 std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
      }
    }
    return box;
  };
  RECT rect = {0, 0, 400, 100};
  int none = 0;
  RenderEngine::DrawFormattedText(surface_.dc(), &manager_, rect, L"<b>MM</b>M", 0xFF000000,
                                  nullptr, nullptr, none, kFont,
                                  DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const RECT centred = inked({0, 0, 400, 100});
  EXPECT_NEAR(200, (centred.left + centred.right) / 2, 3);
  EXPECT_NEAR(50, (centred.top + centred.bottom) / 2, LineHeight() / 3);

  surface_.Fill(kWhite);
  RenderEngine::DrawFormattedText(surface_.dc(), &manager_, rect, L"MMMM<n>M", 0xFF000000, nullptr,
                                  nullptr, none, kFont, DT_RIGHT);
  const int lineHeight = LineHeight();
  EXPECT_NEAR(400, inked({0, 0, 400, lineHeight}).right, 3);
  EXPECT_NEAR(400, inked({0, lineHeight, 400, 2 * lineHeight}).right, 3);
}

TEST_F(FormattedTextTest, SelectedTextHasTheSelectedBackground) {
  Draw(L"MM<s>MM</s>MM", {0, 0, 400, 40});
  const uint32_t selected = manager_.GetSelectedColor() & 0xFFFFFF;
  const LONG start = Width(L"MM", manager_.GetFont(kFont));
  const LONG end = start + Width(L"MM", manager_.GetFont(kFont));
  const auto isSelected = [&](uint32_t p) { return p == selected; };
  EXPECT_GT(surface_.Count({start, 0, end, LineHeight()}, isSelected), 0);
  EXPECT_EQ(0, surface_.Count({0, 0, start, 40}, isSelected));
  EXPECT_EQ(0, surface_.Count({end, 0, 400, 40}, isSelected));
}

TEST_F(FormattedTextTest, LinksAreReportedUpToTheCapacityAndAllDrawnInLinkColour) {
  RECT links[3] = {{}, {}, {300, 0, 400, 50}};  // the last one is left over from earlier
  std::wstring texts[3] = {L"", L"", L"stale"};
  int count = 3;
  Draw(L"<a one>xx</a> <a two>yy</a>", {0, 0, 400, 40}, links, texts, &count);
  ASSERT_EQ(2, count);
  EXPECT_EQ(L"one", texts[0]);
  EXPECT_EQ(L"two", texts[1]);
  EXPECT_LT(links[0].left, links[0].right);
  EXPECT_LE(links[0].right, links[1].left);
  EXPECT_LT(links[1].left, links[1].right);
  EXPECT_GT(links[0].bottom, links[0].top);
  EXPECT_EQ((RECT{0, 0, 0, 0}), links[2]);
  EXPECT_EQ(L"", texts[2]);

  surface_.Fill(kWhite);
  RECT one[1] = {};
  std::wstring oneText[1];
  count = 1;
  Draw(L"<a one>xx</a> <a two>yy</a>", {0, 0, 400, 40}, one, oneText, &count);
  EXPECT_EQ(1, count);
  EXPECT_EQ(L"one", oneText[0]);
  EXPECT_GT(surface_.Count({one[0].right, 0, 400, 40}, IsBlue), 5);
  EXPECT_EQ(0, surface_.Count({0, 0, 400, 40}, IsDark));
}

TEST_F(FormattedTextTest, InlineImageShowsTheChosenFrameOnTheLine) {
  // Two 10x10 frames: red, then blue.
  ImageCache::Shared().Insert(
      L"pic.png", MakeImage(20, 10, [](int x, int) { return x < 10 ? 0xFFFF0000u : 0xFF0000FFu; }));
  EXPECT_EQ(10, Measure(L"<i pic.png 2 1>", DT_SINGLELINE).right);
  EXPECT_EQ(20, Measure(L"<i pic.png>", DT_SINGLELINE).right);
  EXPECT_EQ(10, Measure(L"<i file='pic.png' 2 5>", DT_SINGLELINE).right);  // frame 5 is 0

  surface_.Fill(kWhite);
  Draw(L"<i pic.png 2 1>", {0, 0, 400, 40});
  const LONG lineBottom = LineHeight();
  EXPECT_EQ(100, surface_.Count({0, 0, 400, 100}, IsBlue));
  EXPECT_TRUE(surface_.IsAll({0, lineBottom - 10, 10, lineBottom}, 0x0000FF));
}

}  // namespace
}  // namespace ui
