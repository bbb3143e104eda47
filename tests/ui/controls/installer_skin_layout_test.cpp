// The installer's wizard skin, built by the skin builder from "install.xml" and its three pages in
// resources/install_online, with the real control classes, laid out in the 600 x 400 window.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/rect_compare.h"
#include "tests/support/test_window.h"
#include "ui/controls/container.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"
#include "ui/skin/skin_builder.h"

namespace ui {
namespace {

class InstallerSkinLayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    // Labels measure their text with the window's fonts, as in the installer's window.
    manager_.AttachWindow(window_.Get(), L"installer");
    UsePackageFile(L"", PackageHandling::OpenPerLookup);
    SetSkinFolder(std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\install_online");
    SkinBuilder builder;
    Control* root = builder.BuildFrom(L"install.xml", nullptr, nullptr, &manager_, nullptr);
    ASSERT_NE(nullptr, root);
    ASSERT_TRUE(manager_.AttachRoot(root));
    tabs_ = static_cast<TabLayout*>(manager_.FindControlByName(L"wizard_setup_tab"));
    ASSERT_NE(nullptr, tabs_);
    LayOut();
  }

  void TearDown() override { SetSkinFolder(L""); }

  void LayOut() { manager_.GetRoot()->SetRect({0, 0, 600, 400}, false); }

  RECT RectOf(const wchar_t* name) {
    Control* control = manager_.FindControlByName(name);
    EXPECT_NE(nullptr, control) << name;
    return control ? control->GetRect() : RECT{};
  }

  TestWindow window_{600, 400};
  PaintManager manager_;
  TabLayout* tabs_ = nullptr;
};

TEST_F(InstallerSkinLayoutTest, ConfigurationPage) {
  EXPECT_EQ(0, tabs_->GetSelectedIndex());
  EXPECT_EQ((RECT{0, 0, 600, 400}), tabs_->GetRect());
  EXPECT_EQ((RECT{210, 210, 388, 268}), RectOf(L"btn_install"));
  EXPECT_EQ((RECT{10, 330, 130, 353}), RectOf(L"ckbox_agree"));
  EXPECT_EQ((RECT{130, 330, 220, 353}), RectOf(L"btn_agreement"));
  EXPECT_EQ((RECT{10, 353, 530, 383}), RectOf(L"edit_dir"));
  EXPECT_EQ((RECT{531, 353, 591, 383}), RectOf(L"btn_select_dir")) << "as high as its row";
  EXPECT_TRUE(manager_.FindControlByName(L"btn_install")->IsVisible());
  EXPECT_FALSE(manager_.FindControlByName(L"btn_exec")->IsVisible());
}

TEST_F(InstallerSkinLayoutTest, FloatingCaptionStrip) {
  Control* close = manager_.FindControlByName(L"btn_close");
  ASSERT_NE(nullptr, close);
  auto* strip = static_cast<Container*>(close->GetParent()->CastTo(L"Container"));
  ASSERT_NE(nullptr, strip);
  EXPECT_EQ((RECT{0, 5, 600, 50}), strip->GetRect());
  EXPECT_EQ((RECT{10, 5, 143, 43}), strip->ItemAt(1)->GetRect()) << "the logo";
  EXPECT_EQ((RECT{558, 5, 570, 17}), RectOf(L"btn_min"));
  EXPECT_EQ((RECT{580, 5, 592, 17}), RectOf(L"btn_close"));
  // The strip lies over the pages, so it is found first under the mouse.
  EXPECT_EQ(close, manager_.FindControlAt({585, 10}));
}

TEST_F(InstallerSkinLayoutTest, InstallingAndFinishPages) {
  tabs_->SelectItem(1, Notify::Yes);
  LayOut();
  EXPECT_FALSE(manager_.FindControlByName(L"btn_install")->IsVisible());
  // The file and the percentage share the bar's width: the percentage, right-aligned, ends where
  // the bar ends. (A row of 520 + 80 pixels after the 15-pixel margin ran past the window's edge
  // and cut off the "%".)
  EXPECT_EQ((RECT{15, 335, 465, 365}), RectOf(L"progress_file"));
  EXPECT_EQ((RECT{465, 335, 565, 365}), RectOf(L"progress_pos"));
  EXPECT_EQ((RECT{15, 365, 565, 368}), RectOf(L"slr_progress"));
  // A label without a height is as high as its font plus 8.
  EXPECT_EQ((RECT{15, 368, 565, 390}), RectOf(L"progress_tip"));

  tabs_->SelectItem(2, Notify::Yes);
  LayOut();
  EXPECT_EQ((RECT{210, 210, 388, 268}), RectOf(L"btn_exec"));
}

}  // namespace
}  // namespace ui
