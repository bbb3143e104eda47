#include "engine/common/text_convert.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(TextConvertTest, RunsWithChineseAnsiCodePage) {
  // The installer's targets use code page 936; the tests below assume the same.
  EXPECT_EQ(936u, ::GetACP());
}

TEST(TextConvertTest, Utf8ToWide) {
  EXPECT_EQ(L"", Utf8ToWide(""));
  EXPECT_EQ(L"\u5B89\u88C5 ok", Utf8ToWide("\xE5\xAE\x89\xE8\xA3\x85 ok"));
  // Conversion stops at the first NUL.
  EXPECT_EQ(L"ab", Utf8ToWide(std::string("ab\0cd", 5)));
  // Invalid UTF-8 becomes replacement characters instead of failing.
  EXPECT_EQ(L"a\uFFFDb", Utf8ToWide("a\xFF" "b"));
}

TEST(TextConvertTest, AnsiRoundTripKeepsRepresentableText) {
  const wchar_t* kTexts[] = {L"", L"setup.exe", L"\u5B89\u88C5\u7A0B\u5E8F\\res\\a.dll"};
  for (const wchar_t* text : kTexts) {
    SCOPED_TRACE(testing::Message() << WideToAnsi(text));
    EXPECT_EQ(text, AnsiToWide(WideToAnsi(text)));
  }
  // Two bytes per Chinese character in code page 936.
  EXPECT_EQ(4u, WideToAnsi(L"\u5B89\u88C5").size());
}

TEST(TextConvertTest, WideToAnsiEdgeCases) {
  EXPECT_EQ("", WideToAnsi(nullptr));
  // A character outside the code page becomes the default character.
  EXPECT_EQ("a?b", WideToAnsi(L"a\u0E01b"));
}

TEST(TextConvertTest, WideToUtf8KeepsEveryCharacter) {
  EXPECT_EQ("", WideToUtf8(L""));
  // Characters no ANSI code page holds, a surrogate pair among them.
  EXPECT_EQ("\xED\x95\x9C \xF0\x9F\x98\x80.txt", WideToUtf8(L"\uD55C \U0001F600.txt"));
  EXPECT_EQ(L"\uD55C \U0001F600.txt", Utf8ToWide(WideToUtf8(L"\uD55C \U0001F600.txt")));
}
