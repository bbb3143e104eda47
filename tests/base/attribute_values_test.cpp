#include "base/attribute_values.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/support/rect_compare.h"

namespace base::attribute {
namespace {

TEST(AttributeValuesTest, Colors) {
  struct Case {
    const wchar_t* text;
    uint32_t colorA;  // blanks skipped
    uint32_t colorB;  // blanks not skipped
  };
  const Case kCases[] = {
      {L"#FFD8D8D8", 0xFFD8D8D8, 0xFFD8D8D8},
      {L" #FFD8D8D8", 0xFFD8D8D8, 0},
      {L"\t\r\n #ff555555", 0xFF555555, 0},
      {L"0xFFD8D8D8", 0xFFD8D8D8, 0xFFD8D8D8},
      {L"0xFF2786e4", 0xFF2786E4, 0xFF2786E4},
      {L"FF000000", 0xFF000000, 0xFF000000},
      {L"#FFZZ", 0xFF, 0xFF},
      {L"##FF", 0, 0},
      {L"#", 0, 0},
      {L"", 0, 0},
      {L"0x", 0, 0},
      {L"#123456789", 0xFFFFFFFF, 0xFFFFFFFF},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.text << "\"");
    EXPECT_EQ(c.colorA, ParseColor(c.text));
    EXPECT_EQ(c.colorB, ParseColorNoBlanks(c.text));
  }
}

TEST(AttributeValuesTest, Integers) {
  struct Case {
    const wchar_t* text;
    int value;
    size_t consumed;
  };
  const Case kCases[] = {
      {L"12", 12, 2},
      {L"-5", -5, 2},
      {L"+3", 3, 2},
      {L"  42", 42, 4},
      {L"12px", 12, 2},
      {L"abc", 0, 0},
      {L"", 0, 0},
      {L"-", 0, 0},
      {L"99999999999", INT_MAX, 11},
      {L"-99999999999", INT_MIN, 12},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.text << "\"");
    size_t consumed = 99;
    EXPECT_EQ(c.value, ParseInt(c.text, &consumed));
    EXPECT_EQ(c.consumed, consumed);
  }
}

TEST(AttributeValuesTest, ListsOfFour) {
  struct Case {
    const wchar_t* text;
    RECT expected;
  };
  const Case kCases[] = {
      {L"0,5,600,50", {0, 5, 600, 50}},
      {L"210,60,0,0", {210, 60, 0, 0}},
      {L"1 2 3 4", {1, 2, 3, 4}},
      {L"1;2;3;4", {1, 2, 3, 4}},
      {L"-1,-2,-3,-4", {-1, -2, -3, -4}},
      // Each number may start with blanks, so ", " separates as well as ",".
      {L"1, 2, 3, 4", {1, 2, 3, 4}},
      {L"1,,3,4", {1, 0, 3, 4}},
      // Short values leave the rest 0 and never read past the end.
      {L"7", {7, 0, 0, 0}},
      {L"7,8", {7, 8, 0, 0}},
      {L"", {0, 0, 0, 0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.text << "\"");
    EXPECT_EQ(c.expected, ParseRect(c.text));
  }

  // The view need not be terminated: only its own characters are read.
  const std::wstring_view cut = std::wstring_view(L"3,4,5,6").substr(0, 3);
  EXPECT_EQ((RECT{3, 4, 0, 0}), ParseRect(cut));

  double fractions[4];
  ParseDoubleList(L"0.5,0,0.25,1", fractions, 4);
  EXPECT_DOUBLE_EQ(0.5, fractions[0]);
  EXPECT_DOUBLE_EQ(0.0, fractions[1]);
  EXPECT_DOUBLE_EQ(0.25, fractions[2]);
  EXPECT_DOUBLE_EQ(1.0, fractions[3]);
}

TEST(AttributeValuesTest, BooleansAreTrueOnlyForExactlyTrue) {
  EXPECT_TRUE(ParseBool(L"true"));
  for (const wchar_t* text : {L"TRUE", L"True", L"true ", L" true", L"1", L"yes", L""})
    EXPECT_FALSE(ParseBool(text)) << text;
}

}  // namespace
}  // namespace base::attribute
