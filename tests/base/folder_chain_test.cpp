#include "base/folder_chain.h"
#include "base/folder_security.h"

#include <windows.h>

#include <sddl.h>

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

// Folders the elevated installer made inherited whatever their parent allowed: on a drive root
// any user could then plant files or links in the client's folder.
TEST(CreateFolderChainTest, CreatedFoldersTakeTheGivenSecurityAndTheirChildrenInherit) {
  TempFolder temp;
  base::ProtectedFolderSecurity security;
  ASSERT_NE(nullptr, security.Get());
  const std::wstring installDir = temp / L"Cobalind\\velmora";
  base::CreateFolderChain(installDir, security.Get());
  base::CreateFolderChain(installDir + L"\\res");

  // The rules as this system writes the descriptor back.
  PSECURITY_DESCRIPTOR descriptor = security.Get()->lpSecurityDescriptor;
  wchar_t* text = nullptr;
  ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
  const std::wstring expected = text;
  ::LocalFree(text);
  ASSERT_NE(std::wstring::npos, expected.find(L"D:P")) << testing::PrintToString(expected);
  // Wine maps rules onto Unix permissions and reads back its own (measured: the system and the
  // user full control, nothing for others), never a protected list.
  if (base::AccessRulesOf(installDir).find(L"D:P") == std::wstring::npos)
    GTEST_SKIP() << "this file system does not keep access rules as given: it reads back "
                 << testing::PrintToString(base::AccessRulesOf(installDir));
  EXPECT_EQ(expected, base::AccessRulesOf(temp / L"Cobalind"));
  EXPECT_EQ(expected, base::AccessRulesOf(installDir));
  const std::wstring inherited = base::AccessRulesOf(installDir + L"\\res");
  EXPECT_EQ(std::wstring::npos, inherited.find(L"D:P")) << "a child inherits";
  EXPECT_NE(std::wstring::npos, inherited.find(L"ID;")) << testing::PrintToString(inherited);
}

TEST(CreateFolderChainTest, FindsTheFirstLinkBelowTheRoot) {
  TempFolder temp;
  const std::wstring root = temp / L"velmora";
  base::CreateFolderChain(root + L"\\a\\b");
  EXPECT_EQ(L"", base::FirstReparsePointBelow(root, root + L"\\a\\b\\"));
  const std::wstring outside = temp / L"outside";
  ASSERT_TRUE(::CreateDirectoryW(outside.c_str(), nullptr));
  // Wine's CreateSymbolicLinkW answers TRUE and makes nothing: the failed-runs test plants its
  // links from the host instead.
  if (!::CreateSymbolicLinkW((root + L"\\link").c_str(), outside.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      ::GetFileAttributesW((root + L"\\link").c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "this system makes no symbolic links";
  EXPECT_EQ(root + L"\\link", base::FirstReparsePointBelow(root, root + L"\\link\\deeper\\"));
  // The root itself is the user's choice, link or not.
  EXPECT_EQ(L"", base::FirstReparsePointBelow(root + L"\\link", root + L"\\link\\x"));
}

}  // namespace
