#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/archive/archive_format.h"

namespace archive {

// Reads what a package archive holds: its format, found by probing the handlers unless the
// caller chooses it, and its item paths and sizes, read once on demand.
class ArchiveReader {
 public:
  ArchiveReader() = default;
  virtual ~ArchiveReader() = default;
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Stores the archive's path; always true.
  virtual bool SetPath(const std::wstring& path);
  // Probes the format unless the caller chose it, then opens the archive and reads the item
  // count, paths and sizes; true when both steps succeeded.
  virtual bool LoadInfo();
  // Fixes the format: later loads skip the probe.
  virtual void ChooseFormat(ArchiveFormat format);
  // The format, loading the archive's information first when nothing has decided it yet.
  virtual ArchiveFormat Format();
  // A compression level; stored only, extraction does not use it.
  virtual void ChooseLevel(int level);
  virtual int Level() const;
  // Tries the handlers on the file, the current format first, then 7z, lzma86, lzma, cab and
  // zip; the first that opens it becomes the format (kNone when none does). True when one did.
  virtual bool ProbeFormat();
  // The item information, loaded on first use.
  virtual uint32_t ItemCount();
  virtual std::vector<std::wstring> ItemNames();
  virtual std::vector<uint64_t> ItemSizes();

 protected:
  // The formats a probe tries, in order: the current format first, then the fixed order.
  std::vector<ArchiveFormat> ProbeCandidates() const;

  bool infoLoaded_ = false;
  bool formatChosen_ = false;
  std::wstring path_;
  ArchiveFormat format_ = ArchiveFormat::kSevenZip;
  int level_ = 0;
  uint32_t itemCount_ = 0;
  std::vector<std::wstring> itemPaths_;
  std::vector<uint64_t> itemSizes_;

 private:
  bool ReadItems();
};

}  // namespace archive
