#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/product_names.h"
#include "engine/install_engine.h"
#include "engine/manifest/manifest_clock.h"
#include "engine/common/text_convert.h"
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
      // A manifest ahead of the clock says the clock is wrong, not that the update failed.
      const bool clockWrong = c.failure == FailureReason::kManifestFromTheFuture;
      EXPECT_EQ(clockWrong ? 0 : 1, prompt_.asked.load());
      EXPECT_EQ(clockWrong ? 1 : 0, prompt_.toldClockWrong.exchange(0));
      EXPECT_EQ("the client before", Installed(L"Quenby.exe"));
    }
  }
  engine.SetSigningTimeKey(L"");
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, clockKey.c_str(), 0, 0);
}

// A first install knew no newest release, so an old signed one served to it installed. The build
// now pins the oldest signing time it takes.
TEST_F(SignedManifestTest, TheBuildsFloorRefusesAnOlderManifestOnAFreshInstall) {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetManifestNotBefore(static_cast<long long>(std::time(nullptr)) + 3600);
  EXPECT_EQ(kResultManifestRolledBack, CheckAndInstall("/signed"));
  EXPECT_EQ(FailureReason::kManifestRolledBack, lastOutcome_.failure);
  EXPECT_TRUE(downloaded_.empty());
  EXPECT_FALSE(FileExists(installDir_ + L"\\Quenby.exe"));
  engine.SetManifestNotBefore(std::time(nullptr) - 3600);
  EXPECT_EQ(0, CheckAndInstall("/signed"));
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
}

// The newest signing time lived in the uninstall entry's key, which the uninstaller deletes
// whole; a run that placed nothing (a failed fresh install) still left that key behind.
TEST_F(SignedManifestTest, TheKeptTimeOutlivesTheUninstallEntryAndNeedsAPlacedFile) {
  const std::wstring stateKey = product::kInstallerStateKeyPath;
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, stateKey.c_str());
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetSigningTimeKey(stateKey);
  // Fails at its first file: nothing placed, nothing kept.
  EXPECT_EQ(0, CheckAndInstall("/tampered"));
  EXPECT_EQ(FailureReason::kDigestMismatch, lastOutcome_.failure);
  EXPECT_EQ(0, NewestManifestSigningTime(stateKey));

  EXPECT_EQ(0, CheckAndInstall("/signed"));
  const long long kept = NewestManifestSigningTime(stateKey);
  EXPECT_GT(kept, 1700000000);
  HKEY uninstall = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &uninstall, nullptr));
  ::RegCloseKey(uninstall);
  ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath));
  EXPECT_EQ(kept, NewestManifestSigningTime(stateKey));
  engine.SetSigningTimeKey(L"");
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, stateKey.c_str());
}

// Two manifests signed in the same second: the kept time alone let the other one in.
TEST_F(SignedManifestTest, AtTheKeptTimeOnlyTheSameManifestInstalls) {
  const std::wstring clockKey = L"SOFTWARE\\QuenbyTest\\ManifestClock";
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, clockKey.c_str(), 0, 0);
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetSigningTimeKey(clockKey);
  EXPECT_EQ(0, CheckAndInstall("/signed"));
  EXPECT_EQ(0, CheckAndInstall("/signed")) << "the same manifest again";
  // The kept digest made another manifest's: the same time with other bytes.
  const std::wstring otherDigest(64, L'0');
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, clockKey.c_str(), L"ManifestSha256", REG_SZ,
                              otherDigest.c_str(),
                              static_cast<DWORD>((otherDigest.size() + 1) * sizeof(wchar_t))));
  EXPECT_EQ(kResultManifestRolledBack, CheckAndInstall("/signed"));
  engine.SetSigningTimeKey(L"");
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, clockKey.c_str(), 0, 0);
}

TEST(ManifestClockTest, RefusesWhatIsOlderThanTheFloorOrTheKeptManifest) {
  const KeptManifest kept{2000, "aa"};
  struct Case {
    const char* description;
    long long signedAt;
    const char* sha256;
    long long notBefore;
    KeptManifest kept;
    bool rolledBack;
  };
  const Case kCases[] = {
      {"fresh, no floor", 5, "bb", 0, {}, false},
      {"fresh, before the floor", 999, "bb", 1000, {}, true},
      {"fresh, at the floor", 1000, "bb", 1000, {}, false},
      {"before the kept time", 1999, "bb", 0, kept, true},
      {"the kept manifest", 2000, "aa", 0, kept, false},
      {"another at the kept time", 2000, "bb", 0, kept, true},
      {"newer than both", 2001, "bb", 1000, kept, false},
      {"newer than kept, before the floor", 2001, "bb", 3000, kept, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.rolledBack, IsRolledBack(c.signedAt, c.sha256, c.notBefore, c.kept));
  }
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
  const std::wstring counter =
      Utf8ToWide(server_) + L"/-/count/-/tamper/signed/checkupdate/tarskT/shichang/electron/";
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

// A signed file without a digest was counted unchanged even when it was missing: the run
// "completed" without it. One that is there is left as it is; one that is missing fails the run
// before anything is fetched.
TEST_F(SignedManifestTest, AFileWithoutADigestIsLeftWhenThereAndFailsTheRunWhenMissing) {
  EXPECT_EQ(0, CheckAndInstall("/nodigest"));
  EXPECT_EQ(FailureReason::kDigestMissing, lastOutcome_.failure);
  EXPECT_EQ(L"res\\skin.dat", lastOutcome_.failedFile);
  EXPECT_TRUE(downloaded_.empty());
  EXPECT_FALSE(FileExists(installDir_ + L"\\Quenby.exe"));

  ASSERT_TRUE(::CreateDirectoryW((installDir_ + L"\\res").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\res\\skin.dat", "the user's old skin"));
  EXPECT_EQ(0, CheckAndInstall("/nodigest"));
  EXPECT_TRUE(lastOutcome_.Complete());
  EXPECT_TRUE(Release(L"Quenby.exe") == Installed(L"Quenby.exe"));
  EXPECT_EQ("the user's old skin", Installed(L"res\\skin.dat"));
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
