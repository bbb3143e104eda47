#pragma once

#include <windows.h>

#include <string>

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "base/scoped_handle.h"
#include "engine/archive/interface_ids.h"

namespace archive::detail {

// Reads an archive file for a handler: IInStream and IStreamGetSize over a file handle, which it
// owns. Plain file handles, not the shell's file streams: under Wine each shell stream opened
// costs a round trip to the mount manager, which counts when a release has thousands of files.
class FileInStream final : public base::ComObject<IInStream, IStreamGetSize> {
 public:
  explicit FileInStream(base::ScopedHandle file) : file_(std::move(file)) {}

  STDMETHODIMP Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
  STDMETHODIMP GetSize(UInt64* size) noexcept override;

 private:
  base::ScopedHandle file_;
};

// Receives an item's contents: IOutStream over a writable file handle, which it owns; the file
// is closed when the last reference goes. SetTimes stamps the file through the same handle.
class FileOutStream final : public base::ComObject<IOutStream> {
 public:
  explicit FileOutStream(base::ScopedHandle file) : file_(std::move(file)) {}

  STDMETHODIMP Write(const void* data, UInt32 size, UInt32* processedSize) noexcept override;
  STDMETHODIMP Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
  STDMETHODIMP SetSize(UInt64 newSize) noexcept override;

  // Makes the system write what the file holds to the disk; the error of a failed write.
  HRESULT Flush();
  // Sets the given times (null ones stay as they are); false when the system refuses.
  bool SetTimes(const FILETIME* creation, const FILETIME* access, const FILETIME* modification);

 private:
  base::ScopedHandle file_;
};

// Opens `path` read-only (existing files only) as a FileInStream.
HRESULT OpenFileInStream(const std::wstring& path, base::ComPtr<IInStream>& stream);

}  // namespace archive::detail
