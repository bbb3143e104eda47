#include "engine/install_engine.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "engine/common/text_convert.h"
#include "engine/manifest/manifest_keys.h"
#include "engine/transfer/package_fetcher.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_retry.h"
#include "engine/user_prompt.h"

#ifndef QUENBY_UPDATE_BASE_URL
#error "QUENBY_UPDATE_BASE_URL must name the update server"
#endif

InstallEngine::InstallEngine()
    : updateServer_(Utf8ToWide(QUENBY_UPDATE_BASE_URL)),
      manifestNotBefore_(kManifestNotBefore),
      prompt_(&SystemUserPrompt()),
      retryWait_([](int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }),
      // Differs between installers started in the same second: the jitter's whole point.
      jitterState_(::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ 0x9E3779B9u),
      parallelTransfers_(kParallelTransfers) {
  SetManifestKeys(kPinnedManifestKeys);
}

void InstallEngine::UseDefaultRetryWait() {
  retryWait_ = [](int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); };
  sleepsBeforeRetry_ = true;
}

bool InstallEngine::WaitBeforeRetry(int retry, int result, const TransferOutcome& outcome) {
  const int delay = RetryDelay(retry, result, outcome);
  if (delay < 0)
    return false;
  retryWait_(delay);
  return true;
}

int InstallEngine::RetryDelay(int retry, int result, const TransferOutcome& outcome) {
  if (result == 0 || retry >= kTransferRetries || !IsTransientFailure(result, outcome.httpStatus))
    return -1;
  return RetryDelayMilliseconds(retry + 1, outcome.retryAfterSeconds, RetryJitter());
}

double InstallEngine::RetryJitter() {
  // xorshift32: good enough to spread waits apart.
  std::lock_guard<std::mutex> lock(jitterMutex_);
  jitterState_ ^= jitterState_ << 13;
  jitterState_ ^= jitterState_ >> 17;
  jitterState_ ^= jitterState_ << 5;
  return static_cast<double>(jitterState_ >> 8) / static_cast<double>(1u << 24);
}

InstallEngine& InstallEngine::Instance() {
  // Never destroyed: a detached install thread may still be inside a transfer when the process
  // exits, and its callbacks must not meet a destroyed engine.
  static InstallEngine* const engine = new InstallEngine;
  return *engine;
}

void InstallEngine::SetCallbacks(const ProgressHandler& progress,
                                 const CompletionHandler& completion) {
  onProgress = progress;
  onReport = nullptr;
  onComplete = completion;
}

void InstallEngine::SetCallbacks(const ReportHandler& report, const CompletionHandler& completion) {
  onReport = report;
  onProgress = nullptr;
  onComplete = completion;
}

void InstallEngine::CountReceived(long long bytes) {
  SetReceived(ReceivedBytes() + bytes);
}

long long InstallEngine::ReceivedBytes() {
  // downloadedBytes is a public field: a caller that set it restarts the count from there.
  if (downloadedBytes != std::clamp(receivedBytes_, 0LL, static_cast<long long>(INT_MAX)))
    receivedBytes_ = downloadedBytes;
  return receivedBytes_;
}

void InstallEngine::SetReceived(long long bytes) {
  receivedBytes_ = bytes;
  downloadedBytes = static_cast<int>(std::clamp(bytes, 0LL, static_cast<long long>(INT_MAX)));
}

void InstallEngine::ReportProgress() {
  const std::wstring& fileName = stage == kStagePackageDownload ? currentFile : std::wstring();
  if (onReport) {
    onReport({stage, resultCode, totalBytes, downloadedBytes, startTime, fileName});
    return;
  }
  // The contract's narrow name: a character the ANSI code page lacks comes out as "?".
  onProgress(stage, resultCode, totalBytes, downloadedBytes, startTime,
             WideToAnsi(fileName.c_str()));
}
