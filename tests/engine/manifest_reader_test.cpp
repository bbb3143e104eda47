#include <gtest/gtest.h>

#include <string>

#include "engine/manifest/manifest_reader.h"
#include "tests/support/manifest_text.h"
#include "tests/support/temp_folder.h"

namespace {

const char kAbcMd5[] = "900150983cd24fb0d6963f7d28e17f72";

class ManifestReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteFileBytes(folder_ / L"present.dll", "abc"));
    ASSERT_TRUE(::CreateDirectoryW((folder_ / L"res").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder_ / L"res\\skin.dat", "abc"));
  }
  TempFolder folder_;
};

TEST_F(ManifestReaderTest, ListsMissingAndChangedFilesOnly) {
  std::string manifest = ManifestText(ManifestFileEntry("present.dll", "", kAbcMd5, "100") +
                                      ManifestFileEntry("skin.dat", "res\\", kAbcMd5, "200") +
                                      ManifestFileEntry("new.dll", "", kAbcMd5, "300") +
                                      ManifestFileEntry("changed.dll", "res\\", "0123", "400"));
  ASSERT_TRUE(WriteFileBytes(folder_ / L"res\\changed.dll", "abc"));

  const ManifestContents contents = ReadManifest(manifest, folder_.path());
  const std::vector<UpdateItem>& items = contents.items;

  EXPECT_TRUE(contents.readable);
  EXPECT_EQ((std::vector<std::wstring>{L"present.dll", L"res\\skin.dat"}), contents.unchanged);
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(L"new.dll", items[0].name);
  EXPECT_EQ(folder_.path() + L"\\", items[0].folder);
  EXPECT_EQ(folder_ / L"new.dll", items[0].targetPath);
  EXPECT_EQ(L"http://h/f/new.dll", items[0].url);
  EXPECT_EQ(300, items[0].length);
  EXPECT_EQ(folder_ / L"res\\", items[1].folder);
  EXPECT_EQ(folder_ / L"res\\changed.dll", items[1].targetPath);
}

TEST_F(ManifestReaderTest, DigestComparisonIsCaseSensitive) {
  std::string upper = "900150983CD24FB0D6963F7D28E17F72";
  std::vector<UpdateItem> items =
      ReadUpdateItems(ManifestText(ManifestFileEntry("present.dll", "", upper)), folder_.path());
  EXPECT_EQ(1u, items.size());
}

// A SHA256 that is no digest once passed for one the package would never match, or for none.
TEST_F(ManifestReaderTest, DigestIsSixtyFourHexDigitsAfterTrimming) {
  const std::string digest(64, 'a');
  struct Case {
    std::string value;
    std::string sha256;
    bool malformed;
  };
  const Case kCases[] = {
      {"", "", false},
      {digest, digest, false},
      {" \n" + std::string(64, 'A') + "\t ", digest, false},
      {std::string(63, 'a'), std::string(63, 'a'), true},
      {digest + "0", digest + "0", true},
      {std::string(63, 'a') + "g", std::string(63, 'a') + "g", true},
      {"   ", "", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    std::string entry = ManifestFileEntry("new.dll", "", "x");
    entry.insert(entry.find("</File>"), "<SHA256>" + c.value + "</SHA256>");
    const std::vector<UpdateItem> items = ReadUpdateItems(ManifestText(entry), folder_.path());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(c.sha256, items[0].sha256);
    EXPECT_EQ(c.malformed, items[0].sha256Malformed);
  }
}

TEST_F(ManifestReaderTest, FieldsAreTakenAsStored) {
  struct Case {
    const char* description;
    std::string manifest;
    std::wstring targetPath, url;
    int length;
  };
  const Case kCases[] = {
      {"dir without backslash glues onto the name",
       ManifestText(ManifestFileEntry("a.dll", "res", "x")), folder_ / L"resa.dll",
       L"http://h/f/a.dll", 10},
      // A raw space made libcurl refuse the address; the name's ANSI bytes reached no file.
      {"address is escaped",
       ManifestText(ManifestFileEntry("my file.dll", "", "x", "7", "http://h/a b/")),
       folder_ / L"my file.dll", L"http://h/a%20b/my%20file.dll", 7},
      {"utf-8 name", ManifestText(ManifestFileEntry("\xE5\xAE\x89.dll", "", "x")),
       folder_ / L"\u5B89.dll", L"http://h/f/%E5%AE%89.dll", 10},
      {"name outside the ANSI code page",
       ManifestText(ManifestFileEntry("\xED\x95\x9C \xF0\x9F\x98\x80.dll", "", "x")),
       folder_ / L"\uD55C \U0001F600.dll", L"http://h/f/%ED%95%9C%20%F0%9F%98%80.dll", 10},
      {"length parsed like atoi", ManifestText(ManifestFileEntry("a", "", "x", " -12kb")),
       folder_ / L"a", L"http://h/f/a", -12},
      {"length not a number", ManifestText(ManifestFileEntry("a", "", "x", "many")), folder_ / L"a",
       L"http://h/f/a", 0},
      {"length past the int range saturates",
       ManifestText(ManifestFileEntry("a", "", "x", "99999999999")), folder_ / L"a",
       L"http://h/f/a", 2147483647},
      {"field order and element names do not matter",
       ManifestText("<X><Length>5</Length><Dir></Dir><Url>u/</Url><Name>n</Name></X>"),
       folder_ / L"n", L"u/n", 5},
      {"CDATA value", ManifestText(ManifestFileEntry("<![CDATA[c.dll]]>", "", "x")),
       folder_ / L"c.dll", L"http://h/f/c.dll", 10},
      // The manifest is UTF-8 whatever it declares; a declared Latin-1 once mangled the name.
      {"utf-8 name under a Latin-1 declaration",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><UpdateFiles>" +
           ManifestFileEntry("\xE5\xAE\x89.dll", "", "x") + "</UpdateFiles>",
       folder_ / L"\u5B89.dll", L"http://h/f/%E5%AE%89.dll", 10},
      {"utf-8 name after a UTF-8 byte-order mark",
       "\xEF\xBB\xBF" + ManifestText(ManifestFileEntry("\xE5\xAE\x89.dll", "", "x")),
       folder_ / L"\u5B89.dll", L"http://h/f/%E5%AE%89.dll", 10},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    std::vector<UpdateItem> items = ReadUpdateItems(c.manifest, folder_.path());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(c.targetPath, items[0].targetPath);
    EXPECT_EQ(c.url, items[0].url);
    EXPECT_EQ(c.length, items[0].length);
  }
}

TEST_F(ManifestReaderTest, DocumentsWithoutFilesGiveNothing) {
  struct Case {
    const char* manifest;
    bool readable;
  };
  const Case kCases[] = {
      {"", false},
      {"not xml at all", false},
      {"<?xml version=\"1.0\"?><Other><File/></Other>", false},
      {"<Root><UpdateFiles><File><Name>a</Name></File></UpdateFiles></Root>", false},
      {"<UpdateFiles></UpdateFiles>", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.manifest);
    const ManifestContents contents = ReadManifest(c.manifest, folder_.path());
    EXPECT_TRUE(contents.items.empty());
    EXPECT_EQ(c.readable, contents.readable);
  }
}

TEST_F(ManifestReaderTest, TruncatedDocumentKeepsTheEntriesBeforeTheFault) {
  std::string manifest =
      ManifestText(ManifestFileEntry("a.dll", "", "x") + ManifestFileEntry("b.dll", "", "x"));
  manifest.resize(manifest.find("<File><Name>b.dll") + 8);
  const ManifestContents contents = ReadManifest(manifest, folder_.path());
  ASSERT_GE(contents.items.size(), 1u);
  EXPECT_EQ(L"a.dll", contents.items[0].name);
  // A run must not act on a list cut short.
  EXPECT_FALSE(contents.readable);
}

TEST_F(ManifestReaderTest, EntriesLeavingTheInstallFolderAreSkipped) {
  std::string manifest = ManifestText(
      ManifestFileEntry("evil.dll", "..\\", "x") + ManifestFileEntry("..\\evil.dll", "", "x") +
      ManifestFileEntry("evil.dll", "C:\\Windows\\", "x") +
      ManifestFileEntry("evil.dll", "\\\\server\\share\\", "x") +
      ManifestFileEntry("evil.dll", "\\Windows\\", "x") +
      ManifestFileEntry("evil.dll", "res/../../", "x") +
      ManifestFileEntry("evil.dll", "res\\.. \\..\\", "x") +
      ManifestFileEntry("C:evil.dll", "", "x") + ManifestFileEntry("kept.dll", "res\\..x\\", "x"));
  std::vector<UpdateItem> items = ReadUpdateItems(manifest, folder_.path());
  ASSERT_EQ(1u, items.size());
  EXPECT_EQ(folder_ / L"res\\..x\\kept.dll", items[0].targetPath);
}

TEST_F(ManifestReaderTest, NamesWindowsWouldNotTakeAsSpeltAreSkipped) {
  std::string manifest = ManifestText(
      ManifestFileEntry("con.txt", "", "x") + ManifestFileEntry("x.dll", "res\\nul\\", "x") +
      ManifestFileEntry("Com1.log", "res\\", "x") + ManifestFileEntry("CONOUT$", "", "x") +
      ManifestFileEntry("COM\xC2\xB9", "", "x") + ManifestFileEntry("trailing.", "", "x") +
      ManifestFileEntry("trailing ", "", "x") + ManifestFileEntry("x.dll", "res.\\", "x") +
      ManifestFileEntry("sub/x.dll", "", "x") + ManifestFileEntry("sub\\x.dll", "res\\", "x") +
      ManifestFileEntry("CONSOLE.txt", "res/sub/", "x") + ManifestFileEntry("COM10", "", "x"));
  std::vector<UpdateItem> items = ReadUpdateItems(manifest, folder_.path());
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(folder_ / L"res/sub/CONSOLE.txt", items[0].targetPath);
  EXPECT_EQ(folder_ / L"COM10", items[1].targetPath);
}

// NTFS finds one file under both spellings: a later entry would overwrite the first, possibly
// with a package the manifest lists as something else.
TEST_F(ManifestReaderTest, LaterEntriesNamingAListedFileInAnotherCaseAreSkipped) {
  std::string manifest = ManifestText(ManifestFileEntry("present.dll", "", kAbcMd5) +
                                      ManifestFileEntry("PRESENT.DLL", "", "1") +
                                      ManifestFileEntry("new.dll", "res\\", "2", "20") +
                                      ManifestFileEntry("New.dll", "RES/", "3", "30") +
                                      ManifestFileEntry("new.dll", "Res\\\\", "4", "40") +
                                      ManifestFileEntry("\xC3\x84.dll", "", "5", "50") +
                                      ManifestFileEntry("\xC3\xA4.dll", "", "6", "60"));
  const ManifestContents contents = ReadManifest(manifest, folder_.path());
  EXPECT_EQ(std::vector<std::wstring>{L"present.dll"}, contents.unchanged);
  ASSERT_EQ(2u, contents.items.size());
  EXPECT_EQ(folder_ / L"res\\new.dll", contents.items[0].targetPath);
  EXPECT_EQ(20, contents.items[0].length);
  EXPECT_EQ(folder_ / L"\u00C4.dll", contents.items[1].targetPath);
  EXPECT_EQ(50, contents.items[1].length);
}

}  // namespace
