#include "app/run_log_file.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "app/run_log_folder.h"
#include "base/token_elevation.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(text.size(), start) << "the last line has no line end";
  return lines;
}

TEST(RunLogFileTest, WritesTimestampedUtf8LinesAndAppendsToAnEarlierLog) {
  TempFolder folder;
  const std::wstring path = folder / L"run.log";
  {
    RunLogFile log(path);
    ASSERT_TRUE(log.IsOpen());
    log.Write("first");
    log.Printf("file %s: %d bytes", "res\\\xE7\x9A\xAE\xE8\x82\xA4.dat", 42);
  }
  RunLogFile(path).Write("second run");

  const std::string text = ReadFileBytes(path);
  ASSERT_EQ("\xEF\xBB\xBF", text.substr(0, 3)) << "UTF-8 byte order mark, once";
  const std::vector<std::string> lines = Lines(text.substr(3));
  ASSERT_EQ(3u, lines.size());
  const std::string kExpected[] = {"first", "file res\\\xE7\x9A\xAE\xE8\x82\xA4.dat: 42 bytes",
                                   "second run"};
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    // "yyyy-mm-dd hh:mm:ss.mmm "
    ASSERT_GT(lines[i].size(), 24u);
    EXPECT_EQ('-', lines[i][4]);
    EXPECT_EQ(':', lines[i][13]);
    EXPECT_EQ('.', lines[i][19]);
    EXPECT_EQ(kExpected[i], lines[i].substr(24));
  }
}

// The engine's two threads write at once: every line arrives whole.
TEST(RunLogFileTest, LinesFromSeveralThreadsStayWhole) {
  TempFolder folder;
  const std::wstring path = folder / L"threads.log";
  {
    RunLogFile log(path);
    std::vector<std::thread> writers;
    for (char id = 'a'; id < 'e'; ++id) {
      writers.emplace_back([&log, id] {
        for (int i = 0; i < 200; ++i)
          log.Write(std::string(100, id));
      });
    }
    for (std::thread& writer : writers)
      writer.join();
  }
  const std::vector<std::string> lines = Lines(ReadFileBytes(path).substr(3));
  ASSERT_EQ(800u, lines.size());
  for (const std::string& line : lines)
    EXPECT_EQ(std::string(100, line.back()), line.substr(24));
}

// A log that cannot be opened loses its lines; the caller goes on. A name that leads to another
// file (a hard link planted where the log goes) is no log: nothing is written through it.
TEST(RunLogFileTest, LogThatCannotBeOpenedDropsItsLines) {
  TempFolder folder;
  RunLogFile log(folder / L"no such folder\\run.log");
  EXPECT_FALSE(log.IsOpen());
  log.Printf("line %d", 1);
  EXPECT_FALSE(FileExists(folder / L"no such folder\\run.log"));

  ASSERT_TRUE(WriteFileBytes(folder / L"victim.dat", "system data"));
  ASSERT_TRUE(::CreateHardLinkW((folder / L"planted.log").c_str(), (folder / L"victim.dat").c_str(),
                                nullptr));
  RunLogFile planted(folder / L"planted.log");
  EXPECT_FALSE(planted.IsOpen());
  planted.Write("through the link");
  EXPECT_EQ("system data", ReadFileBytes(folder / L"victim.dat"));
}

TEST(RunLogFolderTest, NamesAndRecognisesRunLogs) {
  SYSTEMTIME time = {};
  time.wYear = 2024;
  time.wMonth = 3;
  time.wDay = 7;
  time.wHour = 9;
  time.wMinute = 5;
  time.wSecond = 1;
  EXPECT_EQ(L"Quenby-install-20240307-090501.log", RunLogName(time));

  struct Case {
    const wchar_t* name;
    bool runLog;
  };
  const Case kCases[] = {
      {L"Quenby-install-20240307-090501.log", true},
      {L"QUENBY-INSTALL-20240307-090501.LOG", true},
      {L"Quenby-install-20240307-090501.log.txt", false},
      {L"Quenby-install-2024030-0905011.log", false},
      {L"Quenby-install-20240307-09050.log", false},
      {L"Quenby-install-2024O307-090501.log", false},
      {L"Quenby-install-latest.log", false},
      {L"Other-install-20240307-090501.log", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.name);
    EXPECT_EQ(c.runLog, IsRunLogName(c.name));
  }
}

// Only the newest logs stay, by the time in their names (not the order the files were made in),
// and nothing else in the folder is touched.
TEST(RunLogFolderTest, RemovesRunLogsBeyondTheNewestKept) {
  TempFolder folder;
  std::vector<std::wstring> logs;
  for (int day = 1; day <= 14; ++day) {
    SYSTEMTIME time = {};
    time.wYear = 2024;
    time.wMonth = 5;
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(23 - day);
    logs.push_back(RunLogName(time));
  }
  // Made newest first, so that no file time could stand in for the name's.
  for (auto log = logs.rbegin(); log != logs.rend(); ++log)
    ASSERT_TRUE(WriteFileBytes(folder / *log, "x"));
  const wchar_t* kOthers[] = {L"Quenby-install-notes.log", L"other.log",
                              L"Quenby-install-20000101-000000.log.bak"};
  for (const wchar_t* other : kOthers)
    ASSERT_TRUE(WriteFileBytes(folder / other, "x"));
  // Named as an old log, but a second name of a file elsewhere, and a folder: neither is removed.
  const std::wstring victim = folder / L"victim.dat";
  ASSERT_TRUE(WriteFileBytes(victim, "x"));
  const std::wstring linked = folder / L"Quenby-install-19990101-000000.log";
  ASSERT_TRUE(::CreateHardLinkW(linked.c_str(), victim.c_str(), nullptr));
  const std::wstring folderNamedAsLog = folder / L"Quenby-install-19990101-000001.log";
  ASSERT_TRUE(::CreateDirectoryW(folderNamedAsLog.c_str(), nullptr));

  RemoveOldRunLogs(folder.path() + L"\\", kRunLogsKept);

  for (size_t i = 0; i < logs.size(); ++i) {
    SCOPED_TRACE(testing::Message() << logs[i]);
    EXPECT_EQ(i >= logs.size() - kRunLogsKept, FileExists(folder / logs[i]));
  }
  for (const wchar_t* other : kOthers)
    EXPECT_TRUE(FileExists(folder / other)) << other;
  EXPECT_TRUE(FileExists(linked));
  EXPECT_TRUE(FileExists(victim));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(folderNamedAsLog.c_str()));
}

TEST(RunLogFolderTest, ElevatedInstallerLogsWhereOnlyAdministratorsWrite) {
  struct Case {
    TOKEN_ELEVATION_TYPE elevation;
    LogPlace place;
  };
  const Case kCases[] = {
      {TokenElevationTypeFull, LogPlace::kProtectedFolder},
      {TokenElevationTypeDefault, LogPlace::kTemporaryFolder},
      {TokenElevationTypeLimited, LogPlace::kTemporaryFolder},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "elevation type " << c.elevation);
    EXPECT_EQ(c.place, ChooseLogPlace(c.elevation));
  }
}

// Wine's token is an elevated one of a split pair: the logs go to ProgramData's folder of the
// installer, never to %TEMP%, which every program of the user controls.
TEST(RunLogFolderTest, LogsLandInTheProtectedFolderWhenElevated) {
  if (base::ProcessElevationType() != TokenElevationTypeFull)
    GTEST_SKIP() << "this process is not elevated with a split token";
  TempFolder temporary;
  const std::wstring savedTmp = EnvironmentValue(L"TMP");
  ::SetEnvironmentVariableW(L"TMP", temporary.path().c_str());
  const std::wstring folder = RunLogFolder();
  ::SetEnvironmentVariableW(L"TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());

  wchar_t programData[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(
      ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, programData)));
  EXPECT_EQ(std::wstring(programData) + L"\\Quenby\\logs\\", folder);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // Held without delete sharing for the process's life: it cannot be renamed under the logs.
  const std::wstring moved = std::wstring(programData) + L"\\Quenby\\logs-moved";
  const std::wstring held = folder.substr(0, folder.size() - 1);
  EXPECT_FALSE(::MoveFileW(held.c_str(), moved.c_str()));
  ::MoveFileW(moved.c_str(), held.c_str());
}

}  // namespace
