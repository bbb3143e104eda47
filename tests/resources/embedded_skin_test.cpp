#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/core/skin_resource.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

// The installer carries its skin as the zip resource "ZIPRES" 136; this test program carries the
// same resource, built from resources/install_online.
TEST(EmbeddedSkinTest, EveryMarkupFileAndImageReadsFromTheResourcePackage) {
  HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(136), L"ZIPRES");
  ASSERT_NE(nullptr, resource);
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  ASSERT_NE(nullptr, loaded);
  UsePackageMemory(::LockResource(loaded), ::SizeofResource(nullptr, resource));

  for (const wchar_t* document :
       {L"install.xml", L"configpage.xml", L"installingpage.xml", L"finishpage.xml"}) {
    std::vector<uint8_t> bytes;
    std::wstring error;
    EXPECT_TRUE(ReadSkinDocument(document, &bytes, &error)) << error.c_str();
    EXPECT_FALSE(bytes.empty());
  }
  for (const wchar_t* image :
       {L"bg_main.png", L"logo.png", L"btn_min.png", L"btn_close.png", L"btn_start.png",
        L"btn_browse.png", L"btn_finish.png", L"checkbox.png", L"edit.png", L"progress_pos.png",
        L"progress_sink.png"}) {
    std::vector<uint8_t> bytes = ReadSkinResource(image);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(0, std::string(bytes.begin(), bytes.begin() + 4).compare("\x89PNG"));
  }
}

}  // namespace
}  // namespace ui
