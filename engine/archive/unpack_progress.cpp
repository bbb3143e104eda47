#include "engine/archive/unpack_progress.h"

#include <string>

#include "engine/archive/diagnostics.h"

namespace archive {

bool UnpackProgress::WantItemList(uint32_t) {
  return true;
}

bool UnpackProgress::ApproveItems(const std::vector<std::wstring>&,
                                  const std::vector<uint64_t>& sizes) {
  if (!guards.roomFor)
    return true;
  uint64_t unpacked = 0;
  for (const uint64_t size : sizes)
    unpacked += size;
  refusedForRoom = !guards.roomFor(unpacked);
  return !refusedForRoom;
}

void UnpackProgress::TotalKnown(const std::wstring&, uint64_t bytes) {
  totalBytesToUnpack = bytes;
}

void UnpackProgress::RatioInfo(uint64_t, uint64_t) {}

void UnpackProgress::ItemExtracted(const std::wstring& path, uint64_t bytes) {
  completedBytes += bytes;
  detail::WriteOutputLine(std::to_string(completedBytes) + "      " +
                          std::to_string(totalBytesToUnpack));
  // A package of empty files announces a total of 0: everything there is has been unpacked.
  const uint64_t percent =
      totalBytesToUnpack == 0 ? 100 : completedBytes * 100 / totalBytesToUnpack;
  if (percentFn != nullptr)
    percentFn(path, static_cast<int>(percent));
}

void UnpackProgress::ExtractionDone(const std::wstring&) {}

bool UnpackProgress::ItemStarting(const std::wstring&, std::wstring&) {
  return true;
}

bool UnpackProgress::ItemFinishing(const std::wstring&, uint64_t) {
  return true;
}

}  // namespace archive
