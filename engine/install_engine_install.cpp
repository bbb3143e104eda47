#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "base/folder_chain.h"
#include "engine/file_placing.h"
#include "engine/install_engine.h"
#include "engine/install_run_log.h"
#include "engine/manifest_clock.h"
#include "engine/manifest_reader.h"
#include "engine/package_download.h"
#include "engine/package_fetcher.h"
#include "engine/received_package.h"
#include "engine/text_convert.h"
#include "engine/update_item.h"
#include "engine/user_prompt.h"

#ifndef QUENBY_HOMEPAGE_URL
#error "QUENBY_HOMEPAGE_URL must name the product's homepage"
#endif

namespace {

// Bytes the caller may still write on the volume of folder; -1 when the system cannot tell.
long long FreeBytes(const std::wstring& folder) {
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW((folder + L"\\").c_str(), &available, nullptr, nullptr))
    return -1;
  return static_cast<long long>(std::min<ULONGLONG>(available.QuadPart, LLONG_MAX));
}

// What the run will write at most: each package, and beside it the file it unpacks to (a
// package holds its file compressed or stored, so not more than about its own size again).
long long SpaceNeeded(const std::vector<UpdateItem>& items) {
  long long packages = 0;
  for (const UpdateItem& item : items)
    packages += std::max(item.length, 0);
  return 2 * packages;
}

// How often a run waiting for a package reports what its transfers have received.
constexpr int kProgressIntervalMs = 100;

// Creates the item's folder when it is missing and checks that no folder on its path below the
// install folder is a link; false when one is. verifiedFolders holds the folders found free of
// links so far.
bool PrepareFolder(const UpdateItem& item,
                   const std::wstring& installDir,
                   std::unordered_set<std::wstring>& verifiedFolders) {
  if (!::PathFileExistsW(item.folder.c_str()))
    base::CreateFolderChain(item.folder);
  // A junction planted below the install folder would take the elevated writes anywhere.
  if (verifiedFolders.count(item.folder) == 0) {
    if (!base::FirstReparsePointBelow(installDir, item.folder).empty())
      return false;
    verifiedFolders.insert(item.folder);
  }
  return true;
}

// The item's name as the manifest places it: "Dir" followed by "Name".
std::wstring ManifestName(const UpdateItem& item, const std::wstring& installDir) {
  return item.targetPath.substr(std::min(item.targetPath.size(), installDir.size() + 1));
}

}  // namespace

void InstallEngine::Install(std::wstring installDir) {
  const RunOutcome outcome = RunInstall(installDir);
  LogRunEnd(outcome);
  if (!outcome.Complete())
    ReportFailure(outcome);
  onComplete(outcome);
}

RunOutcome InstallEngine::RunInstall(const std::wstring& installDir) {
  RunOutcome outcome;
  totalBytes = 0;
  ManifestContents manifest = ReadManifest(manifestText, installDir);
  std::vector<UpdateItem>& items = manifest.items;
  // MD5 only tells which files changed: a signed manifest vouches for a file's package only
  // through its SHA-256, and a file without one is left as it is.
  if (manifestSigned_) {
    for (const UpdateItem& item : items) {
      if (item.sha256.empty())
        manifest.unchanged.push_back(ManifestName(item, installDir));
    }
    std::erase_if(items, [](const UpdateItem& item) { return item.sha256.empty(); });
  }
  // Each length is already within the int range; their sum is kept there as well.
  long long sum = 0;
  for (const UpdateItem& item : items)
    sum = std::clamp(sum + item.length, static_cast<long long>(INT_MIN),
                     static_cast<long long>(INT_MAX));
  totalBytes = static_cast<int>(sum);
  SetReceived(0);
  startTime = static_cast<int>(std::time(nullptr));

  if (!manifest.readable) {
    // A manifest that was refused or never arrived is the check's failure; anything else that
    // reads as no update list is unreadable.
    outcome.failure = manifestFailure_ != FailureReason::kNone ? manifestFailure_
                                                               : FailureReason::kManifestUnreadable;
    outcome.code = manifestFailure_ != FailureReason::kNone ? manifestFailureCode_ : 0;
    return outcome;
  }
  // From now on no manifest signed before this one is taken: a kill part way through cannot
  // reopen the door to the older release.
  if (manifestSigned_)
    KeepManifestSigningTime(signingTimeKey_, manifestSignedAt_);
  for (std::wstring& name : manifest.unchanged)
    outcome.files.push_back({std::move(name), FileOutcome::kUnchanged});

  size_t next = 0;
  const long long freeBytes = items.empty() ? -1 : FreeBytes(installDir);
  const long long bytesNeeded = SpaceNeeded(items);
  if (freeBytes >= 0 && freeBytes < bytesNeeded) {
    outcome.failure = FailureReason::kNotEnoughSpace;
    outcome.code = freeBytes;
    outcome.bytesNeeded = bytesNeeded;
  } else {
    // Transfers run on the fetcher's threads ahead of placement, which stays on this thread in
    // manifest order; so do the progress reports.
    std::unordered_set<std::wstring> fetcherFolders;
    PackageFetcher fetcher(
        items, parallelTransfers_,
        [&](const UpdateItem& item) { return PrepareFolder(item, installDir, fetcherFolders); },
        [this](int retry, int result, const TransferOutcome& last) {
          return RetryDelay(retry, result, last);
        },
        sleepsBeforeRetry_ ? PackageFetcher::RetryWait() : retryWait_);
    std::unordered_set<std::wstring> verifiedFolders;
    for (; next < items.size(); ++next) {
      const ULONGLONG started = ::GetTickCount64();
      downloadTries_ = 0;
      const PlaceResult placed =
          FetchAndPlace(items[next], next, installDir, verifiedFolders, fetcher);
      const std::wstring name = ManifestName(items[next], installDir);
      LogFileEnd(name, items[next].length, placed.failure, downloadTries_,
                 ::GetTickCount64() - started);
      if (!placed.Placed()) {
        outcome.failure = placed.failure;
        outcome.code = placed.code;
        outcome.failedFile = name;
        outcome.files.push_back({name, FileOutcome::kFailed});
        ++next;
        break;
      }
      outcome.files.push_back({name, FileOutcome::kPlaced});
    }
    // Transfers of files after a failure end here; what they received goes with them.
    fetcher.Stop();
  }
  for (; next < items.size(); ++next)
    outcome.files.push_back({ManifestName(items[next], installDir), FileOutcome::kNotReached});
  return outcome;
}

PlaceResult InstallEngine::FetchAndPlace(const UpdateItem& item,
                                         size_t index,
                                         const std::wstring& installDir,
                                         std::unordered_set<std::wstring>& verifiedFolders,
                                         PackageFetcher& fetcher) {
  if (!PrepareFolder(item, installDir, verifiedFolders))
    return {FailureReason::kLinkInPath, kErrorReparsePointEncountered};
  // A digest that cannot be one cannot vouch for anything: nothing was fetched for it.
  if (item.sha256Malformed)
    return {FailureReason::kDigestMismatch, 0};
  resultCode = 0;
  stage = kStagePackageDownload;
  currentFile = item.name;
  while (!fetcher.WaitFor(index, kProgressIntervalMs))
    ReportReceived(fetcher);
  FetchedPackage fetched = fetcher.Take(index);
  ReportReceived(fetcher);
  downloadTries_ = fetched.tries;
  if (fetched.result != 0) {
    resultCode = fetched.result;
    LogDownloadFailure(item.url, fetched.tries, fetched.result, fetched.outcome);
    ReportProgress();
    // Nothing after this file will be placed: the other transfers end before anything else.
    fetcher.Stop();
    const unsigned long writeError = fetched.outcome.writeError;
    if (writeError == kErrorReparsePointEncountered)
      return {FailureReason::kLinkInPath, kErrorReparsePointEncountered};
    // What was received of a package the disk could not take goes with its temporary file.
    if (IsDiskFull(writeError))
      return {FailureReason::kDiskFull, static_cast<long long>(writeError)};
    // The partly received package stays as temp.pak; files replaced earlier in the run stay
    // replaced.
    fetched.package.KeepAs(item.folder + L"temp.pak");
    return {FailureReason::kDownloadFailed, resultCode};
  }
  // The end of the file's transfer: the count of the report before, once more.
  ReportProgress();
  const PlaceResult placed = PlaceReceivedFile(
      item, std::move(fetched.package),
      [this](const std::wstring& path, const std::vector<std::wstring>& programs) {
        LogFileInUse(path, programs);
        return prompt_->AskToRetryFileInUse(path, programs);
      });
  fetcher.Placed(index);
  return placed;
}

void InstallEngine::ReportReceived(const PackageFetcher& fetcher) {
  const long long shown =
      std::clamp(fetcher.ReceivedBytes(), 0LL, static_cast<long long>(std::max(totalBytes, 0)));
  if (shown <= downloadedBytes)
    return;
  SetReceived(shown);
  ReportProgress();
}

void InstallEngine::ReportFailure(const RunOutcome& outcome) {
  if (outcome.failure == FailureReason::kNotEnoughSpace) {
    prompt_->TellNotEnoughSpace(outcome.bytesNeeded, outcome.code);
    return;
  }
  if (prompt_->AskToVisitHomepage())
    prompt_->OpenWebPage(QUENBY_HOMEPAGE_URL);
}
