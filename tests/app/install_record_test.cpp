#include "app/install_record.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

std::string ShippedRecord() {
  return ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\config\\install.dat");
}

TEST(InstallRecordTest, ResourceIsTheShippedRecord) {
  const std::string_view resource = InstallRecordResource(::GetModuleHandleW(nullptr));
  ASSERT_EQ(310u, resource.size());
  EXPECT_EQ(ShippedRecord(), std::string(resource));
  EXPECT_EQ("\xFF\xFE", std::string(resource.substr(0, 2)));
}

// The shipped program carries the record, the skin package and its icon.
TEST(InstallRecordTest, InstallerCarriesTheRecordTheSkinAndTheIcon) {
  HMODULE installer = ::LoadLibraryExW(QUENBY_INSTALLER_PATH, nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(nullptr, installer);
  EXPECT_EQ(ShippedRecord(), std::string(InstallRecordResource(installer)));
  EXPECT_NE(nullptr, ::FindResourceW(installer, MAKEINTRESOURCEW(136), L"ZIPRES"));
  EXPECT_NE(nullptr, ::FindResourceW(installer, MAKEINTRESOURCEW(1), RT_GROUP_ICON));
  HICON icon = static_cast<HICON>(
      ::LoadImageW(installer, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  EXPECT_NE(nullptr, icon);
  if (icon)
    ::DestroyIcon(icon);
  ::FreeLibrary(installer);
}

TEST(InstallRecordTest, WritesTheResourceByteForByte) {
  TempFolder folder;
  // An older, longer record is truncated, not overlaid.
  ASSERT_TRUE(WriteFileBytes(folder / L"install.dat", std::string(1000, 'x')));
  EXPECT_TRUE(WriteInstallRecord(folder.path()));
  EXPECT_EQ(ShippedRecord(), ReadFileBytes(folder / L"install.dat"));
}

TEST(InstallRecordTest, FolderNameOutsideTheAnsiCodePageStillGetsTheRecord) {
  TempFolder temp;
  // Hebrew has no form in code page 936.
  const std::wstring folder = temp / L"\u05E9\u05DC\u05D5\u05DD velmora";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  EXPECT_TRUE(WriteInstallRecord(folder));
  EXPECT_EQ(ShippedRecord(), ReadFileBytes(folder + L"\\install.dat"));
}

TEST(InstallRecordTest, MissingFolderWritesNothing) {
  TempFolder temp;
  EXPECT_FALSE(WriteInstallRecord(temp / L"missing"));
  EXPECT_FALSE(FileExists(temp / L"missing\\install.dat"));
}

}  // namespace
