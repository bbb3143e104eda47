#include "engine/archive/file_streams.h"

#include <shlwapi.h>

namespace archive::detail {

namespace {

HRESULT SeekFile(IStream* file, Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  ULARGE_INTEGER position{};
  // STREAM_SEEK_SET/CUR/END have the values of 7-Zip's seek origins.
  const HRESULT result = file->Seek(move, seekOrigin, &position);
  if (newPosition != nullptr)
    *newPosition = position.QuadPart;
  return result;
}

}  // namespace

STDMETHODIMP FileInStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  ULONG read = 0;
  HRESULT result = file_->Read(data, size, &read);
  if (processedSize != nullptr)
    *processedSize = read;
  // The shell stream answers S_FALSE for a short read at the end; 7-Zip expects S_OK there.
  return result == S_FALSE ? S_OK : result;
}

STDMETHODIMP FileInStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

STDMETHODIMP FileInStream::GetSize(UInt64* size) noexcept {
  STATSTG status{};
  const HRESULT result = file_->Stat(&status, STATFLAG_NONAME);
  if (result == S_OK && size != nullptr)
    *size = status.cbSize.QuadPart;
  return result;
}

STDMETHODIMP FileOutStream::Write(const void* data, UInt32 size, UInt32* processedSize) noexcept {
  ULONG written = 0;
  HRESULT result = file_->Write(data, size, &written);
  if (processedSize != nullptr)
    *processedSize = written;
  return result;
}

STDMETHODIMP FileOutStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

STDMETHODIMP FileOutStream::SetSize(UInt64 newSize) noexcept {
  ULARGE_INTEGER size;
  size.QuadPart = newSize;
  return file_->SetSize(size);
}

HRESULT OpenFileInStream(const std::wstring& path, base::ComPtr<IInStream>& stream) {
  stream.Reset();
  base::ComPtr<IStream> file;
  HRESULT result = ::SHCreateStreamOnFileEx(path.c_str(), STGM_READ, FILE_ATTRIBUTE_NORMAL, FALSE,
                                            nullptr, file.Receive());
  if (result != S_OK)
    return result;
  FileInStream* adapter = new (std::nothrow) FileInStream(file.Get());
  if (adapter == nullptr)
    return E_OUTOFMEMORY;
  stream.Reset(adapter);
  return S_OK;
}

}  // namespace archive::detail
