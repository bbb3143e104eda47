// The installer's wizard skin, built by hand the way the skin builder builds it from
// "install.xml" and its three pages, laid out in the 600 x 400 window. The skin's buttons, check
// box, labels, slider and rich edit stand in as plain controls here: their own classes add
// painting and input, not layout.

#include <gtest/gtest.h>

#include "tests/support/control_helpers.h"
#include "tests/support/rect_compare.h"
#include "ui/controls/container.h"
#include "ui/controls/horizontal_layout.h"
#include "ui/controls/tab_layout.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

using testing_support::Make;

Container* ConfigPage() {
  auto* page = new VerticalLayout;
  page->Add(Make<VerticalLayout>({{L"width", L"600"}, {L"height", L"150"}}));
  auto* installRow = Make<VerticalLayout>({{L"height", L"180"}});
  installRow->Add(Make<Control>({
      {L"name", L"btn_install"},
      {L"width", L"178"},
      {L"height", L"58"},
      {L"padding", L"210,60,0,0"},
      {L"normalimage", L"file='btn_start.png' source='0,0,178,58'"},
      {L"hotimage", L"file='btn_start.png' source='0,58,178,116'"},
      {L"pushedimage", L"file='btn_start.png' source='0,116,178,174'"},
  }));
  page->Add(installRow);

  auto* agreementRow = Make<HorizontalLayout>({{L"height", L"23"}});
  agreementRow->Add(Make<Control>({{L"width", L"10"}}));
  agreementRow->Add(Make<Control>({
      {L"name", L"ckbox_agree"},
      {L"width", L"120"},
      {L"text", L"我已阅读并同意"},
      {L"textcolor", L"#FF000000"},
      {L"selected", L"true"},
      {L"valign", L"center"},
      {L"align", L"left"},
      {L"textpadding", L"18,2,0,0"},
      {L"normalimage", L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'"},
      {L"normalhotimage", L"file='checkbox.png' source='0,0,13,13' dest='0,6,13,19'"},
      {L"selectedimage", L"file='checkbox.png' source='0,26,13,39' dest='0,6,13,19'"},
      {L"selectedhotimage", L"file='checkbox.png' source='0,26,13,39' dest='0,6,13,19'"},
  }));
  agreementRow->Add(Make<Control>({
      {L"name", L"btn_agreement"},
      {L"width", L"90"},
      {L"text", L"《用户授权合约》"},
      {L"textpadding", L"0,2,0,0"},
      {L"textcolor", L"0xFF2786e4"},
      {L"align", L"left"},
  }));
  page->Add(agreementRow);

  auto* folderRow = Make<HorizontalLayout>({{L"height", L"30"}});
  folderRow->Add(Make<Control>({{L"width", L"10"}}));
  folderRow->Add(Make<Control>({
      {L"name", L"edit_dir"},
      {L"text", L""},
      {L"textcolor", L"0xFF000000"},
      {L"inset", L"5,7,2,2"},
      {L"bkimage", L"edit.png"},
      {L"autohscroll", L"false"},
      {L"bordervisible", L"true"},
      {L"wantreturn", L"false"},
      {L"wantctrlreturn", L"false"},
      {L"multiline", L"false"},
      {L"width", L"520"},
  }));
  folderRow->Add(Make<Control>({{L"width", L"1"}}));
  folderRow->Add(Make<Control>({
      {L"name", L"btn_select_dir"},
      {L"width", L"60"},
      {L"height", L"32"},
      {L"normalimage", L"file='btn_browse.png' source='0,0,60,32'"},
      {L"hotimage", L"file='btn_browse.png' source='0,32,60,64'"},
      {L"pushedimage", L"file='btn_browse.png' source='0,64,60,96'"},
  }));
  page->Add(folderRow);
  return page;
}

Container* InstallingPage() {
  auto* page = new VerticalLayout;
  page->Add(Make<VerticalLayout>({{L"width", L"600"}, {L"height", L"260"}}));
  auto* progress = new VerticalLayout;
  progress->Add(Make<Control>({{L"height", L"60"}}));
  auto* fileRow = Make<HorizontalLayout>({{L"height", L"30"}, {L"padding", L"15,15,0,0"}});
  fileRow->Add(Make<Control>({
      {L"font", L"0"},
      {L"name", L"progress_file"},
      {L"width", L"520"},
      {L"textcolor", L"#ff555555"},
      {L"text", L"文件名"},
  }));
  fileRow->Add(new Control);
  fileRow->Add(Make<Control>({
      {L"font", L"6"},
      {L"name", L"progress_pos"},
      {L"width", L"80"},
      {L"textalign", L"left"},
      {L"textcolor", L"#ff555555"},
  }));
  progress->Add(fileRow);
  progress->Add(Make<Control>({
      {L"name", L"slr_progress"},
      {L"padding", L"15,0,0,0"},
      {L"height", L"3"},
      {L"width", L"550"},
      {L"mouse", L"false"},
      {L"foreimage", L"progress_pos.png"},
      {L"bkimage", L"progress_sink.png"},
      {L"thumbsize", L"0,0"},
      {L"bkcolor", L"#FFD8D8D8"},
  }));
  progress->Add(Make<Control>({
      {L"font", L"0"},
      {L"name", L"progress_tip"},
      {L"padding", L"15,0,0,0"},
      {L"width", L"550"},
      {L"textcolor", L"#ff555555"},
      {L"text", L"总大小"},
  }));
  progress->Add(new Control);
  page->Add(progress);
  return page;
}

Container* FinishPage() {
  auto* page = new VerticalLayout;
  page->Add(Make<VerticalLayout>({{L"width", L"600"}, {L"height", L"150"}}));
  auto* buttonRow = Make<VerticalLayout>({{L"height", L"180"}});
  buttonRow->Add(Make<Control>({
      {L"name", L"btn_exec"},
      {L"width", L"178"},
      {L"height", L"58"},
      {L"padding", L"210,60,0,0"},
      {L"normalimage", L"file='btn_finish.png' source='0,0,178,58'"},
      {L"hotimage", L"file='btn_finish.png' source='0,58,178,116'"},
      {L"pushedimage", L"file='btn_finish.png' source='0,116,178,174'"},
  }));
  page->Add(buttonRow);
  return page;
}

HorizontalLayout* CaptionStrip() {
  auto* strip = Make<HorizontalLayout>({{L"float", L"true"}, {L"pos", L"0,5,600,50"}});
  strip->Add(Make<Container>({{L"enabled", L"true"}, {L"width", L"10"}, {L"height", L"12"}}));
  strip->Add(
      Make<Container>({{L"width", L"133"}, {L"height", L"38"}, {L"bkimage", L"file='logo.png'"}}));
  strip->Add(Make<Container>({{L"enabled", L"true"}, {L"width", L"415"}, {L"height", L"12"}}));
  strip->Add(Make<Control>({
      {L"name", L"btn_min"},
      {L"width", L"12"},
      {L"height", L"12"},
      {L"normalimage", L"file='btn_min.png' source='0,0,12,12'"},
      {L"hotimage", L"file='btn_min.png' source='0,12,12,24'"},
      {L"pushedimage", L"file='btn_min.png' source='0,24,12,36'"},
  }));
  strip->Add(Make<Container>({{L"enabled", L"true"}, {L"width", L"10"}, {L"height", L"12"}}));
  strip->Add(Make<Control>({
      {L"name", L"btn_close"},
      {L"width", L"12"},
      {L"height", L"12"},
      {L"normalimage", L"file='btn_close.png' source='0,0,12,12'"},
      {L"hotimage", L"file='btn_close.png' source='0,12,12,24'"},
      {L"pushedimage", L"file='btn_close.png' source='0,24,12,36'"},
  }));
  return strip;
}

class InstallerSkinLayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    auto* root = Make<VerticalLayout>({{L"bkimage", L"file='bg_main.png'"}});
    tabs_ = Make<TabLayout>({{L"name", L"wizard_setup_tab"}});
    tabs_->Add(ConfigPage());
    tabs_->Add(InstallingPage());
    tabs_->Add(FinishPage());
    root->Add(tabs_);
    strip_ = CaptionStrip();
    root->Add(strip_);
    manager_.AttachRoot(root);
    LayOut();
  }

  void LayOut() { manager_.GetRoot()->SetRect({0, 0, 600, 400}, false); }

  RECT RectOf(const wchar_t* name) {
    Control* control = manager_.FindControlByName(name);
    EXPECT_NE(nullptr, control) << name;
    return control ? control->GetRect() : RECT{};
  }

  PaintManager manager_;
  TabLayout* tabs_ = nullptr;
  HorizontalLayout* strip_ = nullptr;
};

TEST_F(InstallerSkinLayoutTest, ConfigurationPage) {
  EXPECT_EQ(tabs_, manager_.FindControlByName(L"wizard_setup_tab"));
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
  EXPECT_EQ((RECT{0, 5, 600, 50}), strip_->GetRect());
  EXPECT_EQ((RECT{10, 5, 143, 43}), strip_->ItemAt(1)->GetRect()) << "the logo";
  EXPECT_EQ((RECT{558, 5, 570, 17}), RectOf(L"btn_min"));
  EXPECT_EQ((RECT{580, 5, 592, 17}), RectOf(L"btn_close"));
  // The strip lies over the pages, so it is found first under the mouse.
  EXPECT_EQ(manager_.FindControlByName(L"btn_close"), manager_.FindControlAt({585, 10}));
}

TEST_F(InstallerSkinLayoutTest, InstallingAndFinishPages) {
  tabs_->SelectItem(1, Notify::Yes);
  LayOut();
  EXPECT_FALSE(manager_.FindControlByName(L"btn_install")->IsVisible());
  EXPECT_EQ((RECT{15, 335, 535, 365}), RectOf(L"progress_file"));
  // The row's left padding leaves 585 pixels for 600 of fixed widths: the stretchable gap
  // between the labels gets nothing and the percentage runs past the window's edge.
  EXPECT_EQ((RECT{535, 335, 615, 365}), RectOf(L"progress_pos"));
  EXPECT_EQ((RECT{15, 365, 565, 368}), RectOf(L"slr_progress"));
  EXPECT_EQ((RECT{15, 368, 565, 384}), RectOf(L"progress_tip"));

  tabs_->SelectItem(2, Notify::Yes);
  LayOut();
  EXPECT_EQ((RECT{210, 210, 388, 268}), RectOf(L"btn_exec"));
}

}  // namespace
}  // namespace ui
