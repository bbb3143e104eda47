#include "ui/core/skin_package.h"

#include <algorithm>
#include <cstring>

namespace ui {

SkinPackage::~SkinPackage() = default;

std::unique_ptr<SkinPackage> SkinPackage::FromFile(base::ScopedHandle file, uint64_t size) {
  std::unique_ptr<SkinPackage> package(new SkinPackage());
  package->file_ = std::move(file);
  package->size_ = size;
  return package;
}

std::unique_ptr<SkinPackage> SkinPackage::FromMemory(const void* data, size_t size) {
  std::unique_ptr<SkinPackage> package(new SkinPackage());
  package->memory_ = static_cast<const uint8_t*>(data);
  package->size_ = data ? size : 0;
  return package;
}

bool SkinPackage::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  if (offset > size_ || count > size_ - offset)
    return false;
  if (count == 0)
    return true;
  if (memory_) {
    std::memcpy(buffer, memory_ + offset, count);
    return true;
  }
  if (!file_.IsValid())
    return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!::ReadFile(file_.Get(), out, chunk, &read, &position) || read != chunk)
      return false;
    out += read;
    offset += read;
    count -= read;
  }
  return true;
}

}  // namespace ui
