#include "ui/core/markup_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// The names of |node|'s children in document order.
std::vector<std::wstring> ChildNames(const MarkupNode& node) {
  std::vector<std::wstring> names;
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling())
    names.push_back(child.Name());
  return names;
}

std::wstring Value(const MarkupNode& node, const wchar_t* name) {
  wchar_t buffer[256] = {};
  return node.FindAttribute(name, buffer, 256) ? buffer : L"<absent>";
}

TEST(MarkupDocumentTest, SkipsByteOrderMarkDeclarationAndComments) {
  const std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n"
      "<Window size=\"600,400\">\n"
      "  <Font id=\"0\" />\n"
      "  <!-- \xE8\xBF\x9B\xE5\xBA\xA6 -->\n"
      "  <VerticalLayout>\n"
      "    <Control />\n"
      "  </VerticalLayout>\n"
      "  <!-- two - dashes -- inside -->\n"
      "  <Button name=\"b\" />\n"
      "</Window>\n";
  MarkupDocument document;
  ASSERT_TRUE(document.LoadBytes(text.data(), text.size(), MarkupEncoding::Utf8))
      << document.ErrorMessage();
  MarkupNode root = document.Root();
  EXPECT_STREQ(L"Window", root.Name());
  EXPECT_EQ(L"600,400", Value(root, L"size"));
  EXPECT_EQ((std::vector<std::wstring>{L"Font", L"VerticalLayout", L"Button"}), ChildNames(root));
  EXPECT_EQ(std::vector<std::wstring>{L"Control"}, ChildNames(root.FirstChild().NextSibling()));
  EXPECT_STREQ(L"", document.ErrorMessage());
}

TEST(MarkupDocumentTest, EmptyElementWithAndWithoutBlank) {
  struct Case {
    const wchar_t* text;
    int attributes;
  };
  const Case kCases[] = {
      {L"<Windows><Control/></Windows>", 0},
      {L"<Windows><Control /></Windows>", 0},
      {L"<Windows><Control width=\"10\" /></Windows>", 1},
      {L"<Windows><Control width=\"10\"/></Windows>", 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.text);
    MarkupDocument document;
    ASSERT_TRUE(document.LoadText(c.text)) << document.ErrorMessage();
    MarkupNode control = document.Root().FirstChild();
    EXPECT_STREQ(L"Control", control.Name());
    EXPECT_FALSE(control.HasChildren());
    EXPECT_EQ(c.attributes, control.AttributeCount());
    if (c.attributes) {
      EXPECT_EQ(L"10", Value(control, L"width"));
    }
  }
}

TEST(MarkupDocumentTest, DecodesTheFiveEntitiesOnly) {
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(
      L"<a v=\"x&amp;y\" w=\"&lt;&gt;&quot;&apos;\" u=\"&nbsp; &&amp;&am\" z=\"end\">"
      L"t&amp;t</a>"))
      << document.ErrorMessage();
  MarkupNode root = document.Root();
  // Values shortened by decoding must not disturb the attributes after them.
  ASSERT_EQ(4, root.AttributeCount());
  EXPECT_STREQ(L"x&y", root.AttributeValue(0));
  EXPECT_STREQ(L"<>\"'", root.AttributeValue(1));
  EXPECT_STREQ(L"&nbsp; &&&am", root.AttributeValue(2));
  EXPECT_STREQ(L"z", root.AttributeName(3));
  EXPECT_STREQ(L"end", root.AttributeValue(3));
}

TEST(MarkupDocumentTest, DropsWhitespaceAfterBlankOnlyWhenAsked) {
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(L"<a v=\"x  \t y\" />"));
  EXPECT_STREQ(L"x  \t y", document.Root().AttributeValue(0));
  document.SetKeepWhitespace(false);
  ASSERT_TRUE(document.LoadText(L"<a v=\"x  \t y\" w=\"1\" />"));
  EXPECT_STREQ(L"x y", document.Root().AttributeValue(0));
  EXPECT_STREQ(L"1", document.Root().AttributeValue(1));
}

TEST(MarkupDocumentTest, ReportsEachFailureWithItsLocation) {
  struct Case {
    const wchar_t* text;
    const wchar_t* message;
    const wchar_t* location;
  };
  const Case kCases[] = {
      {L"<a></a> junk", L"Expected start tag", L"junk"},
      {L"<Window><Control", L"Error parsing element name", L""},
      {L"<a/b>", L"Expected start-tag closing", L"/b>"},
      {L"<Window><A><B>text", L"Expected end-tag start", L""},
      {L"<Window></Windows>", L"Unmatched closing tag", L"s>"},
      {L"<Window><A></B></Window>", L"Unmatched closing tag", L"B></Window>"},
      {L"<a b c=\"1\" />", L"Error while parsing attributes", L"c=\"1\" />"},
      {L"<a b='1' />", L"Expected attribute value", L"'1' />"},
      {L"<a b=\"1 />", L"Error while parsing attribute string", L""},
      // The location is cut at 49 characters.
      {L"<a>x</a>0123456789012345678901234567890123456789012345678901234567890123456789",
       L"Expected start tag", L"0123456789012345678901234567890123456789012345678"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.text);
    MarkupDocument document;
    EXPECT_FALSE(document.LoadText(c.text));
    EXPECT_STREQ(c.message, document.ErrorMessage());
    EXPECT_STREQ(c.location, document.ErrorLocation());
    EXPECT_FALSE(document.IsLoaded());
    EXPECT_FALSE(document.Root().IsValid());
  }
}

TEST(MarkupDocumentTest, EndOfTextClosesRootAndItsChildrenOnly) {
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(L"<Window size=\"1\"><A>text")) << document.ErrorMessage();
  // The names are still terminated although no end tag did it.
  EXPECT_STREQ(L"Window", document.Root().Name());
  EXPECT_STREQ(L"A", document.Root().FirstChild().Name());
  ASSERT_TRUE(document.LoadText(L"<Window>text"));
  EXPECT_STREQ(L"Window", document.Root().Name());

  EXPECT_FALSE(document.LoadText(L"<Window><A><B>"));
  EXPECT_STREQ(L"Expected end-tag start", document.ErrorMessage());
}

TEST(MarkupDocumentTest, ExposesTheFirstSixtyFourOfSeventyAttributes) {
  std::wstring text = L"<a";
  for (int i = 0; i < 70; ++i)
    text += L" n" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  text += L" />";
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(text.c_str()));
  MarkupNode root = document.Root();
  EXPECT_EQ(64, root.AttributeCount());
  EXPECT_STREQ(L"n63", root.AttributeName(63));
  EXPECT_STREQ(L"v63", root.AttributeValue(63));
  EXPECT_STREQ(L"", root.AttributeName(64));
  EXPECT_EQ(L"<absent>", Value(root, L"n64"));
}

TEST(MarkupDocumentTest, FindAttributeIsCaseSensitiveAndAlwaysTerminates) {
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(L"<a width=\"12345\" />"));
  MarkupNode root = document.Root();
  EXPECT_EQ(L"<absent>", Value(root, L"Width"));
  EXPECT_EQ(L"12345", Value(root, L"width"));

  // A value that fills the buffer is cut one short and terminated.
  wchar_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), L'X');
  ASSERT_TRUE(root.FindAttribute(L"width", buffer, 4));
  EXPECT_STREQ(L"123", buffer);
  EXPECT_EQ(L'X', buffer[4]);
  ASSERT_TRUE(root.FindAttribute(L"width", buffer, 6));
  EXPECT_STREQ(L"12345", buffer);
}

TEST(MarkupDocumentTest, FurtherTopLevelElementsFollowTheRoot) {
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(L"<first /><second><child /></second>"));
  MarkupNode root = document.Root();
  EXPECT_STREQ(L"first", root.Name());
  EXPECT_STREQ(L"second", root.NextSibling().Name());
  EXPECT_STREQ(L"child", root.NextSibling().FirstChild().Name());
  EXPECT_FALSE(root.NextSibling().NextSibling().IsValid());
}

TEST(MarkupDocumentTest, DecodesUtf16InBothByteOrdersAndAnsi) {
  const std::wstring text = L"<a t=\"\x6587\x4EF6\x540D\" />";  // 文件名
  std::string little = "\xFF\xFE";
  std::string big = "\xFE\xFF";
  for (wchar_t c : text) {
    little += static_cast<char>(c & 0xFF);
    little += static_cast<char>(c >> 8);
    big += static_cast<char>(c >> 8);
    big += static_cast<char>(c & 0xFF);
  }
  const std::string bigCopy = big;
  // The test runs with the ANSI code page 936, where 文件名 is CE C4 BC FE C3 FB.
  const std::string ansi = "<a t=\"\xCE\xC4\xBC\xFE\xC3\xFB\" />";
  struct Case {
    const char* description;
    const std::string& bytes;
    MarkupEncoding encoding;
  };
  const Case kCases[] = {
      {"UTF-16 little-endian", little, MarkupEncoding::Utf16},
      {"UTF-16 big-endian", big, MarkupEncoding::Utf16},
      {"ANSI", ansi, MarkupEncoding::Ansi},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    MarkupDocument document;
    ASSERT_TRUE(document.LoadBytes(c.bytes.data(), c.bytes.size(), c.encoding))
        << document.ErrorMessage();
    EXPECT_STREQ(L"\x6587\x4EF6\x540D", document.Root().AttributeValue(0));
  }
  EXPECT_EQ(bigCopy, big);

  MarkupDocument document;
  EXPECT_FALSE(document.LoadBytes("<\0a\0/\0>\0", 8, MarkupEncoding::Utf16));
  EXPECT_STREQ(L"Expected byte-order mark", document.ErrorMessage());
}

TEST(MarkupDocumentTest, GrowsPastTheFirstAllocationAndNestsDeeply) {
  std::wstring wide = L"<list>";
  for (int i = 0; i < 2000; ++i)
    wide += L"<item />";
  wide += L"</list>";
  MarkupDocument document;
  ASSERT_TRUE(document.LoadText(wide.c_str()));
  EXPECT_EQ(2000u, ChildNames(document.Root()).size());

  // Nesting is limited by memory only, not by the stack.
  constexpr int kDepth = 200000;
  std::wstring deep;
  for (int i = 0; i < kDepth; ++i)
    deep += L"<d>";
  for (int i = 0; i < kDepth; ++i)
    deep += L"</d>";
  ASSERT_TRUE(document.LoadText(deep.c_str())) << document.ErrorMessage();
  int depth = 0;
  for (MarkupNode node = document.Root(); node.IsValid(); node = node.FirstChild())
    ++depth;
  EXPECT_EQ(kDepth, depth);
}

TEST(MarkupDocumentTest, ReloadingReplacesTheTree) {
  MarkupDocument document(L"<one />");
  EXPECT_STREQ(L"one", document.Root().Name());
  ASSERT_TRUE(document.LoadText(L"<two />"));
  EXPECT_STREQ(L"two", document.Root().Name());
  document.Unload();
  EXPECT_FALSE(document.IsLoaded());
  EXPECT_FALSE(document.Root().IsValid());
  EXPECT_EQ(nullptr, document.Root().Name());
}

}  // namespace
}  // namespace ui
