#include "engine/archive/memory_in_stream.h"

#include <algorithm>
#include <cstring>

namespace archive::detail {

STDMETHODIMP MemoryInStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  // A position past the end (a seek may put it there) reads nothing, as a file would.
  const size_t available = position_ < size_ ? size_ - position_ : 0;
  const size_t count = std::min<size_t>(size, available);
  if (count > 0)
    std::memcpy(data, data_ + position_, count);
  position_ += count;
  if (processedSize != nullptr)
    *processedSize = static_cast<UInt32>(count);
  return S_OK;
}

STDMETHODIMP MemoryInStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
  Int64 base = 0;
  switch (seekOrigin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<Int64>(position_);
      break;
    case STREAM_SEEK_END:
      base = static_cast<Int64>(size_);
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  if (offset < -base)
    return HRESULT_WIN32_ERROR_NEGATIVE_SEEK;
  position_ = static_cast<size_t>(base + offset);
  if (newPosition != nullptr)
    *newPosition = position_;
  return S_OK;
}

STDMETHODIMP MemoryInStream::GetSize(UInt64* size) noexcept {
  if (size != nullptr)
    *size = size_;
  return S_OK;
}

}  // namespace archive::detail
