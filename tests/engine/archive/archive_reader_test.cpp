#include "engine/archive/archive_reader.h"

#include <gtest/gtest.h>

#include "tests/engine/archive/fixtures.h"
#include "tests/support/temp_folder.h"

namespace archive {
namespace {

TEST(ArchiveReaderTest, ProbesFormatAndReadsItems) {
  struct Case {
    const wchar_t* fixture;
    ArchiveFormat format;
    std::vector<std::wstring> names;
    std::vector<uint64_t> sizes;
  };
  const Case kCases[] = {
      {L"package.7z",
       ArchiveFormat::kSevenZip,
       {L"data", L"client.exe.tmp", L"data\\readme.txt"},
       {0, 24800, 40}},
      {L"package.zip",
       ArchiveFormat::kZip,
       {L"client.exe.tmp", L"data", L"data\\readme.txt"},
       {24800, 0, 40}},
      {L"package.cab", ArchiveFormat::kCab, {L"client.exe.tmp", L"data\\readme.txt"}, {24800, 40}},
      // Raw streams carry no item name; lzma86 headers hold the size, plain lzma's is unknown
      // (the lzma tool writes an end marker instead).
      {L"package.lzma", ArchiveFormat::kLzma, {L""}, {0}},
      {L"package.lzma86", ArchiveFormat::kLzma86, {L""}, {24800}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.fixture);
    ArchiveReader reader;
    ASSERT_TRUE(reader.SetPath(FixturePath(c.fixture)));
    EXPECT_EQ(reader.Format(), c.format);
    EXPECT_EQ(reader.ItemCount(), c.names.size());
    EXPECT_EQ(reader.ItemNames(), c.names);
    EXPECT_EQ(reader.ItemSizes(), c.sizes);
  }
}

TEST(ArchiveReaderTest, ProbeTriesCurrentFormatFirstAndKeepsWhatOpens) {
  ArchiveReader reader;
  reader.SetPath(FixturePath(L"package.zip"));
  reader.ChooseFormat(ArchiveFormat::kCab);
  EXPECT_TRUE(reader.ProbeFormat());
  EXPECT_EQ(reader.Format(), ArchiveFormat::kZip);
}

TEST(ArchiveReaderTest, ChosenFormatIsNotProbed) {
  ArchiveReader reader;
  reader.SetPath(FixturePath(L"package.7z"));
  reader.ChooseFormat(ArchiveFormat::kZip);
  // The zip handler cannot read a 7z archive, and the probe that would find 7z does not run.
  EXPECT_FALSE(reader.LoadInfo());
  EXPECT_EQ(reader.Format(), ArchiveFormat::kZip);
  EXPECT_EQ(reader.ItemCount(), 0u);
}

TEST(ArchiveReaderTest, FileNoHandlerAcceptsProbesToNone) {
  TempFolder temp;
  const std::wstring path = temp / L"notes.txt";
  ASSERT_TRUE(WriteFileBytes(path, "This is not an archive, just some words.\n"));
  ArchiveReader reader;
  reader.SetPath(path);
  EXPECT_FALSE(reader.ProbeFormat());
  EXPECT_EQ(reader.Format(), ArchiveFormat::kNone);
  EXPECT_EQ(reader.ItemCount(), 0u);
}

}  // namespace
}  // namespace archive
