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
