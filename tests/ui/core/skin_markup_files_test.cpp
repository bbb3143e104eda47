#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "tests/ui/core/zip_builder.h"
#include "ui/core/markup_document.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

const wchar_t* const kSkinFiles[] = {L"install.xml", L"configpage.xml", L"installingpage.xml",
                                     L"finishpage.xml"};

std::wstring SkinSourceFolder() {
  return std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\install_online";
}

class SkinMarkupFilesTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    SetSkinFolder(SkinSourceFolder());
    if (GetParam()) {
      ZipBuilder builder;
      for (const wchar_t* file : kSkinFiles) {
        const std::string bytes = ReadFileBytes(SkinSourceFolder() + L"\\" + file);
        ASSERT_FALSE(bytes.empty());
        builder.Add(std::string(file, file + wcslen(file)), bytes);
      }
      package_ = builder.Build();
      UsePackageMemory(package_.data(), package_.size());
    }
  }

  void TearDown() override {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    SetSkinFolder(L"");
  }

  std::string package_;
};

// The installer's skin files parse as they are stored, from the skin folder and from a package;
// the main file has the "Window" root that carries the window's attributes, the pages the
// "Windows" root that only wraps their controls, and UTF-8 text comes through intact.
TEST_P(SkinMarkupFilesTest, SkinParsesFromTheFolderAndFromAPackage) {
  for (const wchar_t* file : kSkinFiles) {
    SCOPED_TRACE(testing::Message() << file);
    MarkupDocument document;
    ASSERT_TRUE(document.LoadFile(file, MarkupEncoding::Utf8)) << document.ErrorMessage();
    EXPECT_STREQ(std::wstring(file) == L"install.xml" ? L"Window" : L"Windows",
                 document.Root().Name());
  }
  MarkupDocument install;
  ASSERT_TRUE(install.LoadFile(L"install.xml", MarkupEncoding::Utf8));
  wchar_t face[16] = {};
  ASSERT_TRUE(install.Root().FirstChild().FindAttribute(L"name", face, 15));
  EXPECT_STREQ(L"\x5FAE\x8F6F\x96C5\x9ED1", face);  // 微软雅黑
}

INSTANTIATE_TEST_SUITE_P(FolderAndPackage,
                         SkinMarkupFilesTest,
                         testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "FromMemoryPackage" : "FromSkinFolder";
                         });

}  // namespace
}  // namespace ui
