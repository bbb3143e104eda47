#include "app/registration.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/product_names.h"
#include "app/shell_link.h"
#include "app/uninstall_entry.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

struct RegistryValue {
  std::wstring name;
  DWORD type = 0;
  std::wstring text;
  DWORD bytes = 0;
};

// Every value of the uninstall entry in the 32-bit view, in the order the registry keeps them;
// nothing when the key is missing.
std::vector<RegistryValue> ReadUninstallEntry(bool* present = nullptr) {
  std::vector<RegistryValue> values;
  const base::ScopedRegKey key = OpenUninstallEntry();
  const bool opened = key.IsValid();
  if (present)
    *present = opened;
  for (DWORD index = 0; opened; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    std::vector<BYTE> data(8192);
    DWORD bytes = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (::RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type, data.data(), &bytes) !=
        ERROR_SUCCESS)
      break;
    RegistryValue value{name, type, {}, bytes};
    value.text.assign(reinterpret_cast<const wchar_t*>(data.data()), bytes / sizeof(wchar_t));
    if (!value.text.empty() && value.text.back() == L'\0')
      value.text.pop_back();
    values.push_back(value);
  }
  return values;
}

// Each test starts and ends without the uninstall entry and the shortcuts.
class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override { RemoveRegistration(); }
  void TearDown() override { RemoveRegistration(); }

  static void RemoveRegistration() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, 0);
    ::DeleteFileW(DesktopShortcutPath().c_str());
    ::DeleteFileW(StartMenuShortcutPath().c_str());
  }

  TempFolder temp_;
};

// Where the shell itself puts the desktop and the Start menu's programs.
std::wstring ShellDesktopShortcut() {
  return KnownFolderPath(FOLDERID_Desktop) + L"\\Quenby.lnk";
}
std::wstring ShellProgramsShortcut() {
  return KnownFolderPath(FOLDERID_Programs) + L"\\Quenby.lnk";
}

TEST_F(RegistrationTest, ShortcutsLieOnTheDesktopAndDirectlyInPrograms) {
  ASSERT_FALSE(KnownFolderPath(FOLDERID_Desktop).empty());
  ASSERT_FALSE(KnownFolderPath(FOLDERID_Programs).empty());
  EXPECT_EQ(ShellDesktopShortcut(), DesktopShortcutPath());
  EXPECT_EQ(ShellProgramsShortcut(), StartMenuShortcutPath());
}

TEST_F(RegistrationTest, WritesShortcutsAndTheFiveValuesInOrder) {
  const std::wstring installDir = temp_ / L"Cobalind\\velmora";
  EXPECT_TRUE(RegisterInstallation(installDir));

  const std::vector<RegistryValue> values = ReadUninstallEntry();
  const std::vector<RegistryText> expected = {
      {L"DisplayIcon", installDir + L"\\tarsklogin.exe"},
      {L"DisplayName", L"Quenby"},
      {L"InstallLocation", installDir},
      {L"Publisher", L"Orvane"},
      {L"UninstallString", installDir + L"\\Uninstall.exe"},
  };
  ASSERT_EQ(expected.size(), values.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::PrintToString(expected[i].name));
    EXPECT_EQ(expected[i].name, values[i].name);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), values[i].type);
    EXPECT_EQ(expected[i].text, values[i].text);
    EXPECT_EQ((expected[i].text.size() + 1) * sizeof(wchar_t), values[i].bytes);
  }

  for (const std::wstring& linkPath : {ShellDesktopShortcut(), ShellProgramsShortcut()}) {
    SCOPED_TRACE(testing::PrintToString(linkPath));
    const ShellLinkContents link = ReadShellLink(linkPath);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(installDir + L"\\tarsklogin.exe", link.target);
    EXPECT_EQ(installDir, link.workingFolder);
  }
}

TEST_F(RegistrationTest, RepeatedRegistrationOverwritesTheValues) {
  ASSERT_TRUE(RegisterInstallation(temp_ / L"first"));
  ASSERT_TRUE(RegisterInstallation(temp_ / L"second"));
  const std::vector<RegistryValue> values = ReadUninstallEntry();
  ASSERT_EQ(5u, values.size());
  EXPECT_EQ(temp_ / L"second", values[2].text);
  EXPECT_EQ(temp_ / L"second\\tarsklogin.exe", ReadShellLink(DesktopShortcutPath()).target);
}

TEST_F(RegistrationTest, ValuesOfALongFolderAreWrittenWhole) {
  // Longer than the 505 characters a fixed 520-unit buffer would hold.
  const std::wstring installDir = L"C:\\" + std::wstring(600, L'q');
  EXPECT_TRUE(WriteUninstallEntry(installDir, product::kLauncherName));
  const std::vector<RegistryValue> values = ReadUninstallEntry();
  ASSERT_EQ(5u, values.size());
  EXPECT_EQ(installDir + L"\\Uninstall.exe", values[4].text);
}

TEST_F(RegistrationTest, UninstallerRemovesWhatTheInstallationLeft) {
  const std::wstring installDir = temp_ / L"Quenby 客户端";
  ASSERT_TRUE(::CreateDirectoryW(installDir.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((installDir + L"\\res").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(installDir + L"\\install.dat", "record"));
  ASSERT_TRUE(WriteFileBytes(installDir + L"\\res\\skin.dat", "skin"));
  ASSERT_TRUE(CopyStandIn(L"tarsklogin.exe", installDir));
  ASSERT_TRUE(CopyStandIn(L"Uninstall.exe", installDir));
  ASSERT_TRUE(RegisterInstallation(installDir));
  ASSERT_TRUE(FileExists(DesktopShortcutPath()));

  EXPECT_EQ(0, RunProgram(installDir + L"\\Uninstall.exe"));
  bool present = true;
  ReadUninstallEntry(&present);
  EXPECT_FALSE(present);
  EXPECT_FALSE(FileExists(DesktopShortcutPath()));
  EXPECT_FALSE(FileExists(StartMenuShortcutPath()));
  for (const wchar_t* name : {L"install.dat", L"tarsklogin.exe", L"res\\skin.dat", L"res"})
    EXPECT_FALSE(FileExists(installDir + L"\\" + name)) << testing::PrintToString(name);
}

TEST_F(RegistrationTest, UninstallerOutsideTheRegisteredFolderRemovesNothing) {
  const std::wstring installDir = temp_ / L"installed";
  const std::wstring downloads = temp_ / L"downloads";
  for (const std::wstring& folder : {installDir, downloads}) {
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\keep.txt", "keep"));
  }
  ASSERT_TRUE(CopyStandIn(L"Uninstall.exe", downloads));
  ASSERT_TRUE(RegisterInstallation(installDir));

  EXPECT_EQ(2, RunProgram(downloads + L"\\Uninstall.exe"));
  EXPECT_TRUE(FileExists(downloads + L"\\keep.txt"));
  EXPECT_TRUE(FileExists(installDir + L"\\keep.txt"));
  EXPECT_TRUE(FileExists(DesktopShortcutPath()));
  EXPECT_EQ(5u, ReadUninstallEntry().size());
}

}  // namespace
