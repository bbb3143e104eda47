#include "engine/package_download.h"

#include <cstdio>

#include "base/exception_barrier.h"
#include "base/scoped_file.h"
#include "engine/install_engine.h"
#include "engine/text_convert.h"
#include "engine/transfer.h"

int DownloadToFile(const std::wstring& url, const std::wstring& localPath) {
  if (url.empty() || localPath.empty())
    return -1;
  std::string ansiUrl = WideToAnsi(url.c_str());
  // Opened through the UTF-16 path: install folders outside the ANSI code page still work.
  base::ScopedFile file(_wfopen(localPath.c_str(), L"wb+"));
  if (!file)
    return -1;
  return PerformTransfer(ansiUrl, &WriteToFile, file.get());
}

// Both callbacks run inside libcurl, which cannot pass an exception on: one thrown by the
// progress handler or by an allocation becomes a short count, on which libcurl ends the transfer
// with CURLE_WRITE_ERROR.
size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return base::CatchAllOr<size_t>(0, [&]() -> size_t {
    if (!file)
      return 0;
    size_t written = std::fwrite(data, size, count, static_cast<FILE*>(file));
    InstallEngine& engine = InstallEngine::Instance();
    engine.downloadedBytes += static_cast<int>(written);
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

int InstallEngine::DownloadFile(const std::wstring& url,
                                const std::wstring& localPath,
                                const std::wstring& fileName) {
  resultCode = 0;
  stage = kStagePackageDownload;
  currentFile = fileName;
  int result = DownloadToFile(url, localPath);
  if (result != 0)
    resultCode = result;
  ReportProgress(WideToAnsi(currentFile.c_str()));
  return resultCode;
}
