#include "app/install_folder.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/install_folder_choice.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(InstallFolderTest, DefaultGoesBelowProgramFilesWithTheLabel) {
  const DefaultInstallFolder folder = MakeDefaultInstallFolder(L"C:\\Program Files (x86)");
  EXPECT_EQ(L"C:\\Program Files (x86)\\Cobalind\\velmora", folder.installDir);
  EXPECT_EQ(L"  默认目录：C:\\Program Files (x86)\\Cobalind\\velmora", folder.editText);
  EXPECT_EQ(L"C:\\Program Files (x86)", folder.programFilesDir);
}

TEST(InstallFolderTest, UnknownProgramFilesGivesTheFixedDefaultWithoutLabel) {
  const DefaultInstallFolder folder = MakeDefaultInstallFolder(L"");
  EXPECT_EQ(L"C:\\Program Files (x86)\\Cobalind\\velmora", folder.installDir);
  EXPECT_EQ(folder.installDir, folder.editText);
  EXPECT_EQ(L"", folder.programFilesDir);
}

TEST(InstallFolderTest, LookedUpDefaultUsesTheShellsProgramFiles) {
  // The shell's known-folder interface, not the lookup the installer makes: for this program's
  // architecture, "C:\Program Files" (x86_64) or "C:\Program Files (x86)" (i686 on 64-bit
  // Windows).
  const std::wstring programFiles = KnownFolderPath(FOLDERID_ProgramFiles);
  ASSERT_FALSE(programFiles.empty());
  const DefaultInstallFolder folder = LookUpDefaultInstallFolder();
  EXPECT_EQ(programFiles, folder.programFilesDir);
  EXPECT_EQ(programFiles + L"\\Cobalind\\velmora", folder.installDir);
  EXPECT_EQ(L"  默认目录：" + programFiles + L"\\Cobalind\\velmora", folder.editText);
}

TEST(InstallFolderTest, ChosenFolderGetsTheProductFolderAndShowsAlone) {
  const ChosenInstallFolder games = MakeChosenInstallFolder(L"D:\\Games");
  EXPECT_EQ(L"D:\\Games\\velmora", games.installDir);
  EXPECT_EQ(L"D:\\Games", games.editText);
  // A drive root is joined unchanged: the doubled backslash is what the engine receives.
  const ChosenInstallFolder root = MakeChosenInstallFolder(L"D:\\");
  EXPECT_EQ(L"D:\\\\velmora", root.installDir);
  EXPECT_EQ(L"D:\\", root.editText);
}

TEST(CreateFolderChainTest, TriesEveryPrefixInOrder) {
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> prefixes;
  };
  const Case kCases[] = {
      {L"C:\\Program Files (x86)\\Cobalind\\velmora",
       {L"C:", L"C:\\Program Files (x86)", L"C:\\Program Files (x86)\\Cobalind",
        L"C:\\Program Files (x86)\\Cobalind\\velmora"}},
      // Only "\" separates; a forward slash is part of a name.
      {L"C:\\a/b\\c", {L"C:", L"C:\\a/b", L"C:\\a/b\\c"}},
      // Empty elements and a trailing separator are tried as they stand.
      {L"D:\\\\velmora\\", {L"D:", L"D:\\", L"D:\\\\velmora", L"D:\\\\velmora\\"}},
      {L"\\\\server\\share", {L"", L"\\", L"\\\\server", L"\\\\server\\share"}},
      {L"", {L""}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(c.path)));
    EXPECT_EQ(c.prefixes, FolderChainPrefixes(c.path));
  }
}

TEST(CreateFolderChainTest, CreatesMissingFoldersAndKeepsExistingOnes) {
  TempFolder temp;
  const std::wstring existing = temp / L"Cobalind";
  ASSERT_TRUE(::CreateDirectoryW(existing.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(existing + L"\\keep.txt", "kept"));

  CreateFolderChain(existing + L"\\velmora\\deeper");
  EXPECT_NE(INVALID_FILE_ATTRIBUTES,
            ::GetFileAttributesW((existing + L"\\velmora\\deeper").c_str()));
  EXPECT_EQ("kept", ReadFileBytes(existing + L"\\keep.txt"));

  // A file in the way stops nothing before it and creates nothing below it.
  ASSERT_TRUE(WriteFileBytes(temp / L"file", "x"));
  CreateFolderChain(temp / L"file\\below");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"file\\below").c_str()));
}

TEST(InstallFolderChoiceTest, ChoicesAfterTheInstallStartAreRefused) {
  InstallFolderChoice choice;
  choice.SetDefault(MakeDefaultInstallFolder(L"C:\\Program Files"));
  EXPECT_TRUE(choice.Accept(MakeChosenInstallFolder(L"D:\\Games")));
  EXPECT_EQ(L"D:\\Games\\velmora", choice.installDir());
  EXPECT_EQ(L"C:\\Program Files", choice.programFilesDir());

  EXPECT_EQ(L"D:\\Games\\velmora", choice.Freeze());
  EXPECT_FALSE(choice.Accept(MakeChosenInstallFolder(L"E:\\Late")));
  choice.SetDefault(MakeDefaultInstallFolder(L"F:\\Program Files"));
  EXPECT_EQ(L"D:\\Games\\velmora", choice.installDir());
  EXPECT_TRUE(choice.frozen());
}

}  // namespace
