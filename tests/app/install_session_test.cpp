#include "app/install_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/product_names.h"
#include "app/registration.h"
#include "base/scoped_handle.h"
#include "engine/install_engine.h"
#include "engine/text_convert.h"
#include "engine/user_prompt.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Answers the download-failure message with Cancel, without a window.
class CancellingPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override {
    ++asked;
    return false;
  }
  void OpenWebPage(const std::wstring&) override {}
  int asked = 0;
};

bool UninstallEntryExists() {
  return OpenUninstallEntry().IsValid();
}

// Runs installs against the local update server and plays the UI thread: it waits for the wake
// event and takes what the engine's threads posted, as the wizard's window message would.
class InstallSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = EnvironmentValue(L"QUENBY_TEST_SERVER");
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    RemoveRegistration();
    ASSERT_TRUE(wake_.IsValid());
    InstallEngine::Instance().SetUserPrompt(prompt_);
    InstallEngine::Instance().SetUpdateServer(server_);
    installDir_ = temp_ / L"Cobalind\\velmora";
  }
  void TearDown() override {
    InstallEngine::Instance().SetUserPrompt(SystemUserPrompt());
    RemoveRegistration();
  }

  static void RemoveRegistration() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, 0);
    ::DeleteFileW(DesktopShortcutPath().c_str());
    ::DeleteFileW(StartMenuShortcutPath().c_str());
  }

  // Serves a manifest listing the given entries (Url "@SERVER@" stands for the server).
  void ServeManifest(std::string entries) {
    for (size_t at; (at = entries.find("@SERVER@")) != std::string::npos;)
      entries.replace(at, 8, WideToAnsi(server_.c_str()));
    const fs::path folder = fs::path(servedRoot_) / "checkupdate/tarskT/shichang/electron";
    fs::create_directories(folder);
    ASSERT_TRUE(
        WriteFileBytes((folder / "update.xml").wstring(),
                       "<?xml version=\"1.0\"?><UpdateFiles>" + entries + "</UpdateFiles>"));
  }

  // Starts the session and takes its updates until the finish, at most 60 s.
  void RunToFinish() {
    InstallSession session(installDir_, [this] { ::SetEvent(wake_.Get()); });
    session.Start();
    for (;;) {
      ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(wake_.Get(), 60000)) << "no finish in 60 s";
      ProgressMailbox::Contents taken = session.TakeUpdates();
      if (taken.progress)
        shown_.push_back(*taken.progress);
      if (taken.finished)
        break;
    }
  }

  std::wstring server_, servedRoot_, installDir_;
  TempFolder temp_;
  CancellingPrompt prompt_;
  base::ScopedHandle wake_{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::vector<ProgressTexts> shown_;
};

TEST_F(InstallSessionTest, InstallShowsProgressThenRegistersAndFinishes) {
  fs::remove_all(fs::path(servedRoot_) / L"files");
  fs::copy(fs::path(QUENBY_FIXTURE_DIR) / L"published" / L"files", fs::path(servedRoot_) / L"files",
           fs::copy_options::recursive);
  std::string manifest =
      ReadFileBytes(std::wstring(QUENBY_FIXTURE_DIR) +
                    L"\\published\\checkupdate\\tarskT\\shichang\\electron\\update.xml");
  const size_t begin = manifest.find("<UpdateFiles>") + 13;
  ServeManifest(manifest.substr(begin, manifest.find("</UpdateFiles>") - begin));

  RunToFinish();

  EXPECT_EQ(ReadFileBytes(std::wstring(QUENBY_FIXTURE_DIR) + L"\\release\\QuenbyClient.exe"),
            ReadFileBytes(installDir_ + L"\\QuenbyClient.exe"));
  ASSERT_FALSE(shown_.empty());
  // The last report of the run is shown before the finish.
  EXPECT_EQ(100, shown_.back().percent);
  EXPECT_EQ(L"100%", shown_.back().percentText);
  EXPECT_EQ(L"安装目录：" + installDir_ + L"\\skin.dat", shown_.back().fileText);
  EXPECT_EQ(310u, ReadFileBytes(installDir_ + L"\\install.dat").size());
  EXPECT_TRUE(UninstallEntryExists());
  EXPECT_TRUE(FileExists(DesktopShortcutPath()));
  EXPECT_EQ(0, prompt_.asked);
}

// The page took the name from the report's ANSI form, which shows a Korean name as "???".
TEST_F(InstallSessionTest, ProgressShowsANameTheAnsiCodePageCannotHold) {
  const fs::path package = fs::path(QUENBY_FIXTURE_DIR) / L"names\\7z\\files\\한국어.txt";
  fs::create_directories(fs::path(servedRoot_) / L"names");
  // CopyFileW: the C++ library of this tool chain refuses to overwrite an existing file.
  ASSERT_TRUE(::CopyFileW(package.c_str(), (servedRoot_ + L"\\names\\한국어.txt").c_str(), FALSE));
  const std::string length = std::to_string(fs::file_size(package));
  ServeManifest(
      "<File><Name>한국어.txt</Name><Url>@SERVER@/names/</Url><Dir></Dir><MD5>x</MD5><Length>" +
      length + "</Length></File>");

  RunToFinish();

  ASSERT_FALSE(shown_.empty());
  EXPECT_EQ(L"安装目录：" + installDir_ + L"\\한국어.txt", shown_.back().fileText);
  EXPECT_TRUE(FileExists(installDir_ + L"\\한국어.txt"));
}

TEST_F(InstallSessionTest, FailedDownloadStillWritesTheRecordAndRegisters) {
  ServeManifest(
      "<File><Name>tarsklogin.exe</Name><Url>@SERVER@/-/status/404/</Url><Dir></Dir>"
      "<MD5>00000000000000000000000000000000</MD5><Length>1000</Length></File>");

  RunToFinish();

  EXPECT_EQ(1, prompt_.asked);
  EXPECT_FALSE(FileExists(installDir_ + L"\\tarsklogin.exe"));
  EXPECT_EQ(310u, ReadFileBytes(installDir_ + L"\\install.dat").size());
  EXPECT_TRUE(UninstallEntryExists());
  EXPECT_TRUE(FileExists(DesktopShortcutPath()));
  EXPECT_TRUE(FileExists(StartMenuShortcutPath()));
}

TEST_F(InstallSessionTest, FailedUpdateCheckFinishesAtOnceWithTheRegistration) {
  // Nothing listens on port 1 of the loopback address: the check fails at once.
  InstallEngine::Instance().SetUpdateServer(L"http://127.0.0.1:1");

  RunToFinish();

  EXPECT_TRUE(shown_.empty());
  EXPECT_NE(0, InstallEngine::Instance().resultCode);
  // The folder chain was created at the start, so the record has its folder.
  EXPECT_EQ(310u, ReadFileBytes(installDir_ + L"\\install.dat").size());
  EXPECT_TRUE(UninstallEntryExists());
}

}  // namespace
