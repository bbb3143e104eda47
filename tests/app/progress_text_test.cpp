#include "app/progress_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int kStart = 1700000000;

struct Case {
  const char* description;
  int totalBytes;
  int downloadedBytes;
  int startTime;
  int now;
  int percent;
  const wchar_t* percentText;
  const wchar_t* tipText;
};

const Case kCases[] = {
    {"a fifth of 50 MiB in ten seconds", 52428800, 10485760, kStart, kStart + 10, 20, L"20%",
     L"软件大小:52MB,已下载:10MB,网速:1MB/s,剩余:40秒"},
    {"a report in the start second has no speed", 52428800, 10485760, kStart, kStart, 20, L"20%",
     L"软件大小:52MB,已下载:10MB,网速:0B/s,剩余:-秒"},
    {"one byte below 1001000 is still counted in KB", 52428800, 1000999, kStart, kStart + 1000, 1,
     L"1%", L"软件大小:52MB,已下载:1000KB,网速:1000B/s,剩余:51427秒"},
    {"1001000 bytes are counted in MB", 52428800, 1001000, kStart, kStart + 1000, 1, L"1%",
     L"软件大小:52MB,已下载:1MB,网速:1KB/s,剩余:51376秒"},
    {"exactly 1000 B/s stays in B/s", 10000, 1000, kStart, kStart + 1, 10, L"10%",
     L"软件大小:0MB,已下载:1KB,网速:1000B/s,剩余:9秒"},
    {"1001 B/s is shown in KB/s", 10010, 1001, kStart, kStart + 1, 10, L"10%",
     L"软件大小:0MB,已下载:1KB,网速:1KB/s,剩余:9秒"},
    {"exactly 1000000 B/s stays in KB/s", 10000000, 1000000, kStart, kStart + 1, 10, L"10%",
     L"软件大小:10MB,已下载:1000KB,网速:1000KB/s,剩余:9秒"},
    {"1000001 B/s is shown in MB/s", 10000010, 1000001, kStart, kStart + 1, 10, L"10%",
     L"软件大小:10MB,已下载:1000KB,网速:1MB/s,剩余:9秒"},
    {"no total: no percentage, size 0MB", 0, 5000, kStart, kStart + 5, 0, L"0%",
     L"软件大小:0MB,已下载:5KB,网速:1000B/s,剩余:-5秒"},
    {"more arrived than announced: over 100% and a negative remaining time", 1000000, 1040000,
     kStart, kStart + 1000, 104, L"104%", L"软件大小:1MB,已下载:1MB,网速:1KB/s,剩余:-38秒"},
    {"the remaining time stays in seconds, however long", 100000000, 1000000, kStart, kStart + 100,
     1, L"1%", L"软件大小:100MB,已下载:1000KB,网速:10KB/s,剩余:9900秒"},
    {"a clock set back gives a negative speed in B/s and no remaining time", 52428800, 1000, kStart,
     kStart - 5, 0, L"0%", L"软件大小:52MB,已下载:1KB,网速:-200B/s,剩余:-秒"},
    {"a negative total keeps its sign in MB and gives no percentage", -2000000, 0, kStart,
     kStart + 1, 0, L"0%", L"软件大小:-2MB,已下载:0KB,网速:0B/s,剩余:-秒"},
    {"the percentage of a tiny total stops at the int limit", 1, INT_MAX, kStart, kStart + 1,
     INT_MAX, L"2147483647%", L"软件大小:0MB,已下载:2147MB,网速:2147MB/s,剩余:0秒"},
    {"elapsed time counts across the wrap of the clock's low 32 bits", 10000, 5000, INT_MAX - 2,
     INT_MIN + 2, 50, L"50%", L"软件大小:0MB,已下载:5KB,网速:1000B/s,剩余:5秒"},
    {"the lowest counts divide without overflow", INT_MAX, INT_MIN, kStart, kStart - 1, -100,
     L"-100%", L"软件大小:2147MB,已下载:-2147483KB,网速:2147MB/s,剩余:1秒"},
};

TEST(ProgressTextsTest, ComposesPercentageAndTipFromReport) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    ProgressReport report;
    report.totalBytes = c.totalBytes;
    report.downloadedBytes = c.downloadedBytes;
    report.startTime = c.startTime;
    report.now = c.now;
    report.fileName = L"QuenbyClient.dll";
    const ProgressTexts texts = ComposeProgressTexts(report, L"C:\\Quenby");
    EXPECT_EQ(c.percent, texts.percent);
    EXPECT_EQ(c.percentText, texts.percentText);
    EXPECT_EQ(c.tipText, texts.tipText);
    EXPECT_EQ(L"安装目录：C:\\Quenby\\QuenbyClient.dll", texts.fileText);
  }
}

// Names reached the page through the ANSI code page, which showed a Korean name as "???".
TEST(ProgressTextsTest, FileLineShowsTheNameAsItIs) {
  for (const wchar_t* name : {L"皮肤.dat", L"한국어 #1.txt", L"\U0001F600.txt"}) {
    ProgressReport report;
    report.fileName = name;
    EXPECT_EQ(L"安装目录：D:\\Games\\velmora\\" + std::wstring(name),
              ComposeProgressTexts(report, L"D:\\Games\\velmora").fileText);
  }
}

TEST(ProgressTextsTest, FileLineIsCutAt518UnitsWithoutSplittingASurrogatePair) {
  ProgressReport report;
  report.fileName = L"a.dll";
  const std::wstring longFolder(600, L'x');
  EXPECT_EQ(518u, ComposeProgressTexts(report, longFolder).fileText.size());

  // The 518th unit would be the first half of U+1F600.
  const std::wstring prefix = L"安装目录：";
  std::wstring folder(517 - prefix.size(), L'y');
  folder += L"\U0001F600";
  const std::wstring text = ComposeProgressTexts(report, folder).fileText;
  EXPECT_EQ(517u, text.size());
  EXPECT_EQ(L'y', text.back());
}

}  // namespace
