#include "base/folder_chain.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

TEST(CreateFolderChainTest, TriesEveryPrefixInOrder) {
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> prefixes;
  };
  const Case kCases[] = {
      {L"C:\\Program Files (x86)\\Cobalind\\velmora",
       {L"C:", L"C:\\Program Files (x86)", L"C:\\Program Files (x86)\\Cobalind",
        L"C:\\Program Files (x86)\\Cobalind\\velmora"}},
      // A forward slash separates as a backslash does, as Windows reads paths.
      {L"C:\\a/b\\c", {L"C:", L"C:\\a", L"C:\\a/b", L"C:\\a/b\\c"}},
      {L"C:\\Games\\velmora\\bin\\", {L"C:", L"C:\\Games", L"C:\\Games\\velmora",
        L"C:\\Games\\velmora\\bin", L"C:\\Games\\velmora\\bin\\"}},
      // Empty elements and a trailing separator are tried as they stand.
      {L"D:\\\\velmora\\", {L"D:", L"D:\\", L"D:\\\\velmora", L"D:\\\\velmora\\"}},
      {L"\\\\server\\share", {L"", L"\\", L"\\\\server", L"\\\\server\\share"}},
      {L"", {L""}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(c.path)));
    EXPECT_EQ(c.prefixes, base::FolderChainPrefixes(c.path));
  }
}

TEST(CreateFolderChainTest, CreatesMissingFoldersAndKeepsExistingOnes) {
  TempFolder temp;
  const std::wstring existing = temp / L"Cobalind";
  ASSERT_TRUE(::CreateDirectoryW(existing.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(existing + L"\\keep.txt", "kept"));

  base::CreateFolderChain(existing + L"\\velmora\\deeper");
  EXPECT_NE(INVALID_FILE_ATTRIBUTES,
            ::GetFileAttributesW((existing + L"\\velmora\\deeper").c_str()));
  EXPECT_EQ("kept", ReadFileBytes(existing + L"\\keep.txt"));

  // A file in the way stops nothing before it and creates nothing below it.
  ASSERT_TRUE(WriteFileBytes(temp / L"file", "x"));
  base::CreateFolderChain(temp / L"file\\below");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"file\\below").c_str()));
}

}  // namespace
