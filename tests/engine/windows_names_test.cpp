#include "engine/manifest/windows_names.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>

#include "engine/common/text_convert.h"
#include "tests/support/temp_folder.h"

namespace {

// The cases the publisher's test reads too.
TEST(WindowsNamesTest, SharedNameCases) {
  const std::string text =
      ReadFileBytes(QUENBY_SOURCE_DIR L"\\tests\\engine\\testdata\\windows_names.xml");
  pugi::xml_document document;
  ASSERT_TRUE(
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8));
  int cases = 0;
  for (pugi::xml_node name : document.child("WindowsNames").children("Name")) {
    const std::wstring element = Utf8ToWide(name.attribute("text").value());
    const bool ordinary = std::string(name.attribute("kind").value()) == "ordinary";
    SCOPED_TRACE(testing::Message() << "name: \"" << element << "\"");
    EXPECT_EQ(ordinary, IsOrdinaryWindowsName(element));
    EXPECT_EQ(ordinary, HoldsOnlyOrdinaryNames(L"res\\" + element + L"\\x.dll"));
    ++cases;
  }
  EXPECT_GT(cases, 0);
}

TEST(WindowsNamesTest, EveryElementOfAPathCounts) {
  struct Case {
    const wchar_t* relativePath;
    bool ordinary;
  };
  const Case kCases[] = {
      {L"res\\skin.dat", true},
      {L"res\\", true},
      {L"res/sub/x.dll", true},
      {L"res\\\\x.dll", true},
      {L"con-fig\\a.txt", true},
      // A device or a name Windows respells, in any element.
      {L"res\\nul\\x.dll", false},
      {L"res/PRN/x.dll", false},
      {L"COM1\\", false},
      {L"res.\\x.dll", false},
      {L"res \\x.dll", false},
      {L".\\x.dll", false},
      {L"res\\x.dll.", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "path: \"" << c.relativePath << "\"");
    EXPECT_EQ(c.ordinary, HoldsOnlyOrdinaryNames(c.relativePath));
  }
}

TEST(WindowsNamesTest, KeyIsSharedByPathsNamingTheSameFile) {
  struct Case {
    const wchar_t* first;
    const wchar_t* second;
    bool sameFile;
  };
  const Case kCases[] = {
      {L"res\\Skin.dat", L"RES\\skin.DAT", true},
      {L"res/skin.dat", L"res\\skin.dat", true},
      {L"res\\\\skin.dat", L"res\\skin.dat", true},
      // Letters beyond ASCII have case too.
      {L"\u00E4rger\\\u0101.txt", L"\u00C4RGER\\\u0100.TXT", true},
      {L"\u0436.txt", L"\u0416.txt", true},
      {L"res\\skin.dat", L"res\\skin.dab", false},
      {L"skin.dat", L"res\\skin.dat", false},
      // NTFS upper-cases one unit at a time: "ß" does not become "SS".
      {L"stra\u00DFe", L"STRASSE", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.first << "\" and \"" << c.second << "\"");
    EXPECT_EQ(c.sameFile, FileSystemKey(c.first) == FileSystemKey(c.second));
  }
}

}  // namespace
