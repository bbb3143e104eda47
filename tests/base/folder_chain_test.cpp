#include "base/folder_chain.h"
#include "base/folder_security.h"
#include "base/held_folders.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

TEST(CreateFolderChainTest, NamesTheFoldersBelowTheRoot) {
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> folders;
  };
  const Case kCases[] = {
      {L"C:\\Program Files (x86)\\Cobalind\\velmora",
       {L"C:\\Program Files (x86)", L"C:\\Program Files (x86)\\Cobalind",
        L"C:\\Program Files (x86)\\Cobalind\\velmora"}},
      // A forward slash separates as a backslash does; empty elements and a trailing separator
      // name no folder.
      {L"D:\\\\a/b\\", {L"D:\\a", L"D:\\a\\b"}},
      // A drive's root, a share and a device path's volume are roots, never folders below one.
      {L"D:\\", {}},
      {L"\\\\server\\share\\velmora", {L"\\\\server\\share\\velmora"}},
      {L"\\\\?\\C:\\velmora", {L"\\\\?\\C:\\velmora"}},
      {L"\\\\?\\UNC\\server\\share\\v", {L"\\\\?\\UNC\\server\\share\\v"}},
      {L"", {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(c.path)));
    EXPECT_EQ(c.folders, base::FoldersBelowRoot(c.path));
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

// The run's folders once were checked for links and then used by name: a user who owned the
// folder above could swap it for a link between the check and the writes.
TEST(HeldFoldersTest, HeldFoldersCannotBeRenamedUntilTheRunEnds) {
  TempFolder temp;
  const std::wstring games = temp / L"Games";
  ASSERT_TRUE(::CreateDirectoryW(games.c_str(), nullptr));
  const std::wstring installDir = games + L"\\velmora";
  const std::wstring made = installDir + L"\\res\\sub";
  {
    base::HeldFolders folders;
    base::ProtectedFolderSecurity security;
    ASSERT_TRUE(folders.HoldInstallFolder(installDir, security.Get()));
    // Asked from two threads at once, as the fetcher and the placement do.
    std::thread other([&] { EXPECT_TRUE(folders.Hold(made + L"\\")); });
    EXPECT_TRUE(folders.Hold(made));
    other.join();
    for (const std::wstring& folder : {games, installDir, installDir + L"\\res", made}) {
      SCOPED_TRACE(testing::PrintToString(folder));
      EXPECT_FALSE(::MoveFileW(folder.c_str(), (folder + L"-moved").c_str()));
      EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
    }
    // Inside them the run writes and renames as ever.
    ASSERT_TRUE(WriteFileBytes(made + L"\\a.tmp", "new"));
    ASSERT_TRUE(WriteFileBytes(made + L"\\a", "old"));
    EXPECT_TRUE(::MoveFileExW((made + L"\\a.tmp").c_str(), (made + L"\\a").c_str(),
                              MOVEFILE_REPLACE_EXISTING));
    // Only folders of the install folder are taken.
    EXPECT_FALSE(folders.Hold(temp / L"elsewhere"));
    EXPECT_EQ(temp / L"elsewhere", folders.RefusedFolder());
    EXPECT_FALSE(folders.Hold(games));
  }
  EXPECT_TRUE(::MoveFileW(games.c_str(), (games + L"-moved").c_str()));
}

TEST(HeldFoldersTest, RefusesAFileInTheWayAndAFolderBeforeTheInstallFolder) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileBytes(temp / L"file", "x"));
  base::HeldFolders folders;
  EXPECT_FALSE(folders.Hold(temp / L"velmora"));
  EXPECT_FALSE(folders.HoldInstallFolder(temp / L"file\\velmora", nullptr));
  EXPECT_EQ(temp / L"file", folders.RefusedFolder());
  EXPECT_FALSE(folders.HoldInstallFolder(L"C:\\", nullptr)) << "a root is no folder to own";
}

// A folder the user made beforehand kept whatever rules it had: any user could plant in it.
TEST(HeldFoldersTest, AnInstallFolderThatExistedTakesTheProtectedRules) {
  TempFolder temp;
  const std::wstring installDir = temp / L"velmora";
  ASSERT_TRUE(::CreateDirectoryW(installDir.c_str(), nullptr));
  base::ProtectedFolderSecurity security;
  base::HeldFolders folders;
  ASSERT_TRUE(folders.HoldInstallFolder(installDir, security.Get()));
  const std::wstring rules = base::AccessRulesOf(installDir);
  if (rules.find(L"D:P") == std::wstring::npos)
    GTEST_SKIP() << "this file system does not keep access rules as given: it reads back "
                 << testing::PrintToString(rules);
  EXPECT_EQ(std::wstring::npos, base::AccessRulesOf(temp.path()).find(L"D:P"))
      << "a folder above that was there is left as it is";
}

// Links are planted from the host under Wine (its CreateSymbolicLinkW answers TRUE and makes
// nothing): tests/engine/failed_runs_test.py; here where the system makes them.
TEST(HeldFoldersTest, RefusesALinkAboveOrAtTheInstallFolder) {
  TempFolder temp;
  const std::wstring outside = temp / L"outside";
  ASSERT_TRUE(::CreateDirectoryW(outside.c_str(), nullptr));
  const std::wstring link = temp / L"link";
  if (!::CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "this system makes no symbolic links";
  for (const std::wstring& installDir : {link, link + L"\\velmora"}) {
    SCOPED_TRACE(testing::PrintToString(installDir));
    base::HeldFolders folders;
    EXPECT_FALSE(folders.HoldInstallFolder(installDir, nullptr));
    EXPECT_EQ(link, folders.RefusedFolder());
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((outside + L"\\velmora").c_str()));
}

}  // namespace
