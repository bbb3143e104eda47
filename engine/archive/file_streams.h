#pragma once

#include <string>

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "engine/archive/interface_ids.h"

namespace archive::detail {

// Reads an archive file for a handler: IInStream and IStreamGetSize over a read-only shell file
// stream, which it owns.
class FileInStream final : public base::ComObject<IInStream, IStreamGetSize> {
 public:
  explicit FileInStream(IStream* file) : file_(file) {}

  STDMETHODIMP Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
  STDMETHODIMP GetSize(UInt64* size) noexcept override;

 private:
  base::ComPtr<IStream> file_;
};

// Receives an item's contents: IOutStream over a writable shell file stream, which it owns; the
// file is closed when the last reference goes.
class FileOutStream final : public base::ComObject<IOutStream> {
 public:
  explicit FileOutStream(IStream* file) : file_(file) {}

  STDMETHODIMP Write(const void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
  STDMETHODIMP SetSize(UInt64 newSize) noexcept override;

 private:
  base::ComPtr<IStream> file_;
};

// Opens `path` read-only (existing files only) as a FileInStream.
HRESULT OpenFileInStream(const std::wstring& path, base::ComPtr<IInStream>& stream);

}  // namespace archive::detail
