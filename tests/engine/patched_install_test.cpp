#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/file_digest.h"
#include "engine/install_engine.h"
#include "engine/common/install_outcome.h"
#include "engine/common/text_convert.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/recording_run_log.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The patch fixtures' second release as published with patches from the first, served by the
// update server, installed over the first release.
class PatchedInstallTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = WideToAnsi(EnvironmentValue(L"QUENBY_TEST_SERVER").c_str());
    served_ = fs::path(EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT")) / L"patched";
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    installDir_ = folder_ / L"Quenby";
    InstallEngine& engine = scopedEngine_.emplace(prompt_).engine();
    engine.SetCallbacks(
        [this](int stage, int, int total, int downloaded, int, const std::string&) {
          if (stage != kStagePackageDownload)
            return;
          EXPECT_LE(downloaded, total);
          if (onReport_)
            onReport_();
        },
        [this](const RunOutcome& outcome) { lastOutcome_ = outcome; });
    Reset();
  }

  // The published release served afresh, and the first release installed.
  void Reset() {
    fs::remove_all(served_);
    fs::create_directories(served_);
    const fs::path published = releases_ / L"with_patches";
    for (const wchar_t* folder : {L"files", L"patches"})
      fs::copy(published / folder, served_ / folder, fs::copy_options::recursive);
    manifest_ = ReadFileBytes(
        (published / L"checkupdate\\tarskT\\shichang\\electron\\update.xml").wstring());
    for (size_t at; (at = manifest_.find("http://127.0.0.1:1/r")) != std::string::npos;)
      manifest_.replace(at, 20, server_ + "/patched");
    fs::remove_all(fs::path(installDir_));
    fs::copy(releases_ / L"v1", fs::path(installDir_), fs::copy_options::recursive);
    prompt_.asked = 0;
    onReport_ = nullptr;
  }

  int ServedSize(const std::wstring& relative) {
    return static_cast<int>(fs::file_size(served_ / relative));
  }
  // The served patch of the file whose name starts with `prefix`, in `folder` of the patches.
  std::wstring ServedPatch(const std::wstring& folder, const std::wstring& prefix) {
    for (const fs::directory_entry& entry : fs::directory_iterator(served_ / L"patches" / folder))
      if (entry.path().filename().wstring().starts_with(prefix))
        return entry.path().wstring();
    return L"";
  }
  std::wstring ClientPatch() { return ServedPatch(L"", L"client.dll."); }
  void RunInstall() {
    InstallEngine::Instance().manifestText = manifest_;
    InstallEngine::Instance().Install(installDir_);
  }
  void ExpectTheSecondRelease() {
    EXPECT_TRUE(lastOutcome_.Complete()) << FailureReasonText(lastOutcome_.failure);
    for (const wchar_t* name : {L"client.dll", L"res\\skin.dat", L"readme.txt", L"added.txt"})
      EXPECT_EQ(FileMd5Hex((releases_ / L"v2" / name).wstring()),
                FileMd5Hex(installDir_ + L"\\" + name))
          << WideToAnsi(name);
    EXPECT_FALSE(FileExists(installDir_ + L"\\.quenby-staging"));
  }

  const fs::path releases_ = fs::path(QUENBY_PATCH_FIXTURE_DIR) / L"releases";
  std::string server_, manifest_;
  fs::path served_;
  TempFolder folder_;
  std::wstring installDir_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  RunOutcome lastOutcome_;
  std::function<void()> onReport_;
};

// The changed files arrive as patches from the installed ones: the run downloads the patches
// and the new file's package, and the progress counts exactly that.
TEST_F(PatchedInstallTest, UpdateDownloadsThePatchesAndInstallsByteForByte) {
  RunInstall();
  ExpectTheSecondRelease();
  const int patches = static_cast<int>(fs::file_size(ClientPatch()) +
                                       fs::file_size(ServedPatch(L"res", L"skin.dat.")));
  const InstallEngine& engine = InstallEngine::Instance();
  EXPECT_EQ(patches + ServedSize(L"files\\added.txt"), engine.totalBytes);
  EXPECT_EQ(engine.totalBytes, engine.downloadedBytes);
  EXPECT_LT(engine.totalBytes, ServedSize(L"files\\client.dll"));
}

// Each way a patch cannot serve costs its full package in the same run, once, with one line of
// the run log saying which file and why; the update still installs byte for byte.
TEST_F(PatchedInstallTest, PatchThatCannotServeFallsBackToTheFullPackageOnce) {
  const std::wstring client = installDir_ + L"\\client.dll";
  const std::string wrongPatch =
      ReadFileBytes(fs::path(QUENBY_PATCH_FIXTURE_DIR).wstring() + L"\\client_wrong_result.patch");
  struct Case {
    const char* description;
    std::function<void()> arrange;
    const char* why;
  };
  const Case kCases[] = {
      {"its transfer fails", [&] { fs::remove(ClientPatch()); }, "its transfer failed"},
      {"it is not the patch its SHA-256 names",
       [&] {
         std::string bytes = ReadFileBytes(ClientPatch());
         bytes[bytes.size() / 2] ^= 1;
         ASSERT_TRUE(WriteFileBytes(ClientPatch(), bytes));
       },
       "the patch is not the one its SHA-256 names"},
      {"the installed file changed under it",
       [&] {
         onReport_ = [&] {
           std::string bytes = ReadFileBytes(client);
           bytes[0] ^= 1;
           WriteFileBytes(client, bytes);
           onReport_ = nullptr;
         };
       },
       "the patched file is not the one the manifest's MD5 names"},
      {"it makes another file than the manifest's",
       [&] {
         ASSERT_TRUE(WriteFileBytes(ClientPatch(), wrongPatch));
         // The manifest vouches for this patch: only the result's MD5 tells.
         const size_t entry = manifest_.find("<Patch", manifest_.find("client.dll"));
         const size_t length = manifest_.find("Length=\"", entry) + 8;
         manifest_.replace(length, manifest_.find('"', length) - length,
                           std::to_string(wrongPatch.size()));
         const size_t sha = manifest_.find("SHA256=\"", entry) + 8;
         manifest_.replace(sha, 64, FileSha256Hex(ClientPatch()));
       },
       "the patched file is not the one the manifest's MD5 names"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    Reset();
    c.arrange();
    RecordingRunLog log;
    RunInstall();
    ExpectTheSecondRelease();
    const std::string text = log.Text();
    const std::string line = "file client.dll: the patch cannot serve (" + std::string(c.why) +
                             "); the full package follows";
    EXPECT_NE(std::string::npos, text.find(line)) << text;
    EXPECT_EQ(text.find("the patch cannot serve"), text.rfind("the patch cannot serve")) << text;
    EXPECT_EQ(std::string::npos, text.find("skin.dat: the patch cannot serve")) << text;
    EXPECT_EQ(0, prompt_.asked.load());
  }
}

// An installed file that no patch starts from is fetched whole.
TEST_F(PatchedInstallTest, FileNoPatchStartsFromIsFetchedWhole) {
  ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\client.dll", "a build no release had"));
  RunInstall();
  ExpectTheSecondRelease();
  EXPECT_GT(InstallEngine::Instance().totalBytes, ServedSize(L"files\\client.dll"));
}

}  // namespace
