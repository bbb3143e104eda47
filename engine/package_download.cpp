#include "engine/package_download.h"

#include <curl/curl.h>

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/exception_barrier.h"
#include "base/scoped_file.h"
#include "engine/address_escape.h"
#include "engine/install_engine.h"
#include "engine/text_convert.h"
#include "engine/transfer.h"

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
  // Opened through the UTF-16 path: install folders outside the ANSI code page still work.
  base::ScopedFile file(_wfopen(localPath.c_str(), resumeFrom > 0 ? L"ab" : L"wb+"));
  if (!file)
    return -1;
  lastWriteError = 0;
  int result =
      PerformTransfer(address, &WriteToFile, file.get(), resumeFrom, &outcome, expectedBytes,
                      maxBytes);
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
      engine.ReportProgress(WideToAnsi(engine.currentFile.c_str()));
    return written;
  });
}

size_t AppendToString(char* data, size_t size, size_t count, void* text) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
  });
}
