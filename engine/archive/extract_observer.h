#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace archive {

// Makes (when missing) and checks a folder that an item is about to be written into or that a
// folder item names; false when it is a link or cannot be made, which refuses the item.
using FolderHold = std::function<bool(const std::wstring& folder)>;

// Asked once, before anything is written, with the sum of the item sizes the archive lists;
// false refuses the extraction for want of room.
using RoomCheck = std::function<bool(uint64_t unpackedBytes)>;

// What the caller adds to an extraction; each may be left empty.
struct UnpackGuards {
  FolderHold holdFolder;
  RoomCheck roomFor;
};

// Receives the events of one ArchiveExtractor::ExtractTo run, on the thread that runs it. Paths
// are UTF-16; a false answer where one is asked for stops the extraction.
class ExtractObserver {
 public:
  virtual ~ExtractObserver() = default;

  // The archive opened with `count` items; true asks for the item list (ApproveItems).
  virtual bool WantItemList(uint32_t count) = 0;
  // The full item list; false ends the run before anything is written, with result 0.
  virtual bool ApproveItems(const std::vector<std::wstring>& paths,
                            const std::vector<uint64_t>& sizes) = 0;
  // The handler announced the total unpacked size; `path` is the current item's target, usually
  // empty at that point.
  virtual void TotalKnown(const std::wstring& path, uint64_t bytes) = 0;
  // Packed and unpacked byte counts from the decoder (0 when the decoder does not know one).
  virtual void RatioInfo(uint64_t inBytes, uint64_t outBytes) = 0;
  // An item was written and closed at `path`.
  virtual void ItemExtracted(const std::wstring& path, uint64_t bytes) = 0;
  // The run ended (with the archive path), or an item ended without a target (with the
  // destination folder).
  virtual void ExtractionDone(const std::wstring& path) = 0;
  // A file item is about to be created under `folder`; the observer may change `relativePath`.
  // False aborts the extraction.
  virtual bool ItemStarting(const std::wstring& folder, std::wstring& relativePath) = 0;
  // An item was written to `path`, before ItemExtracted; false aborts the extraction.
  virtual bool ItemFinishing(const std::wstring& path, uint64_t bytes) = 0;
  // Who makes and checks the folders items go into; none: the extractor makes them itself.
  virtual const FolderHold* Folders() const { return nullptr; }
};

}  // namespace archive
