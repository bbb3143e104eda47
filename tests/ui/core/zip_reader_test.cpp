#include "ui/core/zip_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/file_time.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/core/zip_builder.h"

namespace ui {
namespace {

std::string Extract(const SkinPackage& package, const wchar_t* name) {
  ZipEntryInfo info;
  if (!ZipReader::FindEntry(package, name, IgnoreCase::Yes, &info))
    return "<absent>";
  std::string bytes(info.uncompressedSize, '\0');
  const uint32_t result =
      ZipReader::ExtractToMemory(package, info.index, bytes.data(), info.uncompressedSize);
  return result == kZipDone || result == kZipMoreData ? bytes : "<failed>";
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST(ZipReaderTest, ReadsAnArchiveWrittenByInfoZip) {
  std::unique_ptr<SkinPackage> package = ZipReader::OpenFromFile(
      std::wstring(QUENBY_SOURCE_DIR) + L"/tests/ui/core/testdata/info_zip_sample.zip");
  ASSERT_TRUE(package);

  ZipEntryInfo info;
  ASSERT_TRUE(ZipReader::FindEntry(*package, L"skin\\README.txt", IgnoreCase::Yes, &info));
  EXPECT_EQ(0, info.index);
  EXPECT_EQ(L"skin/readme.txt", info.name);
  EXPECT_EQ(13u, info.compressedSize);
  EXPECT_EQ(13u, info.uncompressedSize);
  // The extended timestamp wins over the DOS time, which is local time of the packing machine.
  const FILETIME modified = UtcFileTime(2024, 5, 6, 7, 8, 10);
  EXPECT_TRUE(SameTime(modified, info.lastWriteTime));
  EXPECT_TRUE(SameTime(modified, info.creationTime));
  EXPECT_EQ("stored entry\n", Extract(*package, L"skin/readme.txt"));

  const std::string document = Extract(*package, L"skin/install.xml");
  ASSERT_EQ(898u, document.size());
  EXPECT_EQ("<Window><Control", document.substr(0, 16));
}

TEST(ZipReaderTest, FindsEntriesByFoldedNameAndSeparator) {
  const std::string longName(255, 'n');
  // In code page 936 丄 and 乤 are 81 41 and 81 61, differing in an ASCII letter's case, and
  // 乗 is 81 5C, whose second byte is a backslash.
  const std::string zip = ZipBuilder()
                              .Add("install.xml", "a")
                              .Add("sub/Logo.png", "b", ZipBuilder::Method::Stored)
                              .Add("\x81\x41.png", "c")
                              .Add("img/\x81\x5C.png", "f")
                              .Add(longName, "d")
                              .Add(longName + "n", "e")
                              .Build();
  std::unique_ptr<SkinPackage> package = ZipReader::OpenFromMemory(zip.data(), zip.size());
  ASSERT_TRUE(package);
  struct Case {
    std::wstring name;
    IgnoreCase ignoreCase;
    int index;  // -1: not found.
  };
  const std::wstring longWide(255, L'n');
  const Case kCases[] = {
      {L"install.xml", IgnoreCase::Yes, 0},
      {L"INSTALL.XML", IgnoreCase::Yes, 0},
      {L"INSTALL.XML", IgnoreCase::No, -1},
      {L"sub\\logo.PNG", IgnoreCase::Yes, 1},
      {L"sub/Logo.png", IgnoreCase::No, 1},
      {L"Logo.png", IgnoreCase::Yes, -1},
      {L"\x4E04.PNG", IgnoreCase::Yes, 2},
      {L"\x4E64.png", IgnoreCase::Yes, -1},      // Must not fold onto 丄.
      {L"img\\\x4E57.png", IgnoreCase::Yes, 3},  // Its 5C byte is no separator.
      {longWide, IgnoreCase::Yes, 4},
      {longWide + L"n", IgnoreCase::Yes, -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.name.size() << " characters, index " << c.index);
    ZipEntryInfo info;
    EXPECT_EQ(c.index >= 0, ZipReader::FindEntry(*package, c.name.c_str(), c.ignoreCase, &info));
    if (c.index >= 0) {
      EXPECT_EQ(c.index, info.index);
    }
  }
}

// Windows refuses a used-default pointer for UTF-8 (Wine accepts one), so on a system whose ANSI
// code page is UTF-8 every skin lookup failed and the wizard ended with the fatal skin message.
TEST(ZipReaderTest, EntryNamesConvertInEveryAnsiCodePage) {
  struct RuleCase {
    UINT codePage;
    DWORD flags;
    bool askUsedDefault;
  };
  const RuleCase kRules[] = {
      {936, 0, true},
      {1252, 0, true},
      {CP_UTF8, WC_ERR_INVALID_CHARS, false},
      {CP_UTF7, 0, false},
  };
  for (const RuleCase& c : kRules) {
    SCOPED_TRACE(testing::Message() << "code page " << c.codePage);
    const NarrowingRule rule = NarrowingRuleFor(c.codePage);
    EXPECT_EQ(c.flags, rule.flags);
    EXPECT_EQ(c.askUsedDefault, rule.askUsedDefault);
  }

  std::string longUtf8;
  for (int i = 0; i < 255; ++i)
    longUtf8 += "\xE5\xAE\x89";
  struct Case {
    UINT codePage;
    std::wstring name;
    const char* bytes;  // Null: the name has no form in the code page.
  };
  const Case kCases[] = {
      {CP_UTF8, L"install.xml", "install.xml"},
      {CP_UTF8, L"img\\\x5B89.png", "img/\xE5\xAE\x89.png"},  // 安
      {CP_UTF8, std::wstring(255, L'\x5B89'), longUtf8.c_str()},
      {CP_UTF8, L"a\xD800z", nullptr},  // a lone surrogate
      {936, L"img\\\x5B89.png", "img/\xB0\xB2.png"},
      {1252, L"caf\xE9.png", "caf\xE9.png"},
      {1252, L"\x5B89.png", nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message()
                 << "code page " << c.codePage << ", " << c.name.size() << " characters");
    std::string bytes;
    EXPECT_EQ(c.bytes != nullptr, EntryNameBytes(c.name, c.codePage, &bytes));
    if (c.bytes) {
      EXPECT_EQ(c.bytes, bytes);
    }
  }
}

TEST(ZipReaderTest, SmallBufferReceivesTheStartOfTheEntry) {
  std::string content;
  for (int i = 0; i < 3000; ++i)
    content += std::to_string(i) + ",";
  for (ZipBuilder::Method method : {ZipBuilder::Method::Stored, ZipBuilder::Method::Deflate}) {
    const std::string zip = ZipBuilder().Add("a.txt", content, method).Build();
    std::unique_ptr<SkinPackage> package = ZipReader::OpenFromMemory(zip.data(), zip.size());
    ASSERT_TRUE(package);
    std::string start(100, '\0');
    EXPECT_EQ(kZipMoreData, ZipReader::ExtractToMemory(*package, 0, start.data(), 100));
    EXPECT_EQ(content.substr(0, 100), start);
    EXPECT_EQ(content, Extract(*package, L"a.txt"));
  }
}

TEST(ZipReaderTest, DamagedArchiveFailsInsteadOfCrashing) {
  std::string content;
  for (int i = 0; i < 200; ++i)
    content += "<Control width=\"" + std::to_string(i) + "\" />";
  const std::string good = ZipBuilder().Add("a.xml", content).Build();
  const size_t directory = DirectoryOffsetOf(good);
  const size_t end = good.size() - 22;
  const size_t data = 30 + 5;

  using Damage = std::function<void(std::string&)>;
  struct Case {
    const char* description;
    Damage damage;
    bool opens;
    uint32_t result;  // Of extracting the entry when the archive opens.
  };
  const Case kCases[] = {
      {"intact", [](std::string&) {}, true, kZipMoreData},
      {"last byte cut off", [](std::string& z) { z.pop_back(); }, false, 0},
      {"too short for an end record", [](std::string& z) { z.resize(21); }, false, 0},
      {"count says two entries",
       [&](std::string& z) {
         WriteLe(z, end + 8, 2, 2);
         WriteLe(z, end + 10, 2, 2);
       },
       false, 0},
      {"count says no entries",
       [&](std::string& z) {
         WriteLe(z, end + 8, 2, 0);
         WriteLe(z, end + 10, 2, 0);
       },
       false, 0},
      {"directory offset past the end",
       [&](std::string& z) { WriteLe(z, end + 16, 4, static_cast<uint32_t>(z.size())); }, false, 0},
      {"directory size past the end record",
       [&](std::string& z) { WriteLe(z, end + 12, 4, 0xFFFFFF00); }, false, 0},
      {"name length past the directory",
       [&](std::string& z) { WriteLe(z, directory + 28, 2, 0xFFFF); }, false, 0},
      {"local header offset inside the directory",
       [&](std::string& z) { WriteLe(z, directory + 42, 4, static_cast<uint32_t>(directory)); },
       true, kZipCorrupt},
      {"local header offset far past the end",
       [&](std::string& z) { WriteLe(z, directory + 42, 4, 0xFFFFFFF0); }, true, kZipCorrupt},
      {"compressed size past the directory",
       [&](std::string& z) { WriteLe(z, directory + 20, 4, ReadLe(z, directory + 20, 4) + 100); },
       true, kZipCorrupt},
      {"recorded size one larger than the inflated data",
       [&](std::string& z) { WriteLe(z, directory + 24, 4, ReadLe(z, directory + 24, 4) + 1); },
       true, kZipCorrupt},
      {"recorded size one smaller than the inflated data",
       [&](std::string& z) { WriteLe(z, directory + 24, 4, ReadLe(z, directory + 24, 4) - 1); },
       true, kZipCorrupt},
      {"recorded size of 4 GiB", [&](std::string& z) { WriteLe(z, directory + 24, 4, 0xFFFFFFFF); },
       true, kZipCorrupt},
      {"checksum differs",
       [&](std::string& z) { WriteLe(z, directory + 16, 4, ReadLe(z, directory + 16, 4) ^ 1); },
       true, kZipCorrupt},
      {"deflate data overwritten",
       [&](std::string& z) { z.replace(data + 10, 8, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"); }, true,
       kZipCorrupt},
      {"local signature damaged", [](std::string& z) { z[0] = 'X'; }, true, kZipCorrupt},
      {"local extra length past the directory", [](std::string& z) { WriteLe(z, 28, 2, 0xFFFF); },
       true, kZipCorrupt},
      {"encrypted", [&](std::string& z) { WriteLe(z, directory + 8, 2, 1); }, true,
       kZipUnsupported},
      {"compressed with bzip2", [&](std::string& z) { WriteLe(z, directory + 10, 2, 12); }, true,
       kZipUnsupported},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    std::string zip = good;
    c.damage(zip);
    std::unique_ptr<SkinPackage> package = ZipReader::OpenFromMemory(zip.data(), zip.size());
    ASSERT_EQ(c.opens, package != nullptr);
    if (!package)
      continue;
    ZipEntryInfo info;
    ASSERT_TRUE(ZipReader::FindEntry(*package, L"a.xml", IgnoreCase::Yes, &info));
    // One byte more than the entry claims, checked afterwards to catch writes past the claim.
    const uint32_t size = std::min<uint32_t>(info.uncompressedSize, 1 << 20);
    std::string buffer(size + 1, '#');
    EXPECT_EQ(c.result, ZipReader::ExtractToMemory(*package, info.index, buffer.data(), size));
    EXPECT_EQ('#', buffer[size]);
  }
}

TEST(ZipReaderTest, OpensFromFileAndRefusesWhatIsNotAnArchive) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / L"skin.zip", ZipBuilder().Add("a.txt", "abc").Build()));
  ASSERT_TRUE(WriteFileBytes(folder / L"text.zip", "just some text, no archive at all"));
  std::unique_ptr<SkinPackage> package = ZipReader::OpenFromFile(folder / L"skin.zip");
  ASSERT_TRUE(package);
  EXPECT_EQ("abc", Extract(*package, L"A.TXT"));
  ZipReader::Close(package);
  EXPECT_FALSE(package);
  EXPECT_FALSE(ZipReader::OpenFromFile(folder / L"text.zip"));
  EXPECT_FALSE(ZipReader::OpenFromFile(folder / L"missing.zip"));
}

}  // namespace
}  // namespace ui
