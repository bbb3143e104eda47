#include "app/launch.h"

#include <gtest/gtest.h>

#include "base/token_elevation.h"
#include "tests/app/app_test_support.h"
#include "tests/support/recording_run_log.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(LaunchCommandTest, JoinsFolderAndLauncherWithinTheLimit) {
  EXPECT_EQ(L"C:\\Program Files (x86)\\Cobalind\\velmora\\tarsklogin.exe",
            BuildLaunchCommand(L"C:\\Program Files (x86)\\Cobalind\\velmora", L"tarsklogin.exe"));

  struct Case {
    const char* description;
    std::wstring installDir;
    bool accepted;
  };
  // "\tarsklogin.exe" is 15 bytes; in code page 936 a Chinese character takes two.
  const Case kCases[] = {
      {"1023 bytes", L"C:\\" + std::wstring(1023 - 15 - 3, L'a'), true},
      {"1024 bytes", L"C:\\" + std::wstring(1024 - 15 - 3, L'a'), false},
      {"1023 bytes with two-byte characters", L"C:\\" + std::wstring(502, L'客') + L"a", true},
      {"1024 bytes in 521 units", L"C:\\" + std::wstring(503, L'客'), false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.accepted, BuildLaunchCommand(c.installDir, L"tarsklogin.exe").has_value());
  }
}

// An elevated installer once started the client with its own administrator's token: the client
// ran elevated, and so did whatever sat at the launcher's path. Only the elevated half of a split
// token goes through the desktop's shell; a token that is not split is the desktop user's own.
TEST(LaunchRouteTest, SplitElevatedTokenStartsThroughTheDesktopShell) {
  struct Case {
    TOKEN_ELEVATION_TYPE elevation;
    LaunchRoute route;
  };
  const Case kCases[] = {
      {TokenElevationTypeFull, LaunchRoute::kDesktopShell},
      {TokenElevationTypeDefault, LaunchRoute::kThisProcess},
      {TokenElevationTypeLimited, LaunchRoute::kThisProcess},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "elevation type " << c.elevation);
    EXPECT_EQ(c.route, ChooseLaunchRoute(c.elevation));
  }
}

// Starts the stand-in launcher and reads what it recorded.
class LaunchTest : public testing::Test {
 protected:
  TempFolder temp_;
};

// Under Wine the token is an elevated one of a split pair, and Wine's desktop answers: the
// client is started through it.
TEST_F(LaunchTest, StartsTheClientInTheInstallFolder) {
  RecordingRunLog log;
  for (const wchar_t* name : {L"velmora", L"Quenby 客户端",
                              // Hebrew has no form in code page 936: the UTF-16 start still works.
                              L"\u05E9\u05DC\u05D5\u05DD velmora"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
    const std::wstring installDir = temp_ / name;
    ASSERT_TRUE(::CreateDirectoryW(installDir.c_str(), nullptr));
    ASSERT_TRUE(CopyStandIn(L"tarsklogin.exe", installDir));

    EXPECT_EQ(LaunchOutcome::kStarted, LaunchClient(installDir, L"tarsklogin.exe"));
    LaunchRecord record;
    ASSERT_TRUE(ReadLaunchRecord(installDir, record));
    EXPECT_EQ(installDir, record.currentFolder);
    // Started without a command line, the program gets its own path as one: bare on Windows,
    // quoted by Wine.
    std::wstring commandLine = record.commandLine;
    if (commandLine.size() >= 2 && commandLine.front() == L'"' && commandLine.back() == L'"')
      commandLine = commandLine.substr(1, commandLine.size() - 2);
    EXPECT_EQ(installDir + L"\\tarsklogin.exe", commandLine);
  }
  if (base::ProcessElevationType() == TokenElevationTypeFull) {
    EXPECT_NE(std::string::npos, log.Text().find("client started through the desktop's shell"))
        << log.Text();
  }
}

TEST_F(LaunchTest, MissingClientIsReportedAfterTheRetry) {
  EXPECT_EQ(LaunchOutcome::kNotStarted, LaunchClient(temp_.path(), L"tarsklogin.exe"));
}

TEST_F(LaunchTest, OverlongCommandIsNotTried) {
  const std::wstring installDir = temp_ / std::wstring(1100, L'a');
  EXPECT_EQ(LaunchOutcome::kCommandTooLong, LaunchClient(installDir, L"tarsklogin.exe"));
}

}  // namespace
