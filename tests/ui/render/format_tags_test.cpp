#include "ui/render/format_tags.h"

#include <gtest/gtest.h>

#include <string>

namespace ui {
namespace {

TEST(FormatTagsTest, MatchesTagsInBothBracketForms) {
  struct Case {
    const wchar_t* text;
    wchar_t letter;  // 0: no tag
    bool closing;
    const wchar_t* argument;
    size_t end;
  };
  const Case kCases[] = {
      {L"<b>x", L'b', false, L"", 3},
      {L"{c #FF0000}x", L'c', false, L"#FF0000", 11},
      {L"</c>x", L'c', true, L"", 4},
      {L"{/a}", L'a', true, L"", 4},
      {L"<a  http://x >y", L'a', false, L"http://x", 14},
      {L"<p 8", L'p', false, L"8", 4},  // unterminated: the argument runs to the end
      {L"<b", 0, false, L"", 0},
      {L"<B>", 0, false, L"", 0},
      {L"<bold>", 0, false, L"", 0},
      {L"<{>", 0, false, L"", 0},
      {L"x<b>", 0, false, L"", 0},  // only at the position asked for
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    const auto tag = MatchFormatTag(c.text, 0);
    ASSERT_EQ(c.letter != 0, tag.has_value());
    if (!tag)
      continue;
    EXPECT_EQ(c.letter, tag->letter);
    EXPECT_EQ(c.closing, tag->closing);
    EXPECT_EQ(c.argument, tag->argument);
    EXPECT_EQ(c.end, tag->end);
  }
  EXPECT_EQ(L'{', MatchFormatEscape(L"<{>", 0));
  EXPECT_EQ(L'>', MatchFormatEscape(L"{>}", 0));
  EXPECT_FALSE(MatchFormatEscape(L"<{", 0));
  EXPECT_FALSE(MatchFormatEscape(L"<<>", 0));
}

TEST(FormatTagsTest, ReadsImageAndFontArguments) {
  struct ImageCase {
    const wchar_t* argument;
    const wchar_t* name;
    const wchar_t* type;
    int frames;
    int frame;
  };
  const ImageCase kImages[] = {
      {L"smile.png", L"smile.png", L"", 1, 0},
      {L"smile.png 4 2", L"smile.png", L"", 4, 2},
      {L"smile.png 4 4", L"smile.png", L"", 4, 0},  // frame out of range
      {L"smile.png 0 -1", L"smile.png", L"", 1, 0},
      {L"file='my smile.png' 3 1", L"my smile.png", L"", 3, 1},
      {L"res='12' restype='PNG' 2", L"12", L"PNG", 2, 0},
      {L"color='#FF0000FF'", L"", L"", 1, 0},
  };
  for (const ImageCase& c : kImages) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.argument)));
    const InlineImageArgument image = ParseInlineImageArgument(c.argument);
    EXPECT_EQ(c.name, image.name);
    EXPECT_EQ(c.type, image.type);
    EXPECT_EQ(c.frames, image.frames);
    EXPECT_EQ(c.frame, image.frame);
  }

  const FontArgument byIndex = ParseFontArgument(L"3");
  EXPECT_EQ(3, byIndex.index);
  const FontArgument described = ParseFontArgument(L"Tahoma 18 BOLD italic");
  EXPECT_EQ(-1, described.index);
  EXPECT_EQ(L"Tahoma", described.faceName);
  EXPECT_EQ(18, described.size);
  EXPECT_TRUE(described.bold);
  EXPECT_TRUE(described.italic);
  EXPECT_FALSE(described.underline);
  EXPECT_EQ(10, ParseFontArgument(L"Tahoma underline").size);
}

}  // namespace
}  // namespace ui
