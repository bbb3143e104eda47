#include "ui/core/skin_builder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/test_window.h"
#include "ui/controls/container.h"
#include "ui/controls/control.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

// A hidden window for the manager, so that the "Window" element's attributes apply.
class SkinBuilderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get(), L"builder");
    UsePackageFile(L"", PackageHandling::OpenPerLookup);
    SetSkinFolder(std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\install_online");
  }
  void TearDown() override {
    if (root_)
      root_->Destroy();
    manager_.AttachWindow(nullptr, L"");
  }

  Control* Build(const wchar_t* source, IBuilderCallback* callback = nullptr) {
    SkinBuilder builder;
    root_ = builder.BuildFrom(source, nullptr, callback, &manager_, nullptr);
    return root_;
  }

  TestWindow window_{10, 10};
  PaintManager manager_;
  Control* root_ = nullptr;
};

TEST_F(SkinBuilderTest, BuildsTheInstallerSkin) {
  Control* root = Build(L"install.xml");
  ASSERT_NE(nullptr, root);
  EXPECT_STREQ(L"VerticalLayout", root->GetClassName());

  // Window attributes.
  EXPECT_EQ(600, manager_.GetInitSize().cx);
  EXPECT_EQ(400, manager_.GetInitSize().cy);
  RECT caption = manager_.GetCaptionRect();
  EXPECT_EQ(220, caption.bottom);
  EXPECT_STREQ(L"true", manager_.GetWindowCustomAttribute(L"bktrans"));

  // Fonts 0-6 and the default font.
  for (int id = 0; id <= 6; ++id)
    EXPECT_NE(nullptr,
              manager_.FindFont(manager_.GetFontInfo(id).faceName, manager_.GetFontInfo(id).size,
                                manager_.GetFontInfo(id).bold, false, false))
        << id;
  EXPECT_EQ(L"\u5FAE\u8F6F\u96C5\u9ED1", manager_.GetDefaultFontInfo().faceName);
  EXPECT_EQ(12, manager_.GetDefaultFontInfo().size);
  EXPECT_EQ(32, manager_.GetFontInfo(4).size);
  EXPECT_TRUE(manager_.GetFontInfo(6).bold);

  ASSERT_TRUE(manager_.AttachRoot(root));
  root_ = nullptr;  // the manager owns it now

  struct Named {
    const wchar_t* name;
    const wchar_t* className;
  };
  const Named kNamed[] = {
      {L"wizard_setup_tab", L"TabLayout"},
      {L"btn_install", L"Button"},
      {L"ckbox_agree", L"CheckBox"},
      {L"btn_agreement", L"Button"},
      {L"btn_select_dir", L"Button"},
      {L"progress_file", L"Label"},
      {L"progress_pos", L"Label"},
      {L"progress_tip", L"Label"},
      {L"slr_progress", L"Slider"},
      {L"btn_exec", L"Button"},
      {L"btn_min", L"Button"},
      {L"btn_close", L"Button"},
  };
  for (const Named& named : kNamed) {
    Control* control = manager_.FindControlByName(named.name);
    ASSERT_NE(nullptr, control) << std::wstring(named.name).c_str();
    EXPECT_STREQ(named.className, control->GetClassName());
  }

  auto* tabs = static_cast<TabLayout*>(manager_.FindControlByName(L"wizard_setup_tab"));
  ASSERT_EQ(3, tabs->Count());
  EXPECT_EQ(0, tabs->GetSelectedIndex());
  for (int page = 0; page < 3; ++page)
    EXPECT_STREQ(L"VerticalLayout", tabs->ItemAt(page)->GetClassName());
}

TEST_F(SkinBuilderTest, IncludeWithCountBuildsCopiesFromOneParse) {
  Control* root = Build(
      L"<Window><VerticalLayout><Include source=\"&lt;Page&gt;&lt;Control/&gt;&lt;/Page&gt;\" "
      L"count=\"3\"/>"
      L"<Include count=\"2\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, root);
  auto* container = static_cast<IContainer*>(root->CastTo(L"IContainer"));
  EXPECT_EQ(3, container->Count());
}

TEST_F(SkinBuilderTest, DefaultsApplyByTheElementNameAsWritten) {
  Control* root = Build(
      L"<Window><Default name=\"Button\" value=\"width=&quot;77&quot;\"/>"
      L"<VerticalLayout><Button/><button/><Button width=\"5\"/></VerticalLayout>"
      L"</Window>");
  ASSERT_NE(nullptr, root);
  auto* items = static_cast<IContainer*>(root->CastTo(L"IContainer"));
  ASSERT_EQ(3, items->Count());
  EXPECT_STREQ(L"Button", items->ItemAt(1)->GetClassName());
  EXPECT_EQ(77, items->ItemAt(0)->GetFixedWidth());
  EXPECT_EQ(0, items->ItemAt(1)->GetFixedWidth());  // "button" finds no "Button" defaults
  EXPECT_EQ(5, items->ItemAt(2)->GetFixedWidth());  // own attributes come after the defaults
}

TEST_F(SkinBuilderTest, AChildOfANonContainerStopsItsSiblings) {
  Control* root = Build(
      L"<Window><VerticalLayout><Label name=\"leaf\"><Control/><Control/></Label>"
      L"<Control name=\"after\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, root);
  auto* items = static_cast<IContainer*>(root->CastTo(L"IContainer"));
  // The label keeps none of its children; its own siblings are built as usual.
  ASSERT_EQ(2, items->Count());
  EXPECT_EQ(L"after", items->ItemAt(1)->GetName());
}

TEST_F(SkinBuilderTest, UnknownElementsAreSkippedOrOfferedToTheCallback) {
  struct Callback : IBuilderCallback {
    Control* CreateCustomControl(const wchar_t* name) override {
      offered.push_back(name);
      return std::wstring(name) == L"gifanim" ? new Control() : nullptr;
    }
    std::vector<std::wstring> offered;
  } callback;
  Control* root = Build(
      L"<Window><HorizontalLayout><List><Control/></List><gifanim/><RichEdit/><ScrollBar/>"
      L"</HorizontalLayout></Window>",
      &callback);
  ASSERT_NE(nullptr, root);
  // Lists and the other further controls are not part of this framework; the rich edit and the
  // scroll bar are, and are never offered.
  auto* items = static_cast<IContainer*>(root->CastTo(L"IContainer"));
  ASSERT_EQ(3, items->Count());
  EXPECT_STREQ(L"Control", items->ItemAt(0)->GetClassName());
  EXPECT_STREQ(L"RichEdit", items->ItemAt(1)->GetClassName());
  EXPECT_STREQ(L"ScrollBar", items->ItemAt(2)->GetClassName());
  EXPECT_EQ((std::vector<std::wstring>{L"List", L"gifanim"}), callback.offered);
}

TEST_F(SkinBuilderTest, ResourceElementsAndFailures) {
  Control* root = Build(
      L"<Window><Font name=\"Arial\" default=\"true\"/><Font id=\"9\" name=\"Arial\" size=\"20\"/>"
      L"<MultiLanguage id=\"3\" value=\"hello\"/><Control/></Window>");
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(20, manager_.GetFontInfo(9).size);
  EXPECT_NE(L"Arial", manager_.GetDefaultFontInfo().faceName);  // a font without id is ignored
  EXPECT_STREQ(L"hello", PaintManager::GetLanguageText(3));

  SkinBuilder builder;
  EXPECT_EQ(nullptr, builder.BuildFrom(L"missing.xml", nullptr, nullptr, &manager_, nullptr));
  EXPECT_EQ(nullptr,
            builder.BuildFrom(L"<Window><Control></Window>", nullptr, nullptr, &manager_, nullptr));
}

}  // namespace
}  // namespace ui
