#include "ui/render/image_description.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/rect_compare.h"

namespace ui {
namespace {

TEST(ImageDescriptionTest, ParsesTheDescriptionGrammar) {
  struct Case {
    const wchar_t* description;
    const wchar_t* name;
    ImageSourceKind kind;
    RECT dest;
    RECT source;
    RECT corner;
    uint8_t fade;
  };
  constexpr RECT kZero = {0, 0, 0, 0};
  constexpr auto kWhole = ImageSourceKind::WholeText;
  constexpr auto kFile = ImageSourceKind::File;
  const Case kCases[] = {
      {L"progress_pos.png", L"progress_pos.png", kWhole, kZero, kZero, kZero, 255},
      {L"file='btn_min.png' source='0,12,12,24'",
       L"btn_min.png",
       kFile,
       kZero,
       {0, 12, 12, 24},
       kZero,
       255},
      {L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'",
       L"checkbox.png",
       kFile,
       {0, 6, 13, 19},
       {0, 0, 13, 13},
       kZero,
       255},
      // Blanks after the first space start the next item.
      {L"file='a.png'  dest='1,2,3,4'", L"a.png", kFile, {1, 2, 3, 4}, kZero, kZero, 255},
      // Only a space may follow a closing quote: a tab or a key right after it ends the parse.
      {L"file='a.png'\tdest='1,2,3,4'", L"a.png", kFile, kZero, kZero, kZero, 255},
      {L"file='a.png'dest='1,2,3,4'", L"a.png", kFile, kZero, kZero, kZero, 255},
      {L"file='a.png' dest='1,2,3,4'\tsource='5,6,7,8'",
       L"a.png",
       kFile,
       {1, 2, 3, 4},
       kZero,
       kZero,
       255},
      // Blanks around "=" are allowed; a key without "=" or quotes ends the parse.
      {L" file = 'a.png' ", L"a.png", kFile, kZero, kZero, kZero, 255},
      {L"file='a.png' dest '1,2,3,4'", L"a.png", kFile, kZero, kZero, kZero, 255},
      {L"file='a.png' dest=1,2,3,4", L"a.png", kFile, kZero, kZero, kZero, 255},
      {L"file='a.png' dest='1,2,3,4", L"a.png", kFile, kZero, kZero, kZero, 255},
      // Keys without an image name: the whole text is the name.
      {L"fade='300'", L"fade='300'", kWhole, kZero, kZero, kZero, 44},
      {L"FILE='a.png'", L"FILE='a.png'", kWhole, kZero, kZero, kZero, 255},
      {L"file='' corner='1,2,3,4'",
       L"file='' corner='1,2,3,4'",
       kWhole,
       kZero,
       kZero,
       {1, 2, 3, 4},
       255},
      {L"file='a.png' scale9='5,5,5,5' fade='128'",
       L"a.png",
       kFile,
       kZero,
       kZero,
       {5, 5, 5, 5},
       128},
      // Numbers are read one character past where the previous one stopped; missing ones are 0.
      {L"file='a.png' source='1 2;3x4' dest='7,8'",
       L"a.png",
       kFile,
       {7, 8, 0, 0},
       {1, 2, 3, 4},
       kZero,
       255},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << "description: " << testing::PrintToString(std::wstring(c.description)));
    const ImageDescription parsed = ParseImageDescription(c.description);
    EXPECT_EQ(c.name, parsed.name);
    EXPECT_EQ(c.kind, parsed.kind);
    EXPECT_EQ(c.dest, parsed.dest);
    EXPECT_EQ(c.source, parsed.source);
    EXPECT_EQ(c.corner, parsed.corner);
    EXPECT_EQ(c.fade, parsed.fade);
  }
}

TEST(ImageDescriptionTest, ReadsFlagsMaskAndLookupType) {
  const ImageDescription flags = ParseImageDescription(
      L"file='a.png' hole='true' xtiled='true' ytiled='yes' hsl='true' mask='#FFFF00FF'");
  EXPECT_TRUE(flags.hole);
  EXPECT_TRUE(flags.tileX);
  EXPECT_FALSE(flags.tileY);  // only exactly "true" is true
  EXPECT_TRUE(flags.followsShift);
  EXPECT_EQ(0xFFFF00FFu, flags.mask);
  EXPECT_EQ(nullptr, flags.LookupType());

  const ImageDescription resource = ParseImageDescription(L"restype='PNG' res='136'");
  EXPECT_EQ(L"136", resource.name);
  EXPECT_STREQ(L"PNG", resource.LookupType());

  const ImageDescription color = ParseImageDescription(L"color='#80FF0000'");
  EXPECT_EQ(L"#80FF0000", color.name);
  EXPECT_STREQ(L"*COLOR*", color.LookupType());

  // "restype" means nothing for a file.
  EXPECT_EQ(nullptr, ParseImageDescription(L"file='a.png' restype='PNG'").LookupType());
}

}  // namespace
}  // namespace ui
