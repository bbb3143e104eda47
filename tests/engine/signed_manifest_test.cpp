#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/install_engine.h"
#include "engine/manifest_clock.h"
#include "engine/text_convert.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"

// Installs against releases that tests/engine/testdata/publish_signed_releases.py published and
// signed with the minisign tool for the running server: a build that pins a key installs only
// what that key signed, and only packages whose SHA-256 the signed manifest names.
namespace {

std::string TestKey() {
  return ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) +
                       L"\\tools\\publisher\\test_key\\quenby-test.pub");
}

class SignedManifestTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = WideToUtf8(EnvironmentValue(L"QUENBY_TEST_SERVER"));
    served_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    installDir_ = folder_ / L"Quenby";
    ASSERT_TRUE(::CreateDirectoryW(installDir_.c_str(), nullptr));
    InstallEngine& engine = scopedEngine_.emplace(prompt_).engine();
    engine.SetCallbacks(
        [this](int stage, int, int, int, int, const std::string& name) {
          if (stage == kStagePackageDownload && (downloaded_.empty() || downloaded_.back() != name))
            downloaded_.push_back(name);
        },
        [this](const RunOutcome& outcome) {
          ++completions_;
          lastOutcome_ = outcome;
        });
    ASSERT_TRUE(engine.SetManifestKeys(TestKey()));
  }

  // CheckUpdate and Install against the release published under `path` of the server.
  int CheckAndInstall(const std::string& path) {
    InstallEngine& engine = InstallEngine::Instance();
    engine.SetUpdateServer(Utf8ToWide(server_ + path));
    const int result = engine.CheckUpdate();
    engine.Install(installDir_);
    return result;
  }
  std::string Release(const std::wstring& relative) {
    return ReadFileBytes(served_ + L"\\release\\" + relative);
  }
  std::string Installed(const std::wstring& relative) {
    return ReadFileBytes(installDir_ + L"\\" + relative);
  }
  std::string server_;
  std::wstring served_, installDir_;
  TempFolder folder_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  int completions_ = 0;
  RunOutcome lastOutcome_;
  std::vector<std::string> downloaded_;
};

TEST_F(SignedManifestTest, InstallsWhatThePinnedKeySigned) {
  EXPECT_EQ(0, CheckAndInstall("/signed"));
  EXPECT_TRUE(InstallEngine::Instance().ManifestSigned());
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
  EXPECT_TRUE(Release(L"res\\skin.dat") == Installed(L"res\\skin.dat"));
  EXPECT_EQ(1, completions_);
  EXPECT_EQ(0, prompt_.asked.load());

  // Over the installation nothing is downloaded.
  downloaded_.clear();
  EXPECT_EQ(0, CheckAndInstall("/signed"));
  EXPECT_TRUE(downloaded_.empty());
}

TEST_F(SignedManifestTest, RefusesAManifestThePinnedKeyDidNotSign) {
  struct Case {
    const char* description;
    const char* path;
  };
  const Case kCases[] = {
      {"a manifest altered on the way", "/-/tamper/signed"},
      {"no signature beside it", "/-/nosig/signed"},
      {"signed by a key the build does not pin", "/foreign"},
      {"an unsigned release", "/unsigned"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    completions_ = 0;
    downloaded_.clear();
    EXPECT_EQ(kResultManifestNotSigned, CheckAndInstall(c.path));
    EXPECT_TRUE(InstallEngine::Instance().manifestText.empty());
    EXPECT_FALSE(InstallEngine::Instance().ManifestSigned());
    // A refused manifest fails the run: told once, nothing downloaded.
    EXPECT_TRUE(downloaded_.empty());
    EXPECT_EQ(1, completions_);
    EXPECT_EQ(FailureReason::kManifestNotSigned, lastOutcome_.failure);
    EXPECT_EQ(1, prompt_.asked.load());
    prompt_.asked = 0;
    EXPECT_FALSE(FileExists(installDir_ + L"\\Quenby.exe"));
  }
}

// A validly signed older manifest, replayed by whoever answers the request, once downgraded the
// client. The newest signing time installed from is kept under HKLM; only a manifest signed at
// or after it, and not ahead of the clock, is taken.
TEST_F(SignedManifestTest, OnlyTheNewestReleaseInstalls) {
  const std::wstring clockKey = L"SOFTWARE\\QuenbyTest\\ManifestClock";
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, clockKey.c_str(), 0, 0);
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetSigningTimeKey(clockKey);
  EXPECT_EQ(0, CheckAndInstall("/signed"));
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
  EXPECT_GT(NewestManifestSigningTime(clockKey), 1700000000);
  struct Case {
    const char* path;
    int result;
    FailureReason failure;
  };
  const Case kCases[] = {
      {"/older", kResultManifestRolledBack, FailureReason::kManifestRolledBack},
      {"/undated", kResultManifestUndated, FailureReason::kManifestUndated},
      {"/future", kResultManifestFromTheFuture, FailureReason::kManifestFromTheFuture},
      {"/signed", 0, FailureReason::kNone},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.path);
    ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\Quenby.exe", "the client before"));
    downloaded_.clear();
    prompt_.asked = 0;
    EXPECT_EQ(c.result, CheckAndInstall(c.path));
    EXPECT_EQ(c.failure, lastOutcome_.failure);
    if (c.result == 0) {
      EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
    } else {
      EXPECT_TRUE(downloaded_.empty());
      EXPECT_EQ(1, prompt_.asked.load());
      EXPECT_EQ("the client before", Installed(L"Quenby.exe"));
    }
  }
  engine.SetSigningTimeKey(L"");
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, clockKey.c_str(), 0, 0);
}

// A rotation pins two keys: a manifest signed by either installs.
TEST_F(SignedManifestTest, APinnedPairOfKeysAcceptsEither) {
  const std::string foreignKey = ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) +
                                               L"\\tests\\engine\\testdata\\minisign\\foreign.pub");
  ASSERT_TRUE(InstallEngine::Instance().SetManifestKeys(TestKey() + ";" + foreignKey));
  for (const char* path : {"/signed", "/foreign"}) {
    SCOPED_TRACE(path);
    std::filesystem::remove_all(std::filesystem::path(installDir_) / L"res");
    EXPECT_EQ(0, CheckAndInstall(path));
    EXPECT_TRUE(lastOutcome_.Complete());
    EXPECT_TRUE(Release(L"res\\skin.dat") == Installed(L"res\\skin.dat"));
  }
}

TEST_F(SignedManifestTest, FetchesThePairOnceMoreBeforeRefusing) {
  // The server counts each address's requests over its whole run.
  InstallEngine& engine = InstallEngine::Instance();
  const std::wstring counter = Utf8ToWide(server_) +
                               L"/-/count/-/tamper/signed/checkupdate/tarskT/shichang/electron/";
  auto requests = [&](const wchar_t* file) {
    EXPECT_EQ(0, engine.DownloadFile(counter + file, folder_ / L"count.txt", L"count.txt"));
    return std::atoi(ReadFileBytes(folder_ / L"count.txt").c_str());
  };
  const int manifestsBefore = requests(L"update.xml");
  const int signaturesBefore = requests(L"update.xml.minisig");

  // A pair fetched while the publisher replaces it may disagree: the second fetch decides.
  EXPECT_EQ(kResultManifestNotSigned, CheckAndInstall("/-/tamper/signed"));
  EXPECT_EQ(manifestsBefore + 2, requests(L"update.xml"));
  EXPECT_EQ(signaturesBefore + 2, requests(L"update.xml.minisig"));
}

TEST_F(SignedManifestTest, KeepsTheOldFileWhenAPackageIsNotTheSignedOne) {
  ASSERT_TRUE(::CreateDirectoryW((installDir_ + L"\\res").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\Quenby.exe", "the old client"));
  EXPECT_EQ(0, CheckAndInstall("/tampered"));
  EXPECT_TRUE(InstallEngine::Instance().ManifestSigned());
  EXPECT_EQ("the old client", Installed(L"Quenby.exe"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\res\\skin.dat"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\temp.pak"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\res\\temp.pak"));
  EXPECT_EQ(1, completions_);
  EXPECT_EQ(FailureReason::kDigestMismatch, lastOutcome_.failure);
  EXPECT_EQ(L"Quenby.exe", lastOutcome_.failedFile);
  EXPECT_EQ(1, prompt_.asked.load());
}

TEST_F(SignedManifestTest, LeavesAFileWithoutADigestInASignedManifest) {
  EXPECT_EQ(0, CheckAndInstall("/nodigest"));
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\res\\skin.dat"));
  EXPECT_EQ(std::vector<std::string>{"Quenby.exe"}, downloaded_);
}

TEST_F(SignedManifestTest, ABuildWithoutAKeyInstallsUnsignedReleasesAsBefore) {
  InstallEngine& engine = InstallEngine::Instance();
  ASSERT_TRUE(engine.SetManifestKeys(""));
  EXPECT_EQ(0, CheckAndInstall("/unsigned"));
  EXPECT_FALSE(engine.ManifestSigned());
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
  EXPECT_TRUE(Release(L"res\\skin.dat") == Installed(L"res\\skin.dat"));
}

TEST_F(SignedManifestTest, APinnedListThatIsNoListRefusesEverything) {
  InstallEngine& engine = InstallEngine::Instance();
  EXPECT_FALSE(engine.SetManifestKeys(TestKey() + ";" + TestKey()));
  EXPECT_EQ(kResultManifestNotSigned, CheckAndInstall("/signed"));
  EXPECT_FALSE(FileExists(installDir_ + L"\\Quenby.exe"));
}

}  // namespace
