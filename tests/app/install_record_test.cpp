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
  // Every size the icon holds decodes, the PNG images (48 pixels on) as well as the DIBs.
  for (const int size : {16, 24, 32, 48, 64, 256}) {
    SCOPED_TRACE(size);
    HICON icon = static_cast<HICON>(
        ::LoadImageW(installer, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, icon);
    ICONINFO info{};
    EXPECT_TRUE(::GetIconInfo(icon, &info));
    BITMAP colour{};
    EXPECT_NE(0, ::GetObjectW(info.hbmColor, sizeof(colour), &colour));
    EXPECT_EQ(size, colour.bmWidth);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
  }
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
