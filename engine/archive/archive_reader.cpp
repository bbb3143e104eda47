#include "engine/archive/archive_reader.h"

#include <new>
#include <utility>

#include "engine/archive/file_streams.h"
#include "engine/archive/open_callback.h"
#include "engine/archive/seven_zip.h"

namespace archive {

namespace {

constexpr ArchiveFormat kProbeOrder[] = {ArchiveFormat::kSevenZip, ArchiveFormat::kLzma86,
                                         ArchiveFormat::kLzma, ArchiveFormat::kCab,
                                         ArchiveFormat::kZip};

}  // namespace

bool ArchiveReader::SetPath(const std::wstring& path) {
  path_ = path;
  return true;
}

bool ArchiveReader::LoadInfo() {
  bool probed = true;
  if (!formatChosen_)
    probed = ProbeFormat();
  const bool read = ReadItems();
  infoLoaded_ = probed && read;
  return infoLoaded_;
}

void ArchiveReader::ChooseFormat(ArchiveFormat format) {
  format_ = format;
  formatChosen_ = true;
  infoLoaded_ = false;
}

ArchiveFormat ArchiveReader::Format() {
  if (!infoLoaded_ && !formatChosen_)
    LoadInfo();
  return format_;
}

void ArchiveReader::ChooseLevel(int level) {
  level_ = level;
}

int ArchiveReader::Level() const {
  return level_;
}

std::vector<ArchiveFormat> ArchiveReader::ProbeCandidates() const {
  std::vector<ArchiveFormat> candidates;
  for (ArchiveFormat format : kProbeOrder) {
    if (format == format_)
      candidates.insert(candidates.begin(), format);
    else
      candidates.push_back(format);
  }
  return candidates;
}

bool ArchiveReader::ProbeFormat() {
  formatChosen_ = false;
  base::ComPtr<IInStream> stream;
  if (detail::OpenFileInStream(path_, stream) != S_OK)
    return false;
  base::ComPtr<IArchiveOpenCallback> openCallback(new (std::nothrow) detail::OpenCallback());
  if (!openCallback)
    return false;
  base::ComPtr<IInArchive> handler;
  ArchiveFormat found = ArchiveFormat::kNone;
  const bool opened = detail::OpenFirstAccepting(stream.Get(), ProbeCandidates(),
                                                 openCallback.Get(), handler, found);
  if (opened)
    handler->Close();
  format_ = found;
  return opened;
}

uint32_t ArchiveReader::ItemCount() {
  if (!infoLoaded_)
    LoadInfo();
  return itemCount_;
}

std::vector<std::wstring> ArchiveReader::ItemNames() {
  if (!infoLoaded_)
    LoadInfo();
  return itemPaths_;
}

std::vector<uint64_t> ArchiveReader::ItemSizes() {
  if (!infoLoaded_)
    LoadInfo();
  return itemSizes_;
}

bool ArchiveReader::ReadItems() {
  base::ComPtr<IInStream> stream;
  if (detail::OpenFileInStream(path_, stream) != S_OK)
    return false;
  base::ComPtr<IArchiveOpenCallback> openCallback(new (std::nothrow) detail::OpenCallback());
  base::ComPtr<IInArchive> handler;
  if (!openCallback || detail::CreateHandler(format_, handler) != S_OK)
    return false;
  if (handler->Open(stream.Get(), nullptr, openCallback.Get()) != S_OK)
    return false;
  detail::ScopedArchiveClose closer(handler.Get());
  std::vector<std::wstring> paths;
  std::vector<uint64_t> sizes;
  if (!detail::ReadItemList(handler.Get(), paths, sizes))
    return false;
  itemCount_ = static_cast<uint32_t>(paths.size());
  itemPaths_ = std::move(paths);
  itemSizes_ = std::move(sizes);
  return true;
}

}  // namespace archive
