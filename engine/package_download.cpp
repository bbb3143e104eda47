#include "engine/package_download.h"

#include <curl/curl.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/exception_barrier.h"
#include "base/scoped_file.h"
#include "engine/common/address_escape.h"
#include "engine/common/text_convert.h"
#include "engine/install_engine.h"
#include "engine/transfer/transfer.h"

namespace {

// The Windows error of the last failed write of this thread's transfer; 0 when none failed.
thread_local unsigned long lastWriteError = 0;

void RecordWriteError() {
  // The C runtime keeps the system's error of its failed write in _doserrno; a full disk is
  // also told by errno.
  lastWriteError = errno == ENOSPC ? ERROR_DISK_FULL : static_cast<unsigned long>(_doserrno);
  if (lastWriteError == 0)
    lastWriteError = ERROR_WRITE_FAULT;
}

// Opens the package file for writing without following a link at its place: a new one is
// created (what was there, a link included, is removed first), one to resume must be a plain
// file. Opened through the UTF-16 path: install folders outside the ANSI code page still work.
base::ScopedFile OpenPackageFile(const std::wstring& path, bool resume) {
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (resume) {
    handle = ::CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING, kFlags,
                           nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    if (handle != INVALID_HANDLE_VALUE) {
      const bool read = ::GetFileInformationByHandle(handle, &information);
      const DWORD readError = ::GetLastError();
      if (!read || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::CloseHandle(handle);
        lastWriteError = read ? kErrorReparsePointEncountered : readError;
        return nullptr;
      }
    }
  } else {
    // The common case, no package left, costs one call. A link in the package's place is
    // refused, not removed: some systems (Wine) remove what a file link points at.
    handle =
        ::CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ, nullptr, CREATE_NEW, kFlags, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) {
      const DWORD attributes = ::GetFileAttributesW(path.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        lastWriteError = kErrorReparsePointEncountered;
        return nullptr;
      }
      if (::DeleteFileW(path.c_str()))
        handle = ::CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ, nullptr, CREATE_NEW, kFlags,
                               nullptr);
    }
  }
  if (handle == INVALID_HANDLE_VALUE)
    return nullptr;
  const int descriptor =
      _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (resume ? _O_APPEND : 0));
  if (descriptor == -1) {
    ::CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, resume ? "ab" : "wb+");
  if (file == nullptr)
    _close(descriptor);
  return base::ScopedFile(file);
}

}  // namespace

int DownloadToFile(const std::wstring& url, const std::wstring& localPath) {
  TransferOutcome ignored;
  return DownloadToFile(url, localPath, 0, ignored);
}

int DownloadToFile(const std::wstring& url,
                   const std::wstring& localPath,
                   long long resumeFrom,
                   TransferOutcome& outcome,
                   long long expectedBytes,
                   long long maxBytes) {
  if (url.empty() || localPath.empty())
    return -1;
  const std::string address = EscapeAddress(WideToUtf8(url));
  lastWriteError = 0;
  base::ScopedFile file = OpenPackageFile(localPath, resumeFrom > 0);
  if (!file) {
    outcome.writeError = lastWriteError;
    return -1;
  }
  int result = PerformTransfer(address, &WriteToFile, file.get(), resumeFrom, &outcome,
                               expectedBytes, maxBytes);
  // The runtime's buffer still holds the last bytes: a disk that cannot take them fails the
  // transfer, as a failed write inside it does.
  if (result == 0 && std::fflush(file.get()) != 0) {
    RecordWriteError();
    result = CURLE_WRITE_ERROR;
  }
  outcome.writeError = lastWriteError;
  return result;
}

// Both callbacks run inside libcurl, which cannot pass an exception on: one thrown by the
// progress handler or by an allocation becomes a short count, on which libcurl ends the transfer
// with CURLE_WRITE_ERROR.
size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    if (!file)
      return 0;
    size_t written = std::fwrite(data, size, count, static_cast<FILE*>(file));
    if (written != count)
      RecordWriteError();
    InstallEngine& engine = InstallEngine::Instance();
    engine.CountReceived(static_cast<long long>(written));
    if (engine.stage == kStagePackageDownload)
      engine.ReportProgress();
    return written;
  });
}

size_t AppendToString(char* data, size_t size, size_t count, void* text) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
  });
}
