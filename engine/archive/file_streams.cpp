#include "engine/archive/file_streams.h"

#include <new>

namespace archive::detail {

namespace {

HRESULT LastErrorResult() {
  const DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HRESULT SeekFile(HANDLE file, Int64 offset, UInt32 seekOrigin, UInt64* newPosition) {
  // FILE_BEGIN/CURRENT/END have the values of 7-Zip's seek origins.
  if (seekOrigin > FILE_END)
    return STG_E_INVALIDFUNCTION;
  LARGE_INTEGER move;
  move.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(file, move, &position, seekOrigin))
    return LastErrorResult();
  if (newPosition != nullptr)
    *newPosition = static_cast<UInt64>(position.QuadPart);
  return S_OK;
}

}  // namespace

STDMETHODIMP FileInStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file_.Get(), data, size, &read, nullptr);
  if (processedSize != nullptr)
    *processedSize = read;
  return ok ? S_OK : LastErrorResult();
}

STDMETHODIMP FileInStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

STDMETHODIMP FileInStream::GetSize(UInt64* size) noexcept {
  LARGE_INTEGER fileSize{};
  if (!::GetFileSizeEx(file_.Get(), &fileSize))
    return LastErrorResult();
  if (size != nullptr)
    *size = static_cast<UInt64>(fileSize.QuadPart);
  return S_OK;
}

STDMETHODIMP FileOutStream::Write(const void* data, UInt32 size, UInt32* processedSize) noexcept {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file_.Get(), data, size, &written, nullptr);
  if (processedSize != nullptr)
    *processedSize = written;
  return ok ? S_OK : LastErrorResult();
}

STDMETHODIMP FileOutStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
  return SeekFile(file_.Get(), offset, seekOrigin, newPosition);
}

STDMETHODIMP FileOutStream::SetSize(UInt64 newSize) noexcept {
  UInt64 position = 0;
  HRESULT result = SeekFile(file_.Get(), 0, FILE_CURRENT, &position);
  if (result != S_OK)
    return result;
  result = SeekFile(file_.Get(), static_cast<Int64>(newSize), FILE_BEGIN, nullptr);
  if (result != S_OK)
    return result;
  if (!::SetEndOfFile(file_.Get()))
    return LastErrorResult();
  return SeekFile(file_.Get(), static_cast<Int64>(position), FILE_BEGIN, nullptr);
}

HRESULT FileOutStream::Flush() {
  return ::FlushFileBuffers(file_.Get()) ? S_OK : LastErrorResult();
}

bool FileOutStream::SetTimes(const FILETIME* creation,
                             const FILETIME* access,
                             const FILETIME* modification) {
  return ::SetFileTime(file_.Get(), creation, access, modification) != FALSE;
}

HRESULT OpenFileInStream(const std::wstring& path, base::ComPtr<IInStream>& stream) {
  stream.Reset();
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return LastErrorResult();
  FileInStream* adapter = new (std::nothrow) FileInStream(std::move(file));
  if (adapter == nullptr)
    return E_OUTOFMEMORY;
  stream.Reset(adapter);
  return S_OK;
}

}  // namespace archive::detail
