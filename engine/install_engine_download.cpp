#include <curl/curl.h>

#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/install_engine.h"
#include "engine/install_run_log.h"
#include "engine/package_download.h"
#include "engine/transfer/transfer.h"

int InstallEngine::DownloadFile(const std::wstring& url,
                                const std::wstring& localPath,
                                const std::wstring& fileName,
                                long long expectedBytes,
                                long long maxBytes) {
  resultCode = 0;
  stage = kStagePackageDownload;
  currentFile = fileName;
  TransferOutcome last;
  int result = DownloadWithRetries(url, localPath, expectedBytes, maxBytes, last);
  if (result != 0) {
    resultCode = result;
    LogDownloadFailure(url, downloadTries_, result, last);
  }
  ReportProgress();
  return resultCode;
}

int InstallEngine::DownloadWithRetries(const std::wstring& url,
                                       const std::wstring& localPath,
                                       long long expectedBytes,
                                       long long maxBytes,
                                       TransferOutcome& last) {
  // Bytes of this file in localPath: written by earlier attempts and counted in the run's total
  // once. A retry asks for the rest only; when the server cannot send a rest, the file starts
  // again from nothing and those bytes are taken back out of the total.
  long long fileBytes = 0;
  for (int retry = 0;; ++retry) {
    TransferOutcome outcome;
    const long long countedBefore = ReceivedBytes();
    int result = DownloadToFile(url, localPath, fileBytes, outcome, expectedBytes, maxBytes);
    fileBytes += ReceivedBytes() - countedBefore;
    if (result == CURLE_RANGE_ERROR || (fileBytes > 0 && outcome.httpStatus == 416)) {
      SetReceived(ReceivedBytes() - fileBytes);
      fileBytes = 0;
      const long long restartCounted = ReceivedBytes();
      result = DownloadToFile(url, localPath, 0, outcome, expectedBytes, maxBytes);
      fileBytes = ReceivedBytes() - restartCounted;
    }
    if (!WaitBeforeRetry(retry, result, outcome)) {
      last = outcome;
      downloadTries_ = retry + 1;
      return result;
    }
  }
}
