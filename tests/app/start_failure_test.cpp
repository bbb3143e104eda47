#include "app/start_failure.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace {

// The temporary folder (GetTempPathW reads TMP first) pointed at a folder of the test's own while
// it lives: installers started by other tests write their start records to the prefix's own.
class OwnTemporaryFolder {
 public:
  OwnTemporaryFolder() : saved_(EnvironmentValue(L"TMP")) {
    ::SetEnvironmentVariableW(L"TMP", (folder_.path() + L"\\").c_str());
  }
  ~OwnTemporaryFolder() {
    ::SetEnvironmentVariableW(L"TMP", saved_.empty() ? nullptr : saved_.c_str());
  }
  const std::wstring& path() const { return folder_.path(); }

 private:
  TempFolder folder_;
  std::wstring saved_;
};

// The reason of a start that failed once went nowhere: a GUI program's standard error is lost.
TEST(StartFailureTest, AppendsTheReasonAsAUtf8LineInTheTemporaryFolder) {
  OwnTemporaryFolder temporary;
  const std::wstring path = StartFailureLogPath();
  ASSERT_EQ(temporary.path() + L"\\Quenby-install-start.log", path);
  const std::wstring reason =
      L"测试: CreateWindowExW failed, error " + std::to_wstring(::GetTickCount());
  RecordStartFailure(reason);
  RecordStartFailure(L"a second line");

  const std::string text = ReadFileBytes(path);
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, reason.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes - 1, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, reason.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  const size_t at = text.rfind(utf8);
  ASSERT_NE(std::string::npos, at);
  EXPECT_EQ("\r\n", text.substr(at + utf8.size(), 2));
  EXPECT_NE(std::string::npos, text.find("[pid " + std::to_string(::GetCurrentProcessId()) + "]"));
  EXPECT_EQ(text.size() - std::string("a second line\r\n").size(), text.rfind("a second line"));
}

}  // namespace
