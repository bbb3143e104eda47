#include "engine/archive/item_path.h"

#include <gtest/gtest.h>

namespace archive {
namespace {

TEST(ItemPathTest, StaysInsideFolder) {
  struct Case {
    const wchar_t* relativePath;
    bool inside;
  };
  const Case kCases[] = {
      {L"client.exe.tmp", true},
      {L"data\\readme.txt", true},
      {L"data/readme.txt", true},
      {L".\\client.exe.tmp", true},
      {L"data\\", true},
      {L"..data\\x..", true},
      {L"res\\..x\\kept.dll", true},
      {L"", false},
      {L"..", false},
      {L". .", false},
      {L" ", false},
      {L"..\\escaped.txt", false},
      {L"../escaped.txt", false},
      {L"data\\..\\..\\escaped.txt", false},
      {L"data\\..", false},
      // Windows drops trailing dots and blanks from a path element: these name the parent too.
      {L"... \\escaped.txt", false},
      {L".. \\escaped.txt", false},
      {L"\\absolute.txt", false},
      {L"/absolute.txt", false},
      {L"\\\\server\\share\\file.txt", false},
      {L"C:\\drive.txt", false},
      {L"C:drive-relative.txt", false},
      {L"file.txt:stream", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "path: \"" << c.relativePath << "\"");
    EXPECT_EQ(StaysInsideFolder(c.relativePath), c.inside);
  }
}

}  // namespace
}  // namespace archive
