#include "engine/archive/archive_extractor.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/scoped_handle.h"
#include "engine/archive/extract_observer.h"
#include "engine/archive/extract_package.h"
#include "tests/engine/archive/fixtures.h"
#include "tests/support/file_time.h"
#include "tests/support/temp_folder.h"

namespace archive {
namespace {

// Writes down every event and answers as configured.
class RecordingObserver : public ExtractObserver {
 public:
  bool WantItemList(uint32_t count) override {
    events.push_back(L"WantItemList " + std::to_wstring(count));
    return true;
  }
  bool ApproveItems(const std::vector<std::wstring>& itemPaths,
                    const std::vector<uint64_t>& itemSizes) override {
    paths = itemPaths;
    sizes = itemSizes;
    events.push_back(L"ApproveItems");
    return approve;
  }
  void TotalKnown(const std::wstring&, uint64_t bytes) override {
    events.push_back(L"TotalKnown " + std::to_wstring(bytes));
  }
  void RatioInfo(uint64_t, uint64_t) override {}
  void ItemExtracted(const std::wstring& path, uint64_t bytes) override {
    events.push_back(L"ItemExtracted " + path + L" " + std::to_wstring(bytes));
  }
  void ExtractionDone(const std::wstring& path) override {
    events.push_back(L"ExtractionDone " + path);
  }
  bool ItemStarting(const std::wstring& folder, std::wstring& relativePath) override {
    events.push_back(L"ItemStarting " + folder + L"|" + relativePath);
    if (relativePath == renameFrom)
      relativePath = renameTo;
    return startItems;
  }
  bool ItemFinishing(const std::wstring& path, uint64_t bytes) override {
    events.push_back(L"ItemFinishing " + path + L" " + std::to_wstring(bytes));
    return true;
  }

  bool approve = true;
  bool startItems = true;
  std::wstring renameFrom;
  std::wstring renameTo;
  std::vector<std::wstring> events;
  std::vector<std::wstring> paths;
  std::vector<uint64_t> sizes;
};

uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

class ArchiveExtractorTest : public testing::Test {
 protected:
  void TearDown() override { MakeWritable(temp_.path()); }

  int32_t ExtractInto(const std::wstring& fixture,
                      const std::wstring& folder,
                      ExtractObserver* observer = nullptr) {
    ArchiveExtractor extractor;
    extractor.SetPath(FixturePath(fixture));
    return extractor.ExtractTo(folder, observer);
  }
  // Extracts into <temp>\out, so that anything written next to it has escaped.
  int32_t Extract(const std::wstring& fixture, ExtractObserver* observer = nullptr) {
    return ExtractInto(fixture, out_, observer);
  }

  TempFolder temp_;
  const std::wstring out_ = temp_ / L"out";
};

TEST_F(ArchiveExtractorTest, UnpacksEachFormat) {
  struct Case {
    const wchar_t* fixture;
    bool hasSubFolder;
    const wchar_t* clientName;
  };
  const Case kCases[] = {
      {L"package.7z", true, L"client.exe.tmp"},
      {L"package.zip", true, L"client.exe.tmp"},
      {L"package.cab", true, L"client.exe.tmp"},
      // A raw stream has no item name: the content is written as "[Content]".
      {L"package.lzma", false, L"[Content]"},
      {L"package.lzma86", false, L"[Content]"},
      // 7z coder chains, decoded on the extracting thread: the single-threaded mixer must bind
      // BCJ2's four streams and a filter's two coders as the threaded one does.
      {L"method_bcj2.7z", true, L"client.exe.tmp"},
      {L"method_arm64_lzma2.7z", true, L"client.exe.tmp"},
      {L"method_ppmd.7z", true, L"client.exe.tmp"},
      {L"method_bzip2.7z", true, L"client.exe.tmp"},
      {L"method_deflate.7z", true, L"client.exe.tmp"},
      {L"method_lzma2_blocks.7z", true, L"client.exe.tmp"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.fixture);
    const std::wstring folder = temp_ / c.fixture;
    EXPECT_EQ(ExtractInto(c.fixture, folder), 0);
    EXPECT_EQ(ReadFileBytes(folder + L"\\" + c.clientName), ClientFileContents());
    if (c.hasSubFolder) {
      EXPECT_EQ(ReadFileBytes(folder + L"\\data\\readme.txt"), kReadmeContents);
    }
  }
}

// Every decoder and filter a publisher may pick is in the program, though the 7-Zip library is
// built without its encoders: a method missing from the decoding registrations fails here.
TEST_F(ArchiveExtractorTest, UnpacksEachMethodAndFilter) {
  const wchar_t* const kFixtures[] = {
      L"codec_LZMA.7z",      L"codec_PPMd.7z",   L"codec_BZip2.7z",  L"codec_Deflate.7z",
      L"codec_Deflate64.7z", L"filter_BCJ.7z",   L"filter_BCJ2.7z",  L"filter_ARM.7z",
      L"filter_ARMT.7z",     L"filter_ARM64.7z", L"filter_RISCV.7z", L"filter_PPC.7z",
      L"filter_SPARC.7z",    L"filter_IA64.7z",  L"filter_Delta.7z", L"codec_Deflate64.zip",
      L"codec_BZip2.zip",    L"codec_LZMA.zip",  L"codec_PPMd.zip",  L"codec_Xz.zip",
  };
  for (const wchar_t* fixture : kFixtures) {
    SCOPED_TRACE(testing::Message() << fixture);
    const std::wstring folder = temp_ / fixture;
    EXPECT_EQ(ExtractInto(fixture, folder), 0);
    EXPECT_EQ(ReadFileBytes(folder + L"\\client.exe.tmp"), ClientFileContents());
  }
}

TEST_F(ArchiveExtractorTest, RestoresStoredTimesAndAttributes) {
  const FILETIME modified = UtcFileTime(2021, 3, 4, 5, 6, 7);
  const FILETIME accessed = UtcFileTime(2020, 1, 2, 3, 4, 5);
  for (const wchar_t* fixture : {L"package.7z", L"package.zip"}) {
    SCOPED_TRACE(testing::Message() << fixture);
    const std::wstring folder = temp_ / fixture;
    ASSERT_EQ(ExtractInto(fixture, folder), 0);
    for (const wchar_t* item : {L"client.exe.tmp", L"data\\readme.txt"}) {
      SCOPED_TRACE(testing::Message() << item);
      WIN32_FILE_ATTRIBUTE_DATA data{};
      ASSERT_TRUE(
          ::GetFileAttributesExW((folder + L"\\" + item).c_str(), GetFileExInfoStandard, &data));
      EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(modified));
      EXPECT_EQ(Ticks(data.ftLastAccessTime), Ticks(accessed));
    }
  }
  // The 7z package stores Windows attributes: the read-only file comes back read-only.
  const std::wstring folder = temp_ / L"package.7z";
  EXPECT_NE(
      ::GetFileAttributesW((folder + L"\\data\\readme.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(::GetFileAttributesW((folder + L"\\client.exe.tmp").c_str()) & FILE_ATTRIBUTE_READONLY,
            0u);
}

TEST_F(ArchiveExtractorTest, ReplacesExistingFile) {
  ASSERT_TRUE(::CreateDirectoryW(out_.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(out_ + L"\\client.exe.tmp", std::string(100000, 'x')));
  EXPECT_EQ(Extract(L"package.7z"), 0);
  EXPECT_EQ(ReadFileBytes(out_ + L"\\client.exe.tmp"), ClientFileContents());
}

TEST_F(ArchiveExtractorTest, ReportsEachStepToObserver) {
  RecordingObserver observer;
  ASSERT_EQ(Extract(L"package.7z", &observer), 0);
  const std::wstring folder = out_ + L"\\";
  const std::vector<std::wstring> expected = {
      L"WantItemList 3",
      L"ApproveItems",
      L"TotalKnown 24840",
      L"ItemFinishing " + folder + L"data 0",
      L"ItemExtracted " + folder + L"data 0",
      L"ItemStarting " + folder + L"|client.exe.tmp",
      L"ItemFinishing " + folder + L"client.exe.tmp 24800",
      L"ItemExtracted " + folder + L"client.exe.tmp 24800",
      L"ItemStarting " + folder + L"|data\\readme.txt",
      L"ItemFinishing " + folder + L"data\\readme.txt 40",
      L"ItemExtracted " + folder + L"data\\readme.txt 40",
      L"ExtractionDone " + FixturePath(L"package.7z"),
  };
  EXPECT_EQ(observer.events, expected);
  EXPECT_EQ(observer.paths,
            (std::vector<std::wstring>{L"data", L"client.exe.tmp", L"data\\readme.txt"}));
  EXPECT_EQ(observer.sizes, (std::vector<uint64_t>{0, 24800, 40}));
}

TEST_F(ArchiveExtractorTest, ObserverAnswersSteerExtraction) {
  {
    SCOPED_TRACE("ApproveItems false: nothing written, result 0");
    RecordingObserver observer;
    observer.approve = false;
    EXPECT_EQ(Extract(L"package.7z", &observer), 0);
    EXPECT_FALSE(FileExists(out_));
  }
  {
    SCOPED_TRACE("ItemStarting false: aborted");
    RecordingObserver observer;
    observer.startItems = false;
    EXPECT_EQ(Extract(L"package.7z", &observer), E_FAIL);
    EXPECT_FALSE(FileExists(out_ + L"\\client.exe.tmp"));
  }
  {
    SCOPED_TRACE("ItemStarting renames the item");
    RecordingObserver observer;
    observer.renameFrom = L"client.exe.tmp";
    observer.renameTo = L"renamed\\client.exe";
    EXPECT_EQ(Extract(L"package.7z", &observer), 0);
    EXPECT_EQ(ReadFileBytes(out_ + L"\\renamed\\client.exe"), ClientFileContents());
    EXPECT_FALSE(FileExists(out_ + L"\\client.exe.tmp"));
  }
}

// A package handed over opened is read from its start, whatever was read of it before, and
// closed by the extraction: opened to be deleted on close, it is gone afterwards.
TEST_F(ArchiveExtractorTest, ExtractsFromOpenedFileAndClosesIt) {
  const std::wstring package = temp_ / L"temp.pak";
  ASSERT_TRUE(::CopyFileW(FixturePath(L"package.7z").c_str(), package.c_str(), FALSE));
  base::ScopedHandle file(::CreateFileW(package.c_str(), GENERIC_READ | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  ASSERT_TRUE(file.IsValid());
  char header[16];
  DWORD read = 0;
  ASSERT_TRUE(::ReadFile(file.Get(), header, sizeof header, &read, nullptr));

  auto ignorePercent = [](const std::wstring&, int) { return 0; };
  EXPECT_FALSE(ExtractPackage(std::move(file), package, out_, ignorePercent));
  EXPECT_EQ(ReadFileBytes(out_ + L"\\client.exe.tmp"), ClientFileContents());
  EXPECT_FALSE(FileExists(package));
}

TEST_F(ArchiveExtractorTest, FailsOnMissingOrForeignFile) {
  EXPECT_EQ(Extract(L"no-such-package.7z"), ERROR_OPEN_FAILED);

  const std::wstring textFile = temp_ / L"notes.txt";
  ASSERT_TRUE(WriteFileBytes(textFile, "This is not an archive, just some words.\n"));
  ArchiveExtractor extractor;
  extractor.SetPath(textFile);
  // No handler accepts it, so the 7z handler is tried and its "not an archive" comes back.
  EXPECT_EQ(extractor.ExtractTo(out_, nullptr), S_FALSE);
  EXPECT_FALSE(FileExists(out_));
}

// A damaged item must not be left behind looking like a good one.
TEST_F(ArchiveExtractorTest, DataErrorFailsAndRemovesDamagedFile) {
  for (const wchar_t* fixture : {L"crc_error.7z", L"crc_error.zip"}) {
    SCOPED_TRACE(testing::Message() << fixture);
    EXPECT_EQ(Extract(fixture), HRESULT_FROM_WIN32(ERROR_CRC));
    EXPECT_FALSE(FileExists(out_ + L"\\data\\readme.txt"));
  }
}

TEST_F(ArchiveExtractorTest, RefusesItemsOutsideDestination) {
  struct Case {
    const wchar_t* fixture;
    std::vector<std::wstring> mustNotExist;
  };
  const Case kCases[] = {
      {L"parent_escape.zip", {temp_ / L"escaped.txt", out_ + L"\\escaped.txt"}},
      {L"absolute_path.zip", {out_ + L"\\absolute.txt", L"C:\\absolute.txt"}},
      {L"drive_letter.zip", {out_ + L"\\drive.txt", L"C:\\drive.txt"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.fixture);
    EXPECT_EQ(Extract(c.fixture), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    // The harmless item before the bad one was written; the bad one went nowhere.
    EXPECT_TRUE(FileExists(out_ + L"\\harmless.txt"));
    for (const std::wstring& path : c.mustNotExist)
      EXPECT_FALSE(FileExists(path)) << testing::PrintToString(path);
  }
}

TEST_F(ArchiveExtractorTest, RefusesEncryptedPackages) {
  struct Case {
    const wchar_t* fixture;
    HRESULT result;
  };
  const Case kCases[] = {
      // The password request is answered with E_ABORT, which the handler passes on.
      {L"encrypted_data.7z", E_ABORT},
      {L"encrypted_zipcrypto.zip", E_ABORT},
      {L"encrypted_aes.zip", E_ABORT},
      // With encrypted headers the 7z handler cannot even list the items: Open fails.
      {L"encrypted_headers.7z", E_ABORT},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.fixture);
    const std::wstring folder = temp_ / c.fixture;
    EXPECT_EQ(ExtractInto(c.fixture, folder), c.result);
    // The zip handler asks for the password after the file was created: it is removed again.
    EXPECT_FALSE(FileExists(folder + L"\\client.exe.tmp"));
  }
}

TEST_F(ArchiveExtractorTest, FileInPlaceOfFolderGives1631) {
  ASSERT_TRUE(::CreateDirectoryW(out_.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(out_ + L"\\data", "a file where the package has a folder"));
  EXPECT_EQ(Extract(L"package.7z"), ERROR_CREATE_FAILED);
  // The item before the failure stays.
  EXPECT_EQ(ReadFileBytes(out_ + L"\\client.exe.tmp"), ClientFileContents());
}

std::vector<std::pair<std::wstring, int>> g_percents;

int RecordPercent(const std::wstring& path, int percent) {
  g_percents.emplace_back(path, percent);
  return 0;
}

TEST_F(ArchiveExtractorTest, ExtractPackageReturnsTrueOnFailure) {
  g_percents.clear();
  EXPECT_FALSE(ExtractPackage(FixturePath(L"package.7z"), out_, &RecordPercent));
  ASSERT_FALSE(g_percents.empty());
  EXPECT_EQ(g_percents.back(), std::make_pair(out_ + L"\\data\\readme.txt", 100));

  EXPECT_TRUE(ExtractPackage(FixturePath(L"crc_error.7z"), temp_ / L"crc", &RecordPercent));
  EXPECT_TRUE(ExtractPackage(temp_ / L"missing.7z", out_, &RecordPercent));
}

}  // namespace
}  // namespace archive
