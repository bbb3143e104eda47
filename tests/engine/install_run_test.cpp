#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/common/file_digest.h"
#include "engine/install_engine.h"
#include "engine/common/install_outcome.h"
#include "engine/package_download.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/proxy_routes.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/transfer.h"
#include "tests/support/manifest_text.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/recording_run_log.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Serves the published fixture release and runs installs into a fresh folder.
class InstallRunTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = WideToAnsi(EnvironmentValue(L"QUENBY_TEST_SERVER").c_str());
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    fs::remove_all(fs::path(servedRoot_) / L"files");
    fs::copy(fs::path(kFixtures) / L"published" / L"files", fs::path(servedRoot_) / L"files",
             fs::copy_options::recursive);
    for (const wchar_t* name :
         {L"corrupt.pak", L"traversal.pak", L"readonly.pak", L"folder_item.pak", L"tmp_named.pak"})
      ::CopyFileW((std::wstring(kFixtures) + L"\\" + name).c_str(),
                  (servedRoot_ + L"\\" + name).c_str(), FALSE);

    installDir_ = folder_ / L"Quenby";
    ASSERT_TRUE(::CreateDirectoryW(installDir_.c_str(), nullptr));
    InstallEngine& engine = scopedEngine_.emplace(prompt_).engine();
    engine.SetCallbacks(
        [this](int stage, int, int total, int downloaded, int, const std::string& name) {
          if (stage != kStagePackageDownload)
            return;
          downloadedNames_.push_back(name);
          progress_.push_back({total, downloaded});
          if (onReport_)
            onReport_();
        },
        [this](const RunOutcome& outcome) {
          ++completions_;
          lastOutcome_ = outcome;
        });
  }

  std::string ReleaseMd5(const std::wstring& relative) {
    return FileMd5Hex(std::wstring(kFixtures) + L"\\release\\" + relative);
  }
  std::string ReleaseBytes(const std::wstring& relative) {
    return ReadFileBytes(std::wstring(kFixtures) + L"\\release\\" + relative);
  }
  int ServedSize(const std::wstring& relative) {
    return static_cast<int>(fs::file_size(fs::path(servedRoot_) / relative));
  }
  // The published release's two entries, as the update server lists them.
  std::string ReleaseEntries(const std::string& skinMd5) {
    return ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                             std::to_string(ServedSize(L"files\\QuenbyClient.exe")),
                             server_ + "/files/") +
           ManifestFileEntry("skin.dat", "res\\", skinMd5,
                             std::to_string(ServedSize(L"files\\res\\skin.dat")),
                             server_ + "/files/res/");
  }
  // How many requests the update server has had for address (below server_).
  int RequestCount(const std::string& address) {
    std::string text;
    EXPECT_EQ(0, PerformTransfer(server_ + "/-/count" + address.substr(server_.size()),
                                 &AppendToString, &text));
    return std::atoi(text.c_str());
  }
  // Every file below the install folder, by its path there, sorted.
  std::vector<std::wstring> FilesLeft() {
    std::vector<std::wstring> left;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(installDir_)) {
      if (entry.is_regular_file())
        left.push_back(fs::relative(entry.path(), fs::path(installDir_)).wstring());
    }
    std::sort(left.begin(), left.end());
    return left;
  }
  void RunInstall(const std::string& manifest) {
    downloadedNames_.clear();
    progress_.clear();
    InstallEngine::Instance().manifestText = manifest;
    InstallEngine::Instance().Install(installDir_);
  }

  static constexpr const wchar_t* kFixtures = QUENBY_FIXTURE_DIR;
  std::string server_;
  std::wstring servedRoot_, installDir_;
  TempFolder folder_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  int completions_ = 0;
  RunOutcome lastOutcome_;
  std::vector<std::string> downloadedNames_;
  // Stage-2 reports of the last run: total, downloaded.
  std::vector<std::pair<int, int>> progress_;
  // Called on every stage-2 report, on the thread that reports.
  std::function<void()> onReport_;
};

// The downloaded figure of a run's reports only grows and never passes the total.
void ExpectProgressOnlyGrows(const std::vector<std::pair<int, int>>& progress) {
  int last = 0;
  for (const auto& [total, downloaded] : progress) {
    EXPECT_GE(downloaded, last);
    EXPECT_LE(downloaded, total);
    last = downloaded;
  }
}

TEST_F(InstallRunTest, InstallsTheReleaseAndASecondRunDownloadsNothing) {
  std::wstring manifestDir = servedRoot_ + L"\\checkupdate\\tarskT\\shichang\\electron";
  fs::create_directories(fs::path(manifestDir));
  std::string manifest = ManifestText(ReleaseEntries(ReleaseMd5(L"res\\skin.dat")));
  ASSERT_TRUE(WriteFileBytes(manifestDir + L"\\update.xml", manifest));
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUpdateServer(AnsiToWide(server_));
  ASSERT_EQ(0, engine.CheckUpdate());

  engine.Install(installDir_);

  EXPECT_EQ(1, completions_);
  EXPECT_EQ(0, prompt_.asked.load());
  EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") ==
              ReadFileBytes(installDir_ + L"\\QuenbyClient.exe"));
  EXPECT_TRUE(ReleaseBytes(L"res\\skin.dat") == ReadFileBytes(installDir_ + L"\\res\\skin.dat"));
  int packages = ServedSize(L"files\\QuenbyClient.exe") + ServedSize(L"files\\res\\skin.dat");
  EXPECT_EQ(packages, engine.totalBytes);
  EXPECT_EQ(packages, engine.downloadedBytes);
  EXPECT_GT(engine.startTime, 1700000000);
  for (const wchar_t* leftover :
       {L"\\temp.pak", L"\\QuenbyClient.exe.tmp", L"\\res\\temp.pak", L"\\res\\skin.dat.tmp"})
    EXPECT_FALSE(FileExists(installDir_ + leftover)) << WideToAnsi(leftover);

  RunInstall(engine.manifestText);
  EXPECT_EQ(2, completions_);
  EXPECT_TRUE(downloadedNames_.empty());
  EXPECT_EQ(0, engine.totalBytes);
}

// Names went into the address as raw bytes in the ANSI code page: libcurl refused a space, '#'
// and '%' changed the address, and the server had no file of a Chinese name's ANSI bytes.
TEST_F(InstallRunTest, NamesAnAddressMustEscapeInstallUnderTheirOwnNames) {
  const fs::path release = fs::path(kFixtures) / L"names" / L"release";
  for (const wchar_t* format : {L"7z", L"zip", L"cab"}) {
    SCOPED_TRACE(WideToUtf8(format));
    fs::remove_all(fs::path(servedRoot_) / format);
    fs::copy(fs::path(kFixtures) / L"names" / format, fs::path(servedRoot_) / format,
             fs::copy_options::recursive);
    std::string manifest = ReadFileBytes(
        (fs::path(servedRoot_) / format / L"checkupdate\\tarskT\\shichang\\electron\\update.xml")
            .wstring());
    for (size_t at; (at = manifest.find("@SERVER@")) != std::string::npos;)
      manifest.replace(at, 8, server_);
    fs::remove_all(fs::path(installDir_));
    ASSERT_TRUE(::CreateDirectoryW(installDir_.c_str(), nullptr));
    completions_ = 0;

    RunInstall(manifest);

    EXPECT_EQ(1, completions_);
    EXPECT_EQ(0, prompt_.asked.load());
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(release)) {
      if (!entry.is_regular_file())
        continue;
      ++files;
      const fs::path relative = fs::relative(entry.path(), release);
      SCOPED_TRACE(WideToUtf8(relative.wstring()));
      EXPECT_TRUE(ReadFileBytes(entry.path().wstring()) ==
                  ReadFileBytes((fs::path(installDir_) / relative).wstring()));
    }
    EXPECT_EQ(13, files);
    // Nothing else: no package, no unpacked leftover, no file under a mangled name.
    int installed = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(installDir_))
      installed += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, installed);
    EXPECT_EQ(InstallEngine::Instance().totalBytes, InstallEngine::Instance().downloadedBytes);

    RunInstall(manifest);
    EXPECT_EQ(2, completions_);
    EXPECT_TRUE(downloadedNames_.empty());
  }
}

// Each package's first answer is cut 3000 bytes in; the next one resumes it, or, from a server
// that ignores ranges, sends it whole again. The count restarted for the second once went back.
TEST_F(InstallRunTest, ServerDroppingEveryConnectionOnceStillInstallsEveryFile) {
  for (const char* prefix : {"/-/droponce/3000/files/", "/-/droponce/3000/-/norange/files/"}) {
    SCOPED_TRACE(prefix);
    fs::remove_all(fs::path(installDir_) / L".quenby-staging");
    const std::string dropping = server_ + prefix;
    RunInstall(ManifestText(
        ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                          std::to_string(ServedSize(L"files\\QuenbyClient.exe")), dropping) +
        ManifestFileEntry("skin.dat", "res\\", ReleaseMd5(L"res\\skin.dat"),
                          std::to_string(ServedSize(L"files\\res\\skin.dat")), dropping + "res/")));
    EXPECT_TRUE(lastOutcome_.Complete());
    EXPECT_EQ(0, prompt_.asked.load());
    EXPECT_EQ(ReleaseMd5(L"QuenbyClient.exe"), FileMd5Hex(installDir_ + L"\\QuenbyClient.exe"));
    EXPECT_EQ(ReleaseMd5(L"res\\skin.dat"), FileMd5Hex(installDir_ + L"\\res\\skin.dat"));
    EXPECT_EQ(InstallEngine::Instance().totalBytes, InstallEngine::Instance().downloadedBytes);
    ExpectProgressOnlyGrows(progress_);
  }
}

// Later packages arrive first (the earlier ones are held back by the server), yet files are
// placed one after the other in manifest order: whenever a report names the file placement
// waits for, every file before it is in place and none after it.
TEST_F(InstallRunTest, FilesArrivingOutOfOrderArePlacedInManifestOrder) {
  constexpr int kFiles = 6;
  std::string entries;
  for (int i = 0; i < kFiles; ++i) {
    // The client's package, once in each folder, the first held back longest.
    const int delayMs = std::max(0, 900 - 300 * i);
    // Appended piece by piece: GCC 12 warns falsely on "d" + std::to_string(i).
    std::string dir = "d";
    dir += std::to_string(i);
    dir += "\\";
    entries += ManifestFileEntry("QuenbyClient.exe", dir, ReleaseMd5(L"QuenbyClient.exe"),
                                 std::to_string(ServedSize(L"files\\QuenbyClient.exe")),
                                 server_ + "/-/delay/" + std::to_string(delayMs) + "/files/");
  }
  auto placed = [&](int i) {
    return FileExists(installDir_ + L"\\d" + std::to_wstring(i) + L"\\QuenbyClient.exe");
  };
  int lastWaitedFor = 0;
  int checkedReports = 0;
  onReport_ = [&] {
    // Every report names one of the clients; the folder of the one placement waits for is the
    // only one whose file may still be missing at its place in the order.
    const std::wstring current = InstallEngine::Instance().currentFile;
    EXPECT_EQ(L"QuenbyClient.exe", current);
    int waitedFor = 0;
    while (waitedFor < kFiles && placed(waitedFor))
      ++waitedFor;
    for (int later = waitedFor + 1; later < kFiles; ++later)
      EXPECT_FALSE(placed(later)) << "placed before file " << waitedFor << ": " << later;
    EXPECT_GE(waitedFor, lastWaitedFor);
    lastWaitedFor = waitedFor;
    ++checkedReports;
  };

  RunInstall(ManifestText(entries));
  onReport_ = nullptr;

  EXPECT_TRUE(lastOutcome_.Complete()) << FailureReasonText(lastOutcome_.failure);
  EXPECT_GT(checkedReports, kFiles);
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") ==
                ReadFileBytes(installDir_ + L"\\d" + std::to_wstring(i) + L"\\QuenbyClient.exe"));
    EXPECT_EQ(std::vector<std::wstring>{L"QuenbyClient.exe"}, [&] {
      std::vector<std::wstring> names;
      for (const fs::directory_entry& entry :
           fs::directory_iterator(fs::path(installDir_) / (L"d" + std::to_wstring(i))))
        names.push_back(entry.path().filename().wstring());
      return names;
    }());
  }
  ExpectProgressOnlyGrows(progress_);
  EXPECT_EQ(InstallEngine::Instance().totalBytes, InstallEngine::Instance().downloadedBytes);
}

// A download fails (after its retries) while later transfers are under way, one of them into a
// temporary file (its declared length passes the memory budget): the file before it is staged,
// nothing is placed, the later transfers end without waiting for their stalled servers, their
// temporary files are gone, and the failed file's partial package stays as temp.pak. The next
// run fetches only what this one did not stage, commits all four files together and leaves no
// staging folder.
TEST_F(InstallRunTest, FailedDownloadStagesWhatArrivedAndTheNextRunFetchesOnlyTheRest) {
  const std::string client = ReleaseMd5(L"QuenbyClient.exe");
  const std::string clientLength = std::to_string(ServedSize(L"files\\QuenbyClient.exe"));
  const std::string first = server_ + "/-/delay/300/files/";
  const std::string stalled = server_ + "/-/stall/1000/files/";
  RunInstall(ManifestText(
      ManifestFileEntry("QuenbyClient.exe", "d0\\", client, clientLength, first) +
      // 2000 bytes and a dropped connection on every try: four tries, 8000 bytes.
      ManifestFileEntry("QuenbyClient.exe", "d1\\", client, clientLength,
                        server_ + "/-/drop/2000/files/") +
      ManifestFileEntry("QuenbyClient.exe", "d2\\", client, clientLength, stalled) +
      ManifestFileEntry("QuenbyClient.exe", "d3\\", client, std::to_string(40 << 20), stalled)));

  EXPECT_EQ(FailureReason::kDownloadFailed, lastOutcome_.failure);
  EXPECT_EQ(L"d1\\QuenbyClient.exe", lastOutcome_.failedFile);
  EXPECT_EQ(1, prompt_.asked.load());
  ASSERT_EQ(4u, lastOutcome_.files.size());
  EXPECT_EQ(FileOutcome::kStaged, lastOutcome_.files[0].outcome);
  EXPECT_EQ(FileOutcome::kFailed, lastOutcome_.files[1].outcome);
  EXPECT_EQ(FileOutcome::kNotReached, lastOutcome_.files[2].outcome);
  EXPECT_EQ(FileOutcome::kNotReached, lastOutcome_.files[3].outcome);
  const std::wstring staging = installDir_ + L"\\.quenby-staging";
  EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") ==
              ReadFileBytes(staging + L"\\files\\d0\\QuenbyClient.exe"));
  const std::string served = ReadFileBytes(servedRoot_ + L"\\files\\QuenbyClient.exe");
  EXPECT_TRUE(served.substr(0, 8000) == ReadFileBytes(staging + L"\\unpack\\d1\\temp.pak"));
  EXPECT_EQ((std::vector<std::wstring>{L".quenby-staging\\files\\d0\\QuenbyClient.exe",
                                       L".quenby-staging\\unpack\\d1\\temp.pak"}),
            FilesLeft());
  ExpectProgressOnlyGrows(progress_);

  const int firstRequests = RequestCount(first + "QuenbyClient.exe");
  const std::string plain = server_ + "/files/";
  RunInstall(
      ManifestText(ManifestFileEntry("QuenbyClient.exe", "d0\\", client, clientLength, first) +
                   ManifestFileEntry("QuenbyClient.exe", "d1\\", client, clientLength, plain) +
                   ManifestFileEntry("QuenbyClient.exe", "d2\\", client, clientLength, plain) +
                   ManifestFileEntry("QuenbyClient.exe", "d3\\", client, clientLength, plain)));
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_EQ(firstRequests, RequestCount(first + "QuenbyClient.exe"));
  EXPECT_EQ(3 * ServedSize(L"files\\QuenbyClient.exe"), InstallEngine::Instance().totalBytes);
  EXPECT_EQ((std::vector<std::wstring>{L"d0\\QuenbyClient.exe", L"d1\\QuenbyClient.exe",
                                       L"d2\\QuenbyClient.exe", L"d3\\QuenbyClient.exe"}),
            FilesLeft());
}

TEST_F(InstallRunTest, UppercaseDigestDownloadsOnEveryRun) {
  std::string upper = ReleaseMd5(L"res\\skin.dat");
  for (char& c : upper)
    c = static_cast<char>(toupper(c));
  RunInstall(ManifestText(ReleaseEntries(upper)));
  RunInstall(ManifestText(ReleaseEntries(upper)));
  ASSERT_FALSE(downloadedNames_.empty());
  for (const std::string& name : downloadedNames_)
    EXPECT_EQ("skin.dat", name);
  EXPECT_TRUE(ReleaseBytes(L"res\\skin.dat") == ReadFileBytes(installDir_ + L"\\res\\skin.dat"));
}

TEST_F(InstallRunTest, FailedDownloadShowsTheMessageOnceAndEndsTheRun) {
  for (bool answerOk : {false, true}) {
    SCOPED_TRACE(answerOk ? "OK" : "Cancel");
    fs::remove_all(fs::path(installDir_) / L".quenby-staging");
    prompt_.answerOk = answerOk;
    prompt_.asked = 0;
    prompt_.opened.clear();
    completions_ = 0;
    std::string manifest = ManifestText(
        ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                          std::to_string(ServedSize(L"files\\QuenbyClient.exe")),
                          server_ + "/files/") +
        ManifestFileEntry("skin.dat", "res\\", "x", "1", server_ + "/-/status/404/files/res/") +
        ManifestFileEntry("never.dat", "", "x", "1", server_ + "/files/res/"));

    RunInstall(manifest);

    EXPECT_EQ(1, completions_);
    EXPECT_EQ(1, prompt_.asked.load());
    EXPECT_EQ(FailureReason::kDownloadFailed, lastOutcome_.failure);
    EXPECT_EQ(L"res\\skin.dat", lastOutcome_.failedFile);
    EXPECT_EQ(22, lastOutcome_.code);
    ASSERT_EQ(3u, lastOutcome_.files.size());
    EXPECT_EQ(FileOutcome::kStaged, lastOutcome_.files[0].outcome);
    EXPECT_EQ(FileOutcome::kFailed, lastOutcome_.files[1].outcome);
    EXPECT_EQ(FileOutcome::kNotReached, lastOutcome_.files[2].outcome);
    // Nothing of the client is written: the file before the failure waits in the staging folder.
    const std::wstring staging = installDir_ + L"\\.quenby-staging";
    EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.exe"));
    EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") ==
                ReadFileBytes(staging + L"\\files\\QuenbyClient.exe"));
    // A package of which nothing arrived leaves nothing.
    EXPECT_FALSE(FileExists(staging + L"\\unpack\\res"));
    EXPECT_FALSE(FileExists(installDir_ + L"\\never.dat"));
    if (answerOk) {
      ASSERT_EQ(1u, prompt_.opened.size());
      EXPECT_EQ(QUENBY_HOMEPAGE_URL, prompt_.opened[0]);
    } else {
      EXPECT_TRUE(prompt_.opened.empty());
    }
  }
}

TEST_F(InstallRunTest, NothingToFetchCompletesAtOnce) {
  RunInstall(ManifestText(""));
  EXPECT_EQ(1, completions_);
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_EQ(0, prompt_.asked.load());
  EXPECT_EQ(0, InstallEngine::Instance().totalBytes);
  EXPECT_TRUE(downloadedNames_.empty());
}

// A manifest that is no update list once gave an empty run that "completed": the finish page
// showed over a folder without a client.
TEST_F(InstallRunTest, ManifestThatIsNoUpdateListFailsTheRun) {
  std::string truncated =
      ManifestText(ManifestFileEntry("QuenbyClient.exe", "", "x", "1", server_ + "/files/"));
  truncated.resize(truncated.size() - 10);
  for (const std::string& manifest : {std::string(), std::string("<Other/>"), truncated}) {
    SCOPED_TRACE(manifest);
    completions_ = 0;
    prompt_.asked = 0;
    RunInstall(manifest);
    EXPECT_EQ(1, completions_);
    EXPECT_EQ(1, prompt_.asked.load());
    EXPECT_EQ(FailureReason::kManifestUnreadable, lastOutcome_.failure);
    EXPECT_TRUE(downloadedNames_.empty());
    EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.exe"));
  }
}

// Entries refused for their names were once dropped without a word, and the run reported a
// complete client without them. Now the run fails before anything is fetched, naming them.
TEST_F(InstallRunTest, EntryLeavingTheInstallFolderFailsTheRunAndWritesNothing) {
  RecordingRunLog log;
  RunInstall(ManifestText(ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                                            "1", server_ + "/files/") +
                          ManifestFileEntry("escape.dll", "..\\", "x", "1", server_ + "/files/") +
                          ManifestFileEntry("con.txt", "", "x", "1", server_ + "/files/")));
  EXPECT_EQ(1, completions_);
  EXPECT_EQ(1, prompt_.asked.load());
  EXPECT_EQ(FailureReason::kEntryRefused, lastOutcome_.failure);
  EXPECT_EQ(L"..\\escape.dll", lastOutcome_.failedFile);
  EXPECT_TRUE(downloadedNames_.empty());
  EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.exe"));
  EXPECT_FALSE(FileExists(folder_ / L"escape.dll"));
  EXPECT_FALSE(FileExists(folder_ / L"temp.pak"));
  const std::string text = log.Text();
  EXPECT_NE(std::string::npos, text.find("manifest entry ..\\escape.dll: refused")) << text;
  EXPECT_NE(std::string::npos, text.find("manifest entry con.txt: refused")) << text;
}

// The unpacked file was renamed by its name after it was closed, unchecked, so whatever stood at
// that name then was placed. It is now checked through the handle that renames it.
TEST_F(InstallRunTest, UnpackedFileThatIsNotTheManifestsKeepsTheOldFile) {
  const std::string oldBytes = "the client the user already had";
  ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\QuenbyClient.exe", oldBytes));
  RunInstall(ManifestText(ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"res\\skin.dat"),
                                            std::to_string(ServedSize(L"files\\QuenbyClient.exe")),
                                            server_ + "/files/")));
  EXPECT_EQ(FailureReason::kFileDigestMismatch, lastOutcome_.failure);
  EXPECT_EQ(L"QuenbyClient.exe", lastOutcome_.failedFile);
  EXPECT_EQ(oldBytes, ReadFileBytes(installDir_ + L"\\QuenbyClient.exe"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.exe.tmp"));
}

TEST_F(InstallRunTest, DamagedOrEscapingPackageKeepsTheOldFile) {
  const std::string oldBytes = "the client the user already had";
  for (const char* package : {"corrupt.pak", "traversal.pak"}) {
    SCOPED_TRACE(package);
    ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\QuenbyClient.exe", oldBytes));
    // Url + Name puts the file name in the query, so the server answers with the package.
    RunInstall(ManifestText(ManifestFileEntry(
        "QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
        std::to_string(ServedSize(Utf8ToWide(package))), server_ + "/" + package + "?")));
    EXPECT_FALSE(downloadedNames_.empty());
    EXPECT_EQ(FailureReason::kUnpackFailed, lastOutcome_.failure);
    EXPECT_EQ(oldBytes, ReadFileBytes(installDir_ + L"\\QuenbyClient.exe"));
    EXPECT_FALSE(FileExists(installDir_ + L"\\QuenbyClient.exe.tmp"));
    EXPECT_FALSE(FileExists(installDir_ + L"\\temp.pak"));
    // The traversal item names ../../escape.dll.tmp from the install folder.
    EXPECT_FALSE(FileExists(folder_ / L"escape.dll.tmp"));
    EXPECT_FALSE(FileExists(folder_ / L"..\\escape.dll.tmp"));
  }
}

// Windows refuses to delete a read-only file or to rename another over it (Wine enforces only
// the first), so files that a package stored read-only once must not block the next release. A
// client file named like the installer's own temporary files is the client's: kept while the
// release does not list it, updated with the rest when it does.
TEST_F(InstallRunTest, ReadOnlyFilesAndNamesLikeTheInstallersOwnAreTheClients) {
  const std::wstring target = installDir_ + L"\\QuenbyClient.exe";
  const std::wstring alike = target + L".tmp";
  ASSERT_TRUE(WriteFileBytes(target, "an older release"));
  ASSERT_TRUE(WriteFileBytes(alike, "the client's own file"));
  ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(alike.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string client = ReleaseMd5(L"QuenbyClient.exe");
  const std::string entry =
      ManifestFileEntry("QuenbyClient.exe", "", client, std::to_string(ServedSize(L"readonly.pak")),
                        server_ + "/readonly.pak?");

  RunInstall(ManifestText(entry));
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_EQ(client, FileMd5Hex(target));
  EXPECT_NE(0u, ::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ("the client's own file", ReadFileBytes(alike));

  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(WriteFileBytes(target, "an older release"));
  RunInstall(ManifestText(entry + ManifestFileEntry("QuenbyClient.exe.tmp", "", client,
                                                    std::to_string(ServedSize(L"tmp_named.pak")),
                                                    server_ + "/tmp_named.pak?")));
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_EQ(client, FileMd5Hex(target));
  EXPECT_EQ(client, FileMd5Hex(alike));
  EXPECT_EQ((std::vector<std::wstring>{L"QuenbyClient.exe", L"QuenbyClient.exe.tmp"}), FilesLeft());
  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A file item named like a folder of the install folder once deleted the folder with everything
// the user kept in it. Unpacked in the staging folder, the package's items meet none of the
// client's folders.
TEST_F(InstallRunTest, FileItemNamedLikeAFolderLeavesTheClientsFolderAlone) {
  const std::wstring userData = installDir_ + L"\\userdata";
  ASSERT_TRUE(::CreateDirectoryW(userData.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(userData + L"\\notes.txt", "the user's notes"));
  ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\QuenbyClient.exe", "the old client"));

  RunInstall(ManifestText(ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                                            std::to_string(ServedSize(L"folder_item.pak")),
                                            server_ + "/folder_item.pak?")));
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_EQ("the user's notes", ReadFileBytes(userData + L"\\notes.txt"));
  EXPECT_EQ(ReleaseMd5(L"QuenbyClient.exe"), FileMd5Hex(installDir_ + L"\\QuenbyClient.exe"));
  EXPECT_EQ((std::vector<std::wstring>{L"QuenbyClient.exe", L"userdata\\notes.txt"}), FilesLeft());
}

// A program that holds a file open until it is ended.
class FileHolder {
 public:
  explicit FileHolder(const std::wstring& path) {
    std::wstring command = L"\"" QUENBY_HOLD_FILE L"\" \"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
      return;
    ::CloseHandle(process.hThread);
    process_ = process.hProcess;
    // Held once nobody can open it for writing any more. A program started under Wine on a
    // loaded machine can take seconds to get there; one that ended never will.
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (::GetTickCount64() < deadline && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      HANDLE probe = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      if (probe == INVALID_HANDLE_VALUE) {
        held_ = true;
        return;
      }
      ::CloseHandle(probe);
      ::Sleep(10);
    }
  }
  // Whether the program holds the file; a test that needs it held must not go on without.
  bool Held() const { return held_; }
  ~FileHolder() { End(); }
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  void End() {
    if (!process_)
      return;
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(process_);
    process_ = nullptr;
    held_ = false;
  }

 private:
  HANDLE process_ = nullptr;
  bool held_ = false;
};

// Each failure of a file is told once, stops the run and leaves every old file as it was, with
// nothing unpacked beside the client; the next run, with the cause gone, completes. A running
// client holds both of its files: one question names them together.
TEST_F(InstallRunTest, EachFailureIsToldOnceStopsTheRunAndKeepsTheOldFile) {
  enum class Holder { kNone, kRetry, kCancel };
  struct Case {
    const char* description;
    const char* package;  // served in place of the client's package; "" for the real one
    const char* sha256;
    Holder holder;
    FailureReason failure;
  };
  const Case kCases[] = {
      {"digest mismatch", "", "0000000000000000000000000000000000000000000000000000000000000000",
       Holder::kNone, FailureReason::kDigestMismatch},
      {"damaged package", "corrupt.pak", "", Holder::kNone, FailureReason::kUnpackFailed},
      {"file in use, Cancel", "", "", Holder::kCancel, FailureReason::kFileInUse},
      {"file in use, Retry after it was closed", "", "", Holder::kRetry, FailureReason::kNone},
  };
  const std::wstring client = installDir_ + L"\\QuenbyClient.exe";
  const std::wstring skin = installDir_ + L"\\res\\skin.dat";
  const std::string oldBytes = "the client the user already had";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    fs::remove_all(fs::path(installDir_) / L"res");
    ASSERT_TRUE(WriteFileBytes(client, oldBytes));
    prompt_.asked = 0;
    prompt_.askedInUse = 0;
    completions_ = 0;
    // A running client holds both of its files: one question names them together.
    std::optional<FileHolder> holder, skinHolder;
    if (c.holder != Holder::kNone) {
      ASSERT_TRUE(::CreateDirectoryW((installDir_ + L"\\res").c_str(), nullptr));
      ASSERT_TRUE(WriteFileBytes(skin, oldBytes));
      holder.emplace(client);
      skinHolder.emplace(skin);
      ASSERT_TRUE(holder->Held()) << "hold-file did not take the client";
      ASSERT_TRUE(skinHolder->Held()) << "hold-file did not take the skin";
    }
    prompt_.onFileInUse = [&] {
      if (c.holder == Holder::kRetry) {
        holder->End();
        skinHolder->End();
      }
      return c.holder == Holder::kRetry;
    };
    auto manifestWith = [&](const std::string& clientUrl, const std::string& sha256,
                            const std::wstring& package = L"files\\QuenbyClient.exe") {
      std::string entries =
          ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                            std::to_string(ServedSize(package)), clientUrl);
      if (!sha256.empty())
        entries.insert(entries.find("</File>"), "<SHA256>" + sha256 + "</SHA256>");
      return ManifestText(entries +
                          ManifestFileEntry("skin.dat", "res\\", ReleaseMd5(L"res\\skin.dat"),
                                            std::to_string(ServedSize(L"files\\res\\skin.dat")),
                                            server_ + "/files/res/"));
    };
    const std::string manifest = manifestWith(server_ + "/files/", "");
    RunInstall(*c.package
                   ? manifestWith(server_ + "/" + c.package + "?", c.sha256, Utf8ToWide(c.package))
                   : manifestWith(server_ + "/files/", c.sha256));

    EXPECT_EQ(1, completions_);
    EXPECT_EQ(c.failure, lastOutcome_.failure) << "code " << lastOutcome_.code;
    EXPECT_EQ(c.holder == Holder::kNone ? 0 : 1, prompt_.askedInUse.load());
    if (c.holder != Holder::kNone) {
      EXPECT_EQ(client, prompt_.inUsePath);
    }
    EXPECT_FALSE(FileExists(client + L".tmp"));
    EXPECT_FALSE(FileExists(installDir_ + L"\\temp.pak"));
    if (c.failure == FailureReason::kNone) {
      EXPECT_EQ(0, prompt_.asked.load());
      EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") == ReadFileBytes(client));
      EXPECT_TRUE(ReleaseBytes(L"res\\skin.dat") ==
                  ReadFileBytes(installDir_ + L"\\res\\skin.dat"));
      continue;
    }
    EXPECT_EQ(1, prompt_.asked.load());
    EXPECT_EQ(L"QuenbyClient.exe", lastOutcome_.failedFile);
    EXPECT_EQ(oldBytes, ReadFileBytes(client));
    if (c.holder == Holder::kNone)
      EXPECT_FALSE(FileExists(installDir_ + L"\\res")) << "the file after the failed one";
    else
      EXPECT_EQ(oldBytes, ReadFileBytes(skin));

    // The cause gone, the next run completes.
    if (holder) {
      holder->End();
      skinHolder->End();
    }
    RunInstall(manifest);
    EXPECT_TRUE(lastOutcome_.Complete());
    EXPECT_TRUE(ReleaseBytes(L"QuenbyClient.exe") == ReadFileBytes(client));
    EXPECT_TRUE(ReleaseBytes(L"res\\skin.dat") == ReadFileBytes(installDir_ + L"\\res\\skin.dat"));
  }
}

// What an administrator reads after a failed run: each file with its size, outcome and tries,
// the failed download with libcurl's code and the HTTP status, the files not reached, the route
// and the outcome; never the proxy's password, here typed into the prompt for a proxy that wants
// one (the local server, as a proxy for hosts under proxy-auth.invalid).
TEST_F(InstallRunTest, RunLogTellsEachFileAndTheFailureAndNeverThePassword) {
  const std::string host = "http://files.proxy-auth.invalid";
  const std::string proxy = "http://" + server_.substr(server_.find("//") + 2);
  ProxyRoutes::Instance().Clear();
  ProxyRoutes::Instance().SetRoutes(host + "/", {proxy});
  ProxyCredentialStore::Instance().Clear();
  ProxyCredentialStore::Instance().SetPrompt(
      [](const std::string&, std::wstring& userName, base::SecretWString& password) {
        userName = L"quenby";
        password.Assign(L"proxy secret");
        return true;
      });
  const int clientSize = ServedSize(L"files\\QuenbyClient.exe");
  // A Length below the size of the proxy's 407 page once ended the transfer before the proxy
  // was answered: the bound is the body's, not the pages on the way to it.
  const std::string skinSize = "1";
  RecordingRunLog log;
  RunInstall(ManifestText(
      ManifestFileEntry("QuenbyClient.exe", "", ReleaseMd5(L"QuenbyClient.exe"),
                        std::to_string(clientSize), host + "/files/") +
      ManifestFileEntry("skin.dat", "res\\", "x", skinSize, host + "/-/status/404/files/res/") +
      ManifestFileEntry("never.dat", "", "x", skinSize, host + "/files/res/")));
  ProxyRoutes::Instance().Clear();
  ProxyCredentialStore::Instance().SetPrompt(nullptr);
  ProxyCredentialStore::Instance().Clear();

  ASSERT_EQ(FailureReason::kDownloadFailed, lastOutcome_.failure);
  const std::string text = log.Text();
  for (const std::string& expected : {
           "file QuenbyClient.exe: " + std::to_string(clientSize) + " bytes, staged, tries: 1, ",
           "file res\\skin.dat: " + skinSize +
               " bytes, the package could not be downloaded, tries: 1",
           "download " + host +
               "/-/status/404/files/res/skin.dat: failed, tries: 1, "
               "libcurl code 22, HTTP status 404",
           std::string("file never.dat: not reached"),
           "server " + host + ":80: proxy " + proxy,
           std::string("run failed at res\\skin.dat: the package could not be downloaded "
                       "(libcurl code 22)"),
       }) {
    EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\nin:\n" << text;
  }
  for (const char* secret : {"secret", "cXVlbmJ5OnByb3h5IHNlY3JldA"}) {
    EXPECT_EQ(std::string::npos, text.find(secret)) << secret << " in:\n" << text;
  }
}

TEST_F(InstallRunTest, TotalOfHugeLengthsSaturates) {
  RunInstall(ManifestText(
      ManifestFileEntry("a.dll", "", "x", std::to_string(INT_MAX), "http://127.0.0.1:1/") +
      ManifestFileEntry("b.dll", "", "x", std::to_string(INT_MAX), "http://127.0.0.1:1/")));
  EXPECT_EQ(INT_MAX, InstallEngine::Instance().totalBytes);
}

}  // namespace
