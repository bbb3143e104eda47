#include "ui/skin/skin_builder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/paint_surface.h"
#include "tests/support/rect_compare.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_window.h"
#include "ui/controls/container.h"
#include "ui/controls/tab_layout.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/control.h"
#include "ui/core/delegate.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

constexpr wchar_t kYaHei[] = L"\u5FAE\u8F6F\u96C5\u9ED1";
constexpr wchar_t kSongTi[] = L"\u5B8B\u4F53";

// Records that a control was destroyed, through its destroy hook.
struct DestroyWatch {
  explicit DestroyWatch(Control* control) {
    control->destroyHooks.Add(MakeDelegate(this, &DestroyWatch::OnDestroy));
  }
  bool OnDestroy(void*) { return destroyed = true; }
  bool destroyed = false;
};

// depth containers inside one another in a "Window", the innermost named "deepest".
std::wstring NestedContainers(int depth) {
  std::wstring text = L"<Window>";
  for (int i = 1; i < depth; ++i)
    text += L"<Container>";
  text += L"<Container name=\"deepest\"/>";
  for (int i = 1; i < depth; ++i)
    text += L"</Container>";
  return text + L"</Window>";
}

// A hidden window for the manager, so that the "Window" element's attributes apply.
class SkinBuilderTest : public testing::Test {
 protected:
  void SetUp() override {
    // Fonts registered for the whole process by an earlier test would hide a missing one.
    PaintManager().RemoveAllFonts(ResourceSet::Shared);
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

  Control* Build(const std::wstring& source, IBuilderCallback* callback = nullptr) {
    return Build(source.c_str(), callback);
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
  EXPECT_EQ(600, manager_.GetInitSize().Unscaled().cx);
  EXPECT_EQ(400, manager_.GetInitSize().Unscaled().cy);
  RECT caption = manager_.GetCaptionRect().Unscaled();
  EXPECT_EQ(220, caption.bottom);
  EXPECT_STREQ(L"true", manager_.GetWindowCustomAttribute(L"bktrans"));

  // The seven fonts, each as declared and each in the set that every window shares. A font that
  // was never registered would answer with the default font, so the handles are compared too.
  struct SkinFont {
    int id;
    const wchar_t* face;
    int size;
    bool bold;
  };
  const SkinFont kFonts[] = {
      {0, kYaHei, 12, false},     {1, kYaHei, 12, true},   {2, kYaHei, 24, false},
      {3, kYaHei, 16, false},     {4, kSongTi, 32, false}, {5, kYaHei, 14, false},
      {6, L"consolas", 36, true},
  };
  PaintManager otherWindow;
  const HFONT defaultFont = manager_.GetDefaultFontInfo().font.Get();
  for (const SkinFont& font : kFonts) {
    SCOPED_TRACE(testing::Message() << "font " << font.id);
    const FontInfo& info = manager_.GetFontInfo(font.id);
    EXPECT_EQ(font.face, info.faceName);
    EXPECT_EQ(font.size, info.size);
    EXPECT_EQ(font.bold, info.bold);
    EXPECT_NE(defaultFont, info.font.Get()) << "registered, not the default's fallback";
    EXPECT_EQ(info.font.Get(), otherWindow.GetFont(font.id)) << "in the shared set";
  }
  EXPECT_EQ(kYaHei, manager_.GetDefaultFontInfo().faceName);
  EXPECT_EQ(12, manager_.GetDefaultFontInfo().size);
  EXPECT_FALSE(manager_.GetDefaultFontInfo().bold);

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
  EXPECT_EQ(77, items->ItemAt(0)->GetFixedWidth().Unscaled());
  EXPECT_EQ(0,
            items->ItemAt(1)->GetFixedWidth().Unscaled());  // "button" finds no "Button" defaults
  EXPECT_EQ(
      5, items->ItemAt(2)->GetFixedWidth().Unscaled());  // own attributes come after the defaults
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

// 2000 nested containers (a 46 KB skin) overflowed the stack: the builder recursed once per
// element level, about 1 KB a level.
TEST_F(SkinBuilderTest, NestingPastTheDepthCapFailsTheBuild) {
  for (int depth : {SkinBuilder::kMaxDepth + 1, 2000, 100000}) {
    SCOPED_TRACE(depth);
    EXPECT_EQ(nullptr, Build(NestedContainers(depth)));
  }
}

// At the cap the tree is whole, and registration (a walk with Find), layout, hit testing,
// painting and destruction all go down every level.
TEST_F(SkinBuilderTest, TreeAtTheDepthCapIsUsableAndDestroyed) {
  Control* root = Build(NestedContainers(SkinBuilder::kMaxDepth));
  ASSERT_NE(nullptr, root);
  ASSERT_TRUE(manager_.AttachRoot(root));
  root_ = nullptr;
  Control* deepest = manager_.FindControlByName(L"deepest");
  ASSERT_NE(nullptr, deepest);
  int levels = 0;
  for (Control* control = deepest; control; control = control->GetParent())
    ++levels;
  EXPECT_EQ(SkinBuilder::kMaxDepth, levels);

  root->SetRect({0, 0, 100, 100}, false);
  EXPECT_EQ((RECT{0, 0, 100, 100}), deepest->GetRect());
  EXPECT_EQ(deepest, manager_.FindControlAt({50, 50}));
  testing_support::PaintSurface surface(100, 100);
  EXPECT_TRUE(root->Paint(surface.dc(), {0, 0, 100, 100}, nullptr));

  // The replaced tree waits for cleanup; attaching yet another root destroys it at once.
  DestroyWatch watch(deepest);
  manager_.AttachRoot(new Container);
  manager_.AttachRoot(new Container);
  EXPECT_TRUE(watch.destroyed);
}

// Include loops and counts are bounded: a page that included itself overflowed the stack, and
// count="2000000000" or nested counts hung the build or exhausted memory.
class SkinBuilderLimitTest : public SkinBuilderTest {
 protected:
  void SetUp() override {
    SkinBuilderTest::SetUp();
    const std::pair<const wchar_t*, const char*> kFiles[] = {
        {L"loop.xml", "<Page><Include source=\"loop.xml\"/></Page>"},
        {L"leaf.xml", "<Page><Control/></Page>"},
        {L"empty.xml", "<Page/>"},
        {L"thousand.xml", "<Page><Include source=\"leaf.xml\" count=\"1000\"/></Page>"},
    };
    for (const auto& [name, text] : kFiles)
      ASSERT_TRUE(WriteFileBytes(folder_ / name, text));
    // chainN.xml includes chainN+1.xml; the last holds the control named "end".
    for (int n = 1; n <= kChainEnd; ++n) {
      const std::string text = n == kChainEnd ? "<Page><Control name=\"end\"/></Page>"
                                              : "<Page><Include source=\"chain" +
                                                    std::to_string(n + 1) + ".xml\"/></Page>";
      ASSERT_TRUE(WriteFileBytes(folder_ / (L"chain" + std::to_wstring(n) + L".xml"), text));
    }
    SetSkinFolder(folder_.path());
  }

  // A window whose layout holds the given markup.
  static std::wstring InLayout(const std::wstring& markup) {
    return L"<Window><VerticalLayout>" + markup + L"</VerticalLayout></Window>";
  }

  static constexpr int kChainEnd = SkinBuilder::kMaxIncludeDepth + 1;
  TempFolder folder_;
};

TEST_F(SkinBuilderLimitTest, LoopsAndCountsPastTheLimitsFailTheBuild) {
  const struct {
    const char* description;
    const wchar_t* markup;
  } kCases[] = {
      {"a page that includes itself", L"<Include source=\"loop.xml\"/>"},
      {"a chain of includes one too long", L"<Include source=\"chain1.xml\"/>"},
      {"a huge count", L"<Include source=\"leaf.xml\" count=\"2000000000\"/>"},
      {"a huge count of an empty page", L"<Include source=\"empty.xml\" count=\"2000000000\"/>"},
      {"nested counts", L"<Include source=\"thousand.xml\" count=\"1000\"/>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(nullptr, Build(InLayout(c.markup)));
  }
}

TEST_F(SkinBuilderLimitTest, IncludesAndCountsWithinTheLimitsBuild) {
  Control* root = Build(InLayout(L"<Include source=\"chain2.xml\"/>"));
  ASSERT_NE(nullptr, root) << "includes nested as deep as allowed";
  auto* items = static_cast<IContainer*>(root->CastTo(L"IContainer"));
  ASSERT_EQ(1, items->Count());
  EXPECT_EQ(L"end", items->ItemAt(0)->GetName());
  root->Destroy();
  root_ = nullptr;

  root_ = Build(InLayout(L"<Include source=\"thousand.xml\" count=\"4\"/>"));
  ASSERT_NE(nullptr, root_);
  EXPECT_EQ(4000, static_cast<IContainer*>(root_->CastTo(L"IContainer"))->Count());
}

TEST_F(SkinBuilderLimitTest, FailedBuildLeavesNothingInTheGivenParent) {
  auto* parent = new VerticalLayout;
  parent->Add(new Control);
  SkinBuilder builder;
  EXPECT_EQ(nullptr,
            builder.BuildFrom(L"<Page><Control/><Control/><Include source=\"loop.xml\"/></Page>",
                              nullptr, nullptr, &manager_, parent));
  EXPECT_EQ(1, parent->Count());
  parent->Destroy();
}

}  // namespace
}  // namespace ui
