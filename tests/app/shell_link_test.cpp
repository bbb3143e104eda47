#include "app/shell_link.h"

#include <gtest/gtest.h>

#include "tests/app/app_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(ShellLinkTest, WorkingFolderIsTheTargetsFolderUnlessItLooksLikeAWebAddress) {
  struct Case {
    const wchar_t* target;
    const wchar_t* workingFolder;  // null: none set
  };
  const Case kCases[] = {
      {L"C:\\Program Files (x86)\\Cobalind\\velmora\\tarsklogin.exe",
       L"C:\\Program Files (x86)\\Cobalind\\velmora"},
      {L"C:\\games/velmora/tarsklogin.exe", L"C:\\games/velmora"},
      {L"D:\\\\velmora\\tarsklogin.exe", L"D:\\\\velmora"},
      {L"tarsklogin.exe", L"tarsklogin.exe"},
      // "http" anywhere, exact case, takes the web rule: a parent folder named httpd too.
      {L"C:\\httpd\\velmora\\tarsklogin.exe", nullptr},
      {L"http://www.quenby.example.com/", nullptr},
      {L"C:\\HTTPD\\velmora\\tarsklogin.exe", L"C:\\HTTPD\\velmora"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.target)));
    const std::optional<std::wstring> folder = ShortcutWorkingFolder(c.target);
    if (c.workingFolder) {
      ASSERT_TRUE(folder.has_value());
      EXPECT_EQ(c.workingFolder, *folder);
    } else {
      EXPECT_FALSE(folder.has_value());
    }
  }
}

TEST(ShellLinkTest, ShortcutReadsBackWithTargetAndWorkingFolder) {
  TempFolder temp;
  const std::wstring target = temp / L"客户端 velmora\\tarsklogin.exe";
  ASSERT_TRUE(CreateShellLink(target, temp / L"Quenby.lnk"));
  const ShellLinkContents link = ReadShellLink(temp / L"Quenby.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(target, link.target);
  EXPECT_EQ(temp / L"客户端 velmora", link.workingFolder);
}

TEST(ShellLinkTest, TargetBelowAnHttpFolderGetsNoWorkingFolder) {
  TempFolder temp;
  const std::wstring target = temp / L"httpd\\velmora\\tarsklogin.exe";
  ASSERT_TRUE(CreateShellLink(target, temp / L"web.lnk"));
  const ShellLinkContents link = ReadShellLink(temp / L"web.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(target, link.target);
  EXPECT_EQ(L"", link.workingFolder);
}

TEST(ShellLinkTest, UnwritableLinkPathFails) {
  TempFolder temp;
  EXPECT_FALSE(CreateShellLink(temp / L"a.exe", temp / L"missing\\Quenby.lnk"));
  EXPECT_FALSE(FileExists(temp / L"missing\\Quenby.lnk"));
}

}  // namespace
