#include "app/start_failure.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace {

std::string Utf8(const std::wstring& text) {
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes - 1, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

// The reason of a start that failed once went nowhere: a GUI program's standard error is lost.
TEST(StartFailureTest, AppendsTheReasonAsAUtf8Line) {
  TempFolder folder;
  const std::wstring path = folder / L"Quenby-install-start.log";
  const std::wstring reason = L"测试: CreateWindowExW failed, error 1400";
  ASSERT_TRUE(AppendStartFailure(path, reason));
  ASSERT_TRUE(AppendStartFailure(path, L"a second line"));

  const std::string text = ReadFileBytes(path);
  const size_t at = text.find(Utf8(reason));
  ASSERT_NE(std::string::npos, at);
  EXPECT_EQ("\r\n", text.substr(at + Utf8(reason).size(), 2));
  EXPECT_NE(std::string::npos, text.find("[pid " + std::to_string(::GetCurrentProcessId()) + "]"));
  EXPECT_EQ(text.size() - std::string("a second line\r\n").size(), text.rfind("a second line"));
}

// A record past 64 KiB was once made anew by name (CREATE_ALWAYS), following whatever the name
// led to: a name planted as a hard link to another file emptied that file. The record is emptied
// through its own handle now, and a name with a second link is not written at all.
TEST(StartFailureTest, EmptiesOnlyTheRecordItselfWhenItIsTooLong) {
  TempFolder folder;
  const std::wstring path = folder / L"Quenby-install-start.log";
  const std::string long_record(65 * 1024 + 1, 'x');
  ASSERT_TRUE(WriteFileBytes(path, long_record));
  ASSERT_TRUE(AppendStartFailure(path, L"after the bound"));
  const std::string text = ReadFileBytes(path);
  EXPECT_LT(text.size(), 100u);
  EXPECT_NE(std::string::npos, text.find("after the bound\r\n"));

  const std::wstring victim = folder / L"victim.dat";
  const std::wstring planted = folder / L"planted.log";
  ASSERT_TRUE(WriteFileBytes(victim, long_record));
  ASSERT_TRUE(::CreateHardLinkW(planted.c_str(), victim.c_str(), nullptr));
  EXPECT_FALSE(AppendStartFailure(planted, L"through the link"));
  EXPECT_EQ(long_record, ReadFileBytes(victim));
}

}  // namespace
