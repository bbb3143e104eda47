#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive/extract_observer.h"

namespace archive {

// Told the path of each unpacked item and the share of the package done so far, in percent.
// Its result is ignored.
using PercentFn = int (*)(const std::wstring& itemPath, int percent);

// The installer's extraction observer: agrees to every item once the room check (if any) passed,
// and after each item adds its size to the unpacked total, prints the running and announced totals
// and reports the percentage.
class UnpackProgress : public ExtractObserver {
 public:
  explicit UnpackProgress(PercentFn percentFn, UnpackGuards guards = {})
      : percentFn(percentFn), guards(std::move(guards)) {}

  bool WantItemList(uint32_t count) override;
  bool ApproveItems(const std::vector<std::wstring>& paths,
                    const std::vector<uint64_t>& sizes) override;
  void TotalKnown(const std::wstring& path, uint64_t bytes) override;
  void RatioInfo(uint64_t inBytes, uint64_t outBytes) override;
  void ItemExtracted(const std::wstring& path, uint64_t bytes) override;
  void ExtractionDone(const std::wstring& path) override;
  bool ItemStarting(const std::wstring& folder, std::wstring& relativePath) override;
  bool ItemFinishing(const std::wstring& path, uint64_t bytes) override;
  const FolderHold* Folders() const override {
    return guards.holdFolder ? &guards.holdFolder : nullptr;
  }

  PercentFn percentFn;
  UnpackGuards guards;
  // The room check refused the items: nothing was written.
  bool refusedForRoom = false;
  uint64_t completedBytes = 0;
  uint64_t totalBytesToUnpack = 0;
};

}  // namespace archive
