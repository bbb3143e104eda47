#include "ui/core/skin_resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/ui/core/zip_builder.h"
#include "ui/core/markup_document.h"
#include "ui/core/process_elevation.h"
#include "ui/core/skin_settings.h"

namespace ui {
namespace {

std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A well-formed document of exactly |size| bytes.
std::string DocumentOfSize(size_t size) {
  return "<a>" + std::string(size - 7, 'x') + "</a>";
}

// Each test starts with loose files from a fresh skin folder and leaves the settings that way.
class SkinResourceTest : public testing::Test {
 protected:
  void SetUp() override {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    SetSkinFolder(skinFolder_.path());
  }

  void TearDown() override {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    SetSkinFolder(L"");
  }

  // UsePackageMemory ignores a block while another is in use, so switch to loose files first.
  void UseMemoryPackage(const std::string& zip) {
    UsePackageFile(L"", PackageHandling::KeepOpen);
    package_ = zip;
    UsePackageMemory(package_.data(), package_.size());
  }

  std::string ReadDocument(const wchar_t* name) {
    std::vector<uint8_t> bytes;
    std::wstring error;
    if (!ReadSkinDocument(name, &bytes, &error))
      return "error: " + std::string(error.begin(), error.end());
    return AsString(bytes);
  }

  TempFolder skinFolder_;
  std::string package_;
};

TEST_F(SkinResourceTest, SkinFolderEndsWithSeparator) {
  const struct {
    const wchar_t* given;
    const wchar_t* stored;
  } kCases[] = {
      {L"C:\\skin", L"C:\\skin\\"},
      {L"C:\\skin\\", L"C:\\skin\\"},
      {L"C:/skin/", L"C:/skin/"},
      {L"", L""},
  };
  for (const auto& c : kCases) {
    SetSkinFolder(c.given);
    EXPECT_EQ(c.stored, SkinFolder());
  }
}

TEST_F(SkinResourceTest, ProgramFolderIsTheModulesFolder) {
  SetProgramModule(nullptr);
  EXPECT_EQ(L"", ProgramFolder());
  SetProgramModule(GetModuleHandleW(nullptr));
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(0u, GetModuleFileNameW(nullptr, path, MAX_PATH));
  const std::wstring folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(L'\\', folder.back());
  EXPECT_EQ(0u, std::wstring(path).rfind(folder, 0));
  EXPECT_EQ(std::wstring::npos, std::wstring(path).find(L'\\', folder.size()));
  SetProgramModule(nullptr);
}

TEST_F(SkinResourceTest, DocumentLimitsFromFolderAndPackage) {
  const std::string exact = DocumentOfSize(kMaxSkinDocumentSize);
  const std::string over = DocumentOfSize(kMaxSkinDocumentSize + 1);
  ASSERT_TRUE(WriteFileBytes(skinFolder_ / L"exact.xml", exact));
  ASSERT_TRUE(WriteFileBytes(skinFolder_ / L"over.xml", over));
  ASSERT_TRUE(WriteFileBytes(skinFolder_ / L"empty.xml", ""));
  const std::string zip = ZipBuilder()
                              .Add("exact.xml", exact)
                              .Add("over.xml", over)
                              .Add("empty.xml", "", ZipBuilder::Method::Stored)
                              .Build();
  struct Case {
    const wchar_t* name;
    const wchar_t* folderError;  // Null: the document loads.
    const wchar_t* packageError;
  };
  const Case kCases[] = {
      {L"exact.xml", nullptr, nullptr},
      {L"over.xml", L"File too large", L"File too large"},
      {L"empty.xml", L"File is empty", L"File is empty"},
      {L"missing.xml", L"Error opening file", L"Could not find ziped file"},
  };
  for (bool fromPackage : {false, true}) {
    if (fromPackage)
      UseMemoryPackage(zip);
    for (const Case& c : kCases) {
      SCOPED_TRACE(testing::Message() << (fromPackage ? "package " : "folder ") << c.name);
      const wchar_t* error = fromPackage ? c.packageError : c.folderError;
      MarkupDocument document;
      EXPECT_EQ(error == nullptr, document.LoadFile(c.name, MarkupEncoding::Utf8));
      EXPECT_STREQ(error ? error : L"", document.ErrorMessage());
      EXPECT_STREQ(L"", document.ErrorLocation());
    }
  }
}

TEST_F(SkinResourceTest, PackageFailuresHaveTheirOwnMessages) {
  UsePackageFile(L"missing.zip", PackageHandling::KeepOpen);
  EXPECT_EQ("error: Error opening zip file", ReadDocument(L"install.xml"));

  std::string zip = ZipBuilder().Add("install.xml", "<Window />").Build();
  WriteLe(zip, DirectoryOffsetOf(zip) + 16, 4, 0);  // The recorded checksum.
  UseMemoryPackage(zip);
  EXPECT_EQ("error: Could not unzip file", ReadDocument(L"install.xml"));
}

TEST_F(SkinResourceTest, MemoryPackageFoldsNamesAndKeepsTheFirstBlock) {
  UseMemoryPackage(ZipBuilder().Add("install.xml", "first").Add("img/logo.png", "logo").Build());
  EXPECT_EQ(kMemoryPackageName, SkinPackageName());
  EXPECT_EQ("first", ReadDocument(L"install.xml"));
  EXPECT_EQ("first", ReadDocument(L"INSTALL.XML"));
  EXPECT_EQ("logo", AsString(ReadSkinResource(L"img\\Logo.png")));

  const std::string second = ZipBuilder().Add("install.xml", "second").Build();
  UsePackageMemory(second.data(), second.size());
  EXPECT_EQ("first", ReadDocument(L"install.xml"));
}

TEST_F(SkinResourceTest, ChangingOnlyTheHandlingReopensThePackage) {
  ASSERT_TRUE(WriteFileBytes(skinFolder_ / L"skin.zip", ZipBuilder().Add("a.xml", "kept").Build()));
  UsePackageFile(L"skin.zip", PackageHandling::KeepOpen);
  EXPECT_EQ("kept", ReadDocument(L"a.xml"));

  // The kept package is closed, so the file can be replaced and each lookup opens it anew.
  UsePackageFile(L"skin.zip", PackageHandling::OpenPerLookup);
  ASSERT_TRUE(
      WriteFileBytes(skinFolder_ / L"skin.zip", ZipBuilder().Add("a.xml", "per lookup").Build()));
  EXPECT_EQ("per lookup", ReadDocument(L"a.xml"));
  ASSERT_TRUE(
      WriteFileBytes(skinFolder_ / L"skin.zip", ZipBuilder().Add("a.xml", "again").Build()));
  EXPECT_EQ("again", ReadDocument(L"a.xml"));
}

class SkinResourceFallbackTest : public SkinResourceTest {
 protected:
  void SetUp() override {
    SkinResourceTest::SetUp();
    wchar_t previous[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, previous));
    previousDirectory_ = previous;
    ASSERT_TRUE(SetCurrentDirectoryW(workingFolder_.path().c_str()));
    ASSERT_TRUE(WriteFileBytes(workingFolder_ / L"both.png", "from the working folder"));
    ASSERT_TRUE(WriteFileBytes(workingFolder_ / L"only_here.png", "only in the working folder"));
  }

  void TearDown() override {
    SetCurrentDirectoryW(previousDirectory_.c_str());
    SetProcessElevatedForTesting(std::nullopt);
    SkinResourceTest::TearDown();
  }

  TempFolder workingFolder_;
  std::wstring previousDirectory_;
};

TEST_F(SkinResourceFallbackTest, NamesNotInTheSkinAreTriedAsPathsUnlessRelativeAndElevated) {
  ASSERT_TRUE(WriteFileBytes(skinFolder_ / L"both.png", "from the skin folder"));
  const std::string zip = ZipBuilder().Add("both.png", "from the package").Build();
  const std::wstring absolute = workingFolder_ / L"only_here.png";
  struct Case {
    const wchar_t* name;
    const wchar_t* type;
    PathFallback fallback;
    const char* fromFolder;
    const char* fromPackage;
    bool fromCurrentFolder;  // Then an elevated process reads nothing.
  };
  const Case kCases[] = {
      {L"both.png", nullptr, PathFallback::Allowed, "from the skin folder", "from the package",
       false},
      {L"only_here.png", nullptr, PathFallback::Allowed, "only in the working folder",
       "only in the working folder", true},
      {absolute.c_str(), nullptr, PathFallback::Allowed, "only in the working folder",
       "only in the working folder", false},
      {L"nowhere.png", nullptr, PathFallback::Allowed, "", "", false},
      // No such program resource: the name is still tried as a path.
      {L"only_here.png", L"PNG", PathFallback::Allowed, "only in the working folder",
       "only in the working folder", true},
      {L"only_here.png", L"*COLOR*", PathFallback::Allowed, "", "", false},
      // A variant of an image is the skin's own or none.
      {L"both.png", nullptr, PathFallback::Never, "from the skin folder", "from the package",
       false},
      {absolute.c_str(), nullptr, PathFallback::Never, "", "", false},
      {L"only_here.png", nullptr, PathFallback::Never, "", "", false},
  };
  for (bool elevated : {false, true}) {
    SetProcessElevatedForTesting(elevated);
    for (bool fromPackage : {false, true}) {
      if (fromPackage)
        UseMemoryPackage(zip);
      else
        UsePackageFile(L"", PackageHandling::KeepOpen);
      for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << (elevated ? "elevated " : "") << (fromPackage ? "package " : "folder ")
                     << c.name << " " << (c.type ? c.type : L"(no type)")
                     << (c.fallback == PathFallback::Never ? " no fallback" : ""));
        const char* expected = elevated && c.fromCurrentFolder ? ""
                               : fromPackage                   ? c.fromPackage
                                                               : c.fromFolder;
        EXPECT_EQ(expected, AsString(ReadSkinResource(c.name, c.type, c.fallback)));
      }
    }
  }
}

TEST(SkinResourcePathTest, AbsolutePathsNeedNoCurrentFolder) {
  const struct {
    const wchar_t* path;
    bool absolute;
  } kCases[] = {
      {L"C:\\skin\\a.png", true},
      {L"z:/a.png", true},
      {L"\\\\server\\share\\a.png", true},
      {L"\\\\?\\C:\\a.png", true},
      {L"//server/a.png", true},
      {L"a.png", false},
      {L"img\\a.png", false},
      {L"\\a.png", false},
      {L"C:a.png", false},
      {L"..\\a.png", false},
      {L"", false},
      {L"1:\\a.png", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.path);
    EXPECT_EQ(c.absolute, IsAbsolutePath(c.path));
  }
  EXPECT_FALSE(IsAbsolutePath(nullptr));
}

}  // namespace
}  // namespace ui
