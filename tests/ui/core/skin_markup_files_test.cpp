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

// Element names, attribute counts in brackets and children in parentheses, in document order.
std::wstring Shape(const MarkupNode& node) {
  std::wstring shape = node.Name();
  shape += L"[" + std::to_wstring(node.AttributeCount()) + L"]";
  if (!node.HasChildren())
    return shape;
  shape += L"(";
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling())
    shape += Shape(child) + (child.NextSibling().IsValid() ? L"," : L"");
  return shape + L")";
}

// The first element, depth first, whose "name" attribute is |name|.
MarkupNode FindNamed(const MarkupNode& node, const wchar_t* name) {
  wchar_t value[64] = {};
  if (node.FindAttribute(L"name", value, 64) && std::wstring(value) == name)
    return node;
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    MarkupNode found = FindNamed(child, name);
    if (found.IsValid())
      return found;
  }
  return MarkupNode();
}

std::wstring Value(const MarkupNode& node, const wchar_t* attribute) {
  wchar_t value[512] = {};
  return node.FindAttribute(attribute, value, 512) ? value : L"<absent>";
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

TEST_P(SkinMarkupFilesTest, FilesParseIntoTheExpectedTrees) {
  const struct {
    const wchar_t* file;
    const wchar_t* shape;
  } kCases[] = {
      {L"install.xml",
       L"Window[4](Font[6],Font[5],Font[5],Font[5],Font[5],Font[5],Font[5],"
       L"VerticalLayout[1](TabLayout[1](Include[1],Include[1],Include[1]),"
       L"HorizontalLayout[2](Container[3],Container[3],Container[3],Button[6],Container[3],"
       L"Button[6])))"},
      {L"configpage.xml",
       L"Windows[0](VerticalLayout[0](VerticalLayout[2],VerticalLayout[1](Button[7]),"
       L"HorizontalLayout[1](Control[1],CheckBox[12],Button[6]),"
       L"HorizontalLayout[1](Control[1],RichEdit[11],Control[1],Button[6])))"},
      {L"installingpage.xml",
       L"Windows[0](VerticalLayout[0](VerticalLayout[2],VerticalLayout[0](Control[1],"
       L"HorizontalLayout[2](Label[5],Control[0],Label[5]),Slider[9],Label[6],Control[0])))"},
      {L"finishpage.xml",
       L"Windows[0](VerticalLayout[0](VerticalLayout[2],VerticalLayout[1](Button[7])))"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.file);
    MarkupDocument document;
    ASSERT_TRUE(document.LoadFile(c.file, MarkupEncoding::Utf8)) << document.ErrorMessage();
    EXPECT_EQ(c.shape, Shape(document.Root()));
  }
}

TEST_P(SkinMarkupFilesTest, ValuesComeThroughAsStored) {
  const struct {
    const wchar_t* file;
    const wchar_t* control;  // Null: the root.
    const wchar_t* attribute;
    const wchar_t* value;
  } kCases[] = {
      {L"install.xml", nullptr, L"caption", L"0,0,0,220"},
      {L"install.xml", nullptr, L"bktrans", L"true"},
      {L"install.xml", L"btn_close", L"pushedimage", L"file='btn_close.png' source='0,24,12,36'"},
      {L"configpage.xml", L"ckbox_agree", L"text", L"\x6211\x5DF2\x9605\x8BFB\x5E76\x540C\x610F"},
      {L"configpage.xml", L"btn_agreement", L"text",
       L"\x300A\x7528\x6237\x6388\x6743\x5408\x7EA6\x300B"},
      {L"configpage.xml", L"btn_agreement", L"textcolor", L"0xFF2786e4"},
      {L"configpage.xml", L"edit_dir", L"text", L""},
      {L"configpage.xml", L"btn_install", L"padding", L"210,60,0,0"},
      {L"installingpage.xml", L"progress_file", L"text", L"\x6587\x4EF6\x540D"},
      {L"installingpage.xml", L"slr_progress", L"bkcolor", L"#FFD8D8D8"},
      {L"finishpage.xml", L"btn_exec", L"normalimage",
       L"file='btn_finish.png' source='0,0,178,58'"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << c.file << " " << (c.control ? c.control : L"root") << " " << c.attribute);
    MarkupDocument document;
    ASSERT_TRUE(document.LoadFile(c.file, MarkupEncoding::Utf8));
    MarkupNode node = c.control ? FindNamed(document.Root(), c.control) : document.Root();
    ASSERT_TRUE(node.IsValid());
    EXPECT_EQ(c.value, Value(node, c.attribute));
  }
  MarkupDocument install;
  ASSERT_TRUE(install.LoadFile(L"install.xml", MarkupEncoding::Utf8));
  EXPECT_EQ(L"\x5FAE\x8F6F\x96C5\x9ED1", Value(install.Root().FirstChild(), L"name"));  // 微软雅黑
}

INSTANTIATE_TEST_SUITE_P(FolderAndPackage,
                         SkinMarkupFilesTest,
                         testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "FromMemoryPackage" : "FromSkinFolder";
                         });

}  // namespace
}  // namespace ui
