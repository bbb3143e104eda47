#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/test_window.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"

namespace ui {
namespace {

constexpr wchar_t kYaHei[] = L"\u5FAE\u8F6F\u96C5\u9ED1";
constexpr wchar_t kSongTi[] = L"\u5B8B\u4F53";

// The fonts, default attribute lists and colours of the process outlive every test; this
// fixture puts them back as it found them.
class SharedResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    PaintManager probe;
    const FontInfo& font = probe.GetDefaultFontInfo();
    savedDefault_ = {base::ScopedFont(), font.faceName,  font.size,
                     font.bold,          font.underline, font.italic};
    savedColors_[0] = probe.GetDisabledFontColor();
    savedColors_[1] = probe.GetDefaultFontColor();
    savedColors_[2] = probe.GetLinkFontColor();
    savedColors_[3] = probe.GetLinkHoverFontColor();
    savedColors_[4] = probe.GetSelectedColor();
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get(), L"test");
  }

  void TearDown() override {
    PaintManager restorer;
    restorer.RemoveAllFonts(ResourceSet::Shared);
    restorer.RemoveAllDefaultAttributeLists(ResourceSet::Shared);
    restorer.SetDefaultFont(savedDefault_.faceName, savedDefault_.size, savedDefault_.bold,
                            savedDefault_.underline, savedDefault_.italic, ResourceSet::Shared);
    restorer.SetDisabledFontColor(savedColors_[0], ResourceSet::Shared);
    restorer.SetDefaultFontColor(savedColors_[1], ResourceSet::Shared);
    restorer.SetLinkFontColor(savedColors_[2], ResourceSet::Shared);
    restorer.SetLinkHoverFontColor(savedColors_[3], ResourceSet::Shared);
    restorer.SetSelectedColor(savedColors_[4], ResourceSet::Shared);
  }

  FontInfo savedDefault_;
  uint32_t savedColors_[5] = {};
  TestWindow window_{200, 100};
  PaintManager manager_;
};

using PaintManagerFontTest = SharedResourcesTest;

// AddFont and SetDefaultFont into the shared set: every window sees the fonts, each created as
// asked; an id without a font gives the default font.
TEST_F(PaintManagerFontTest, SharedFontsReachEveryWindowAndUnknownIdsGiveTheDefault) {
  struct SharedFont {
    int id;
    const wchar_t* face;
    int size;
    bool bold;
    bool isDefault;
  };
  const SharedFont kFonts[] = {
      {0, kYaHei, 12, false, true},
      {4, kSongTi, 32, false, false},
      {6, L"consolas", 36, true, false},
  };
  for (const SharedFont& font : kFonts) {
    ASSERT_NE(nullptr, manager_.AddFont(font.id, font.face, font.size, font.bold, false, false,
                                        ResourceSet::Shared));
    if (font.isDefault) {
      ASSERT_TRUE(manager_.SetDefaultFont(font.face, font.size, font.bold, false, false,
                                          ResourceSet::Shared));
    }
  }

  PaintManager otherWindow;
  for (const SharedFont& font : kFonts) {
    SCOPED_TRACE(testing::Message() << "font " << font.id);
    const FontInfo& info = manager_.GetFontInfo(font.id);
    EXPECT_EQ(font.face, info.faceName);
    EXPECT_EQ(font.size, info.size);
    EXPECT_EQ(font.bold, info.bold);
    EXPECT_GT(info.metrics.tmHeight, 0) << "measured with the window DC";
    EXPECT_EQ(info.font.Get(), otherWindow.GetFont(font.id)) << "in the shared set";
    LOGFONTW created = {};
    ASSERT_TRUE(::GetObjectW(info.font.Get(), sizeof(created), &created));
    EXPECT_EQ(-font.size, created.lfHeight);
    EXPECT_EQ(font.bold, created.lfWeight >= FW_BOLD);
    EXPECT_STREQ(font.face, created.lfFaceName);
  }

  const FontInfo& fallback = manager_.GetDefaultFontInfo();
  EXPECT_EQ(kYaHei, fallback.faceName);
  EXPECT_EQ(12, fallback.size);
  EXPECT_EQ(fallback.font.Get(), manager_.GetFont(7)) << "an unknown id gives the default font";
  EXPECT_EQ(fallback.font.Get(), manager_.GetFont(-1));
  EXPECT_EQ(fallback.font.Get(), manager_.GetFontInfo(7).font.Get());
  EXPECT_EQ(kYaHei, otherWindow.GetDefaultFontInfo().faceName) << "the shared default changed";
}

TEST_F(PaintManagerFontTest, FontOfTheSameIdReplacesAndDeletesTheFirst) {
  HFONT first = manager_.AddFont(20, L"Arial", 10, false, false, false);
  HFONT second = manager_.AddFont(20, L"Arial", 18, false, true, false);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(second, manager_.GetFont(20));
  EXPECT_TRUE(manager_.GetFontInfo(20).underline);
  EXPECT_EQ(0u, ::GetObjectType(first)) << "the first font was deleted";
}

TEST_F(PaintManagerFontTest, WindowFontsComeFirstAndGoWithAttachWindow) {
  HFONT shared = manager_.AddFont(30, L"Arial", 10, false, false, false, ResourceSet::Shared);
  HFONT own = manager_.AddFont(30, L"Tahoma", 11, false, false, false);
  PaintManager otherWindow;
  EXPECT_EQ(own, manager_.GetFont(30));
  EXPECT_EQ(shared, otherWindow.GetFont(30));
  EXPECT_EQ(&manager_.GetFontInfo(own), &manager_.GetFontInfo(30));

  EXPECT_EQ(own, manager_.FindFont(L"Tahoma", 11, false, false, false));
  EXPECT_EQ(shared, manager_.FindFont(L"Arial", 10, false, false, false));
  EXPECT_EQ(nullptr, manager_.FindFont(L"tahoma", 11, false, false, false)) << "exact face";
  EXPECT_EQ(nullptr, manager_.FindFont(L"Tahoma", 11, true, false, false));

  manager_.SetForceSharedResources(true);
  HFONT forced = manager_.AddFont(31, L"Arial", 12, false, false, false);
  EXPECT_EQ(forced, otherWindow.GetFont(31)) << "forced into the shared set";
  manager_.SetForceSharedResources(false);

  manager_.AttachWindow(window_.Get(), L"again");
  EXPECT_EQ(shared, manager_.GetFont(30)) << "the window's own fonts are gone";
  EXPECT_EQ(0u, ::GetObjectType(own));
}

TEST_F(SharedResourcesTest, DefaultAttributeListsWindowFirst) {
  manager_.AddDefaultAttributeList(L"Button", L"height=\"20\"", ResourceSet::Shared);
  manager_.AddDefaultAttributeList(L"Button", L"height=\"30\"");
  manager_.AddDefaultAttributeList(L"Label", L"width=\"5\"", ResourceSet::Shared);
  PaintManager otherWindow;
  EXPECT_STREQ(L"height=\"30\"", manager_.GetDefaultAttributeList(L"Button"));
  EXPECT_STREQ(L"height=\"20\"", otherWindow.GetDefaultAttributeList(L"Button"));
  EXPECT_STREQ(L"width=\"5\"", manager_.GetDefaultAttributeList(L"Label"));
  EXPECT_EQ(nullptr, manager_.GetDefaultAttributeList(L"button")) << "names compare exactly";

  manager_.AddDefaultAttributeList(L"Label", L"width=\"6\"", ResourceSet::Shared);
  EXPECT_STREQ(L"width=\"6\"", otherWindow.GetDefaultAttributeList(L"Label")) << "replaced";

  manager_.AttachWindow(window_.Get(), L"again");
  EXPECT_STREQ(L"height=\"20\"", manager_.GetDefaultAttributeList(L"Button"));
}

TEST_F(SharedResourcesTest, SharedColourCarriesWindowsThatStillHadTheOldValue) {
  PaintManager following;
  EXPECT_EQ(0xFF000000u, manager_.GetDefaultFontColor());
  EXPECT_EQ(0xFFA7A6AAu, manager_.GetDisabledFontColor());
  EXPECT_EQ(0xFF0000FFu, manager_.GetLinkFontColor());
  EXPECT_EQ(0xFFD3215Fu, manager_.GetLinkHoverFontColor());
  EXPECT_EQ(0xFFBAE4FFu, manager_.GetSelectedColor());

  manager_.SetDefaultFontColor(0xFF111111);
  EXPECT_EQ(0xFF000000u, PaintManager().GetDefaultFontColor()) << "window colour only";

  following.SetDefaultFontColor(0xFF222222, ResourceSet::Shared);
  EXPECT_EQ(0xFF222222u, following.GetDefaultFontColor());
  EXPECT_EQ(0xFF111111u, manager_.GetDefaultFontColor()) << "had its own value: kept";
  EXPECT_EQ(0xFF222222u, PaintManager().GetDefaultFontColor()) << "new windows copy it";
}

TEST(PaintManagerLanguageTest, PlaceholdersAreReplacedByLanguageTexts) {
  PaintManager::AddLanguageText(0, L"zero");
  PaintManager::AddLanguageText(3, L"three");
  PaintManager::AddLanguageText(5, L"[%{3}]");
  PaintManager::AddLanguageText(6, L"x%{6}");  // refers to itself
  PaintManager::AddLanguageText(7, L"%{7}%{7}");
  struct Case {
    const wchar_t* text;
    const wchar_t* expected;
  };
  const Case kCases[] = {
      {L"%{3}", L"three"},
      {L"%{9}", L"%{9}"},  // no text 9
      {L"a %{3} b %{3}", L"a three b three"},
      {L"%{}", L"zero"},  // no digits: id 0
      {L"%{03}", L"three"},
      {L"100% %{3", L"100% %{3"},
      {L"%3} %{3x}", L"%3} %{3x}"},
      {L"%{99999999999999999999}", L"%{99999999999999999999}"},
      {L"%{5}", L"[three]"},  // the inserted text is searched on
      {L"%%{3}", L"%three"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "text " << testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(c.expected, PaintManager::ReplaceLanguagePlaceholders(c.text));
  }
  EXPECT_STREQ(L"three", PaintManager::GetLanguageText(3));
  EXPECT_EQ(nullptr, PaintManager::GetLanguageText(9));

  // A text that contains its own placeholder must not be expanded without end.
  const std::wstring selfReferring = PaintManager::ReplaceLanguagePlaceholders(L"%{6}");
  EXPECT_EQ(L"xx", selfReferring.substr(0, 2));
  EXPECT_LT(selfReferring.size(), 100000u);
  EXPECT_LT(PaintManager::ReplaceLanguagePlaceholders(L"%{7}").size(), 100000u);
}

class PaintManagerWindowAttributeTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.Get());
    manager_.AttachWindow(window_.Get(), L"");
  }

  SIZE WindowSize() const {
    RECT area = {};
    ::GetWindowRect(window_.Get(), &area);
    return {area.right - area.left, area.bottom - area.top};
  }

  TestWindow window_{200, 100};
  PaintManager manager_;
};

TEST_F(PaintManagerWindowAttributeTest, InstallerWindowElement) {
  manager_.SetWindowAttribute(L"size", L"600,400");
  manager_.SetWindowAttribute(L"sizebox", L"0,0,0,0");
  manager_.SetWindowAttribute(L"caption", L"0,0,0,220");
  manager_.SetWindowAttribute(L"bktrans", L"true");

  EXPECT_EQ(600, manager_.GetInitSize().Unscaled().cx);
  EXPECT_EQ(400, manager_.GetInitSize().Unscaled().cy);
  EXPECT_EQ(600, WindowSize().cx) << "no root yet: the window is resized";
  EXPECT_EQ(400, WindowSize().cy);
  const RECT caption = manager_.GetCaptionRect().Unscaled();
  EXPECT_EQ(0, caption.left);
  EXPECT_EQ(0, caption.top);
  EXPECT_EQ(0, caption.right);
  EXPECT_EQ(220, caption.bottom);
  EXPECT_STREQ(L"true", manager_.GetWindowCustomAttribute(L"bktrans"));

  manager_.SetWindowAttribute(L"bktrans", L"false");
  EXPECT_STREQ(L"true", manager_.GetWindowCustomAttribute(L"bktrans")) << "the first value stays";
}

TEST_F(PaintManagerWindowAttributeTest, SizeAfterTheRootIsOnlyStored) {
  manager_.AttachRoot(new Control);
  manager_.SetWindowAttribute(L"SIZE", L"320,240");
  EXPECT_EQ(320, manager_.GetInitSize().Unscaled().cx);
  EXPECT_EQ(200, WindowSize().cx);
}

TEST(PaintManagerWindowAttributesTest, EveryAttributeOfTheTable) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool (*holds)(PaintManager&);
  };
  const Case kCases[] = {
      {L"SizeBox", L"1, 2,3,4",
       [](PaintManager& m) {
         const RECT box = m.GetSizeBox().Unscaled();
         return box.left == 1 && box.top == 2 && box.right == 3 && box.bottom == 4;
       }},
      {L"roundcorner", L"5,6",
       [](PaintManager& m) {
         return m.GetRoundCorner().Unscaled().cx == 5 && m.GetRoundCorner().Unscaled().cy == 6;
       }},
      {L"mininfo", L"100,80",
       [](PaintManager& m) {
         return m.GetMinInfo().Unscaled().cx == 100 && m.GetMinInfo().Unscaled().cy == 80;
       }},
      {L"maxinfo", L"800 600",
       [](PaintManager& m) {
         return m.GetMaxInfo().Unscaled().cx == 800 && m.GetMaxInfo().Unscaled().cy == 600;
       }},
      {L"showdirty", L"TRUE", [](PaintManager& m) { return m.IsShowDirty(); }},
      {L"noactivate", L"true", [](PaintManager& m) { return m.IsNoActivate(); }},
      {L"NoActivate", L"true",
       [](PaintManager& m) {
         return !m.IsNoActivate() && m.GetWindowCustomAttribute(L"NoActivate") != nullptr;
       }},
      {L"opacity", L"128", [](PaintManager& m) { return m.GetOpacity() == 128; }},
      {L"layeredopacity", L"200", [](PaintManager& m) { return m.GetOpacity() == 200; }},
      {L"LayeredOpacity", L"200",
       [](PaintManager& m) {
         return m.GetOpacity() == 255 && m.GetWindowCustomAttribute(L"LayeredOpacity");
       }},
      {L"layeredimage", L"file='missing.png'",
       [](PaintManager& m) { return m.GetLayeredImage() == L"file='missing.png'"; }},
      {L"disabledfontcolor", L"#FF101010",
       [](PaintManager& m) { return m.GetDisabledFontColor() == 0xFF101010; }},
      {L"DefaultFontColor", L"FF202020",
       [](PaintManager& m) { return m.GetDefaultFontColor() == 0xFF202020; }},
      {L"linkfontcolor", L"#FF303030",
       [](PaintManager& m) { return m.GetLinkFontColor() == 0xFF303030; }},
      {L"linkhoverfontcolor", L"#FF404040",
       [](PaintManager& m) { return m.GetLinkHoverFontColor() == 0xFF404040; }},
      {L"selectedcolor", L"#FF505050",
       [](PaintManager& m) { return m.GetSelectedColor() == 0xFF505050; }},
      {L"bktrans", L"",
       [](PaintManager& m) { return m.GetWindowCustomAttribute(L"bktrans") == nullptr; }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.name)) << "="
                                    << testing::PrintToString(std::wstring(c.value)));
    PaintManager manager;
    manager.SetWindowAttribute(c.name, c.value);
    EXPECT_TRUE(c.holds(manager));
  }
  EXPECT_EQ(0xFF000000u, PaintManager().GetDefaultFontColor()) << "window colours only";
}

}  // namespace
}  // namespace ui
