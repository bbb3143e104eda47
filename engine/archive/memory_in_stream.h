#pragma once

#include <windows.h>

#include <cstddef>

#include "base/com_object.h"
#include "engine/archive/interface_ids.h"

namespace archive::detail {

// Reads an archive that is already in memory for a handler: IInStream and IStreamGetSize over
// bytes it does not own, which must outlive every reference to the stream. A package received
// into memory is unpacked from there without a round trip through a file.
class MemoryInStream final : public base::ComObject<IInStream, IStreamGetSize> {
 public:
  MemoryInStream(const void* data, size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}

  STDMETHODIMP Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
  STDMETHODIMP GetSize(UInt64* size) noexcept override;

 private:
  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace archive::detail
