#include "app/install_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/install_record.h"
#include "app/product_names.h"
#include "app/registration.h"
#include "base/scoped_handle.h"
#include "engine/engine_report.h"
#include "engine/install_engine.h"
#include "engine/common/text_convert.h"
#include "tests/app/app_test_support.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/recording_run_log.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

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
    scopedEngine_.emplace(prompt_).engine().SetUpdateServer(server_);
    installDir_ = temp_ / L"Cobalind\\velmora";
  }
  void TearDown() override { RemoveRegistration(); }

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

  // Starts the session and takes its updates until the finish, at most 60 s. The session is
  // destroyed only once its threads have left it, as the window does: the worker posts the finish
  // before it leaves the engine and counts itself out. One that never ends is left alive.
  // Returns whether the finish page is due.
  bool RunToFinish() {
    auto session = std::make_unique<InstallSession>(
        installDir_, [this] { ::SetEvent(wake_.Get()); }, prompt_, steps_);
    session->Start();
    bool finished = false;
    while (!finished) {
      if (::WaitForSingleObject(wake_.Get(), 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "no finish in 60 s";
        break;
      }
      ProgressMailbox::Contents taken = session->mailbox().Take();
      if (taken.progress)
        shown_.push_back(ComposeProgressTexts(*taken.progress, session->installDir()));
      finished = taken.finished;
    }
    const bool finishPageDue = session->FinishPageDue();
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    while (session->Running() && ::GetTickCount64() < deadline)
      ::Sleep(5);
    if (session->Running()) {
      ADD_FAILURE() << "the session's threads did not end";
      static_cast<void>(session.release());
    }
    return finishPageDue;
  }

  // An earlier installation's launcher in the install folder.
  void PlaceLauncher() {
    fs::create_directories(fs::path(installDir_));
    ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\tarsklogin.exe", "an earlier client"));
  }

  bool Registered() {
    return FileExists(installDir_ + L"\\install.dat") || UninstallEntryExists() ||
           FileExists(DesktopShortcutPath()) || FileExists(StartMenuShortcutPath());
  }

  std::wstring server_, servedRoot_, installDir_;
  TempFolder temp_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  base::ScopedHandle wake_{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::vector<ProgressTexts> shown_;
  InstallSession::EngineSteps steps_;
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
  PlaceLauncher();

  EXPECT_TRUE(RunToFinish());

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
  EXPECT_EQ(0, prompt_.asked.load());
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

// A failed run tells the failure once and registers nothing new: a folder that holds a client (an
// update over an earlier installation) keeps its registration and finishes; a fresh install that
// kept nothing for the next run leaves no install folder either.
TEST_F(InstallSessionTest, FailedRunRegistersAndFinishesOnlyAnInstalledClient) {
  struct Case {
    const char* description;
    const wchar_t* server;  // empty: the test server
    bool launcherBefore;
  };
  const Case kCases[] = {
      // Nothing listens on port 1 of the loopback address: the check fails at once.
      {"update check fails, fresh folder", L"http://127.0.0.1:1", false},
      {"update check fails, earlier client", L"http://127.0.0.1:1", true},
      {"download fails, fresh folder", L"", false},
      {"download fails, earlier client", L"", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    RemoveRegistration();
    fs::remove_all(fs::path(installDir_));
    prompt_.asked = 0;
    shown_.clear();
    ServeManifest(
        "<File><Name>tarsklogin.exe</Name><Url>@SERVER@/-/status/404/</Url><Dir></Dir>"
        "<MD5>00000000000000000000000000000000</MD5><Length>1000</Length></File>");
    InstallEngine::Instance().SetUpdateServer(*c.server ? c.server : server_.c_str());
    if (c.launcherBefore) {
      PlaceLauncher();
      ASSERT_TRUE(WriteInstallRecord(installDir_));
      ASSERT_TRUE(RegisterInstallation(installDir_));
    }

    const bool finishPageDue = RunToFinish();

    EXPECT_EQ(1, prompt_.asked.load());
    EXPECT_EQ(c.launcherBefore, finishPageDue);
    EXPECT_EQ(c.launcherBefore, Registered());
    EXPECT_EQ(c.launcherBefore, FileExists(installDir_));
    if (c.launcherBefore) {
      EXPECT_EQ(310u, ReadFileBytes(installDir_ + L"\\install.dat").size());
      EXPECT_TRUE(UninstallEntryExists());
      EXPECT_EQ("an earlier client", ReadFileBytes(installDir_ + L"\\tarsklogin.exe"));
    }
  }
}

// Registration follows the run's outcome: a complete run registers and finishes even when its
// release holds no launcher.
TEST_F(InstallSessionTest, CompleteRunWithoutALauncherRegistersAndFinishes) {
  ServeManifest("");
  EXPECT_TRUE(RunToFinish());
  EXPECT_EQ(0, prompt_.asked.load());
  EXPECT_TRUE(Registered());
}

// An exception on one of the session's threads once ended the process through abort(): no
// message, and a silent install's exit code read as "another installer was running". Now the run
// fails as any failed run does: the failure message once, the log saying why, the finish posted.
TEST_F(InstallSessionTest, ThrowingThreadEndsTheRunAsAFailureWithItsMessage) {
  InstallSession* running = nullptr;
  const auto reportCheckDone = [&running] {
    EngineReport checked;
    checked.stage = kStageUpdateCheck;
    running->OnEngineProgress(checked);
  };
  struct Case {
    const char* description;
    InstallSession::EngineSteps steps;
    const char* logged;
  };
  const Case kCases[] = {
      {"the update check throws",
       {[] { throw std::runtime_error("check"); }, nullptr},
       "internal error: the update check ended with an exception; the run fails"},
      {"the install run throws",
       {reportCheckDone, [](const std::wstring&) { throw std::bad_alloc(); }},
       "internal error: the install run ended with an exception; the run fails"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    prompt_.asked = 0;
    RecordingRunLog log;
    auto session = std::make_unique<InstallSession>(
        installDir_, [this] { ::SetEvent(wake_.Get()); }, prompt_, c.steps);
    running = session.get();
    session->Start();
    bool finished = false;
    while (!finished && ::WaitForSingleObject(wake_.Get(), 30000) == WAIT_OBJECT_0)
      finished = session->mailbox().Take().finished;
    ASSERT_TRUE(finished) << "no finish in 30 s";
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    while (session->Running() && ::GetTickCount64() < deadline)
      ::Sleep(5);
    ASSERT_FALSE(session->Running());
    EXPECT_FALSE(session->FinishPageDue());
    EXPECT_EQ(1, prompt_.asked.load());
    EXPECT_NE(std::string::npos, log.Text().find(c.logged)) << log.Text();
    EXPECT_FALSE(Registered());
  }
}

}  // namespace
