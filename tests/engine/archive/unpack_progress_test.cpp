#include "engine/archive/unpack_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace archive {
namespace {

std::vector<int> g_percents;

int RecordPercent(const std::wstring&, int percent) {
  g_percents.push_back(percent);
  return 0;
}

TEST(UnpackProgressTest, ReportsPercentOfAnnouncedTotal) {
  struct Case {
    const char* description;
    uint64_t total;
    std::vector<uint64_t> itemSizes;
    std::vector<int> percents;
  };
  const Case kCases[] = {
      {"two halves", 200, {100, 100}, {50, 100}},
      {"truncates", 3, {1, 1, 1}, {33, 66, 100}},
      {"beyond 32 bits", 0x300000000ull, {0x100000000ull, 0x200000000ull}, {33, 100}},
      {"empty files, total 0", 0, {0, 0}, {100, 100}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    g_percents.clear();
    UnpackProgress progress(&RecordPercent);
    progress.TotalKnown(L"", c.total);
    for (uint64_t size : c.itemSizes)
      progress.ItemExtracted(L"C:\\out\\item", size);
    EXPECT_EQ(g_percents, c.percents);
    EXPECT_EQ(progress.totalBytesToUnpack, c.total);
  }
}

TEST(UnpackProgressTest, PrintsRunningAndAnnouncedTotals) {
  UnpackProgress progress(nullptr);
  progress.TotalKnown(L"", 300);
  testing::internal::CaptureStdout();
  progress.ItemExtracted(L"C:\\out\\a", 100);
  progress.ItemExtracted(L"C:\\out\\b", 50);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "100      300\n150      300\n");
  EXPECT_EQ(progress.completedBytes, 150u);
}

}  // namespace
}  // namespace archive
