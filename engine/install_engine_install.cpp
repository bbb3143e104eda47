#include <windows.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <optional>

#include "base/folder_security.h"
#include "base/held_folders.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/install_engine.h"
#include "engine/install_run_log.h"
#include "engine/manifest/manifest_clock.h"
#include "engine/manifest/manifest_reader.h"
#include "engine/manifest/update_item.h"
#include "engine/package_download.h"
#include "engine/placement/file_placing.h"
#include "engine/placement/patch_placing.h"
#include "engine/placement/staging_area.h"
#include "engine/transfer/package_fetcher.h"
#include "engine/transfer/received_package.h"
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

// What staging the files from toFetch[from] on still needs on the volume: the file unpacked
// from the package at hand (unpackedBytes, 0 before any), and for each later one at least its
// package, which lands there before its file is unpacked. Before anything is received the
// largest package counts twice: it is on the disk while its file unpacks beside it.
long long SpaceNeeded(const std::vector<UpdateItem>& toFetch, size_t from, uint64_t unpackedBytes) {
  long long needed = static_cast<long long>(std::min<uint64_t>(unpackedBytes, LLONG_MAX / 2));
  int largest = 0;
  for (size_t index = from; index < toFetch.size(); ++index) {
    needed += std::max(toFetch[index].length, 0);
    largest = std::max(largest, toFetch[index].length);
  }
  return from == 0 && unpackedBytes == 0 ? needed + largest : needed;
}

bool IsMd5Hex(const std::string& digest) {
  return digest.size() == 32 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// How often a run waiting for a package reports what its transfers have received.
constexpr int kProgressIntervalMs = 100;

// Makes the item's folder when it is missing and holds every folder on its path below the install
// folder for the rest of the run; false when one of them is a link, which would take the
// elevated writes anywhere.
bool PrepareFolder(const UpdateItem& item, base::HeldFolders& folders) {
  if (folders.Hold(item.folder))
    return true;
  ActiveRunLog().Printf("folder %s: a junction or symbolic link, or it cannot be held",
                        WideToUtf8(folders.RefusedFolder()).c_str());
  return false;
}

// The item's name as the manifest places it: "Dir" followed by "Name".
std::wstring ManifestName(const UpdateItem& item, const std::wstring& installDir) {
  return item.targetPath.substr(std::min(item.targetPath.size(), installDir.size() + 1));
}

}  // namespace

void InstallEngine::Install(std::wstring installDir) {
  // Held until the completion has written what follows a complete run into the install folder.
  // A failed run lets go of them first: the completion removes the folders it left empty.
  std::optional<base::HeldFolders> folders(std::in_place);
  const RunOutcome outcome = RunInstall(installDir, *folders);
  LogRunEnd(outcome);
  if (!outcome.Complete()) {
    folders.reset();
    ReportFailure(outcome);
  }
  onComplete(outcome);
}

RunOutcome InstallEngine::RunInstall(const std::wstring& installDir, base::HeldFolders& folders) {
  RunOutcome outcome;
  totalBytes = 0;
  signingTimeKept_ = false;
  // A commit that a kill interrupted is finished before the client's files are compared.
  StagingArea staging(installDir, folders);
  if (::GetFileAttributesW((staging.Root() + L"\\journal").c_str()) != INVALID_FILE_ATTRIBUTES) {
    base::ProtectedFolderSecurity security;
    if (folders.HoldInstallFolder(installDir, security.Get()))
      staging.FinishInterruptedCommit();
  }
  ManifestContents manifest = ReadManifest(manifestText, installDir);
  std::vector<UpdateItem>& items = manifest.items;
  // MD5 only tells which files changed: a signed manifest vouches for a file's package only
  // through its SHA-256, so a file without one that is there is left as it is, and one that is
  // missing cannot be installed.
  std::wstring undigested;
  if (manifestSigned_) {
    for (const UpdateItem& item : items) {
      if (!item.sha256.empty())
        continue;
      if (::GetFileAttributesW(item.targetPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        manifest.unchanged.push_back(ManifestName(item, installDir));
      else if (undigested.empty())
        undigested = ManifestName(item, installDir);
    }
    if (undigested.empty())
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
  for (std::wstring& name : manifest.unchanged)
    outcome.files.push_back({std::move(name), FileOutcome::kUnchanged});

  // A list missing some of its files would leave a client that is no release.
  for (const std::wstring& name : manifest.refused)
    ActiveRunLog().Printf("manifest entry %s: refused for its name", WideToUtf8(name).c_str());
  if (!manifest.refused.empty() || !undigested.empty()) {
    outcome.failure =
        undigested.empty() ? FailureReason::kEntryRefused : FailureReason::kDigestMissing;
    outcome.failedFile = undigested.empty() ? manifest.refused.front() : undigested;
    for (const UpdateItem& item : items)
      outcome.files.push_back({ManifestName(item, installDir), FileOutcome::kNotReached});
    return outcome;
  }
  // Before anything is written: the install folder and every folder above it is no link, and
  // stays so while the run holds them.
  base::ProtectedFolderSecurity security;
  if (!folders.HoldInstallFolder(installDir, security.Get())) {
    ActiveRunLog().Printf("install folder: %s is a junction or symbolic link, or cannot be held",
                          WideToUtf8(folders.RefusedFolder()).c_str());
    outcome.failure = FailureReason::kInstallFolderLink;
    outcome.failedFile = folders.RefusedFolder();
    outcome.code = kErrorReparsePointEncountered;
    for (const UpdateItem& item : items)
      outcome.files.push_back({ManifestName(item, installDir), FileOutcome::kNotReached});
    return outcome;
  }

  StageAndCommit(installDir, items, staging, folders, outcome);
  return outcome;
}

void InstallEngine::StageAndCommit(const std::wstring& installDir,
                                   const std::vector<UpdateItem>& items,
                                   StagingArea& staging,
                                   base::HeldFolders& folders,
                                   RunOutcome& outcome) {
  // Every file is made ready in the staging folder first; files an earlier run staged and that
  // are still whole are not fetched again. A file with a patch from its installed version is
  // made from that patch.
  std::vector<bool> staged(items.size());
  std::vector<StagingStep> steps;
  const bool stagingLeft = ::GetFileAttributesW(staging.Root().c_str()) != INVALID_FILE_ATTRIBUTES;
  for (size_t index = 0; index < items.size(); ++index) {
    staged[index] = stagingLeft && staging.HoldsStaged(items[index]);
    if (staged[index])
      continue;
    StagingStep step{staging.Staged(items[index]), index, false, items[index].targetPath};
    const PatchSource* patch = items[index].PatchForInstalledFile();
    if (patch && IsMd5Hex(items[index].md5)) {
      step.fetch.url = patch->url;
      step.fetch.length = patch->length;
      step.fetch.sha256 = patch->sha256;
      step.fetch.sha256Malformed = false;
      step.patch = true;
    }
    steps.push_back(std::move(step));
  }
  long long fetchSum = 0;
  for (const StagingStep& step : steps)
    fetchSum = std::clamp(fetchSum + step.fetch.length, 0LL, static_cast<long long>(INT_MAX));
  totalBytes = static_cast<int>(fetchSum);
  receivedBefore_ = 0;
  // Patches that could not serve give way to their full packages, fetched once the others are
  // staged; the total grows by what they add.
  while (!steps.empty() && outcome.Complete()) {
    std::vector<StagingStep> fallbacks =
        StageFiles(installDir, steps, staging, folders, outcome, staged);
    for (StagingStep& fallback : fallbacks) {
      fallback = {staging.Staged(items[fallback.item]), fallback.item, false, {}};
      fetchSum = std::clamp(fetchSum + fallback.fetch.length, 0LL, static_cast<long long>(INT_MAX));
    }
    totalBytes = static_cast<int>(fetchSum);
    steps = std::move(fallbacks);
  }
  if (outcome.Complete() && items.empty()) {
    // Nothing to install: what an earlier run left staged is of no use.
    staging.Remove();
  } else if (outcome.Complete()) {
    const StagingArea::CommitResult committed = staging.Commit(
        items,
        [this](const std::wstring& path, const std::vector<std::wstring>& programs) {
          LogFileInUse(path, programs);
          return prompt_->AskToRetryFileInUse(path, programs);
        },
        [this] { KeepSigningTimeBeforeFirstPlacement(); });
    if (!committed.placed.Placed()) {
      outcome.failure = committed.placed.failure;
      outcome.code = committed.placed.code;
      outcome.failedFile = committed.failedFile;
    }
  }
  if (!outcome.Complete())
    staging.RemoveEmptyFolders();
  // All or nothing: every file is placed, or none is; what was staged waits for the next run.
  for (size_t index = 0; index < items.size(); ++index) {
    const std::wstring name = ManifestName(items[index], installDir);
    FileOutcome result = FileOutcome::kNotReached;
    if (outcome.Complete())
      result = FileOutcome::kPlaced;
    else if (name == outcome.failedFile)
      result = FileOutcome::kFailed;
    else if (staged[index])
      result = FileOutcome::kStaged;
    outcome.files.push_back({name, result});
  }
}

std::vector<InstallEngine::StagingStep> InstallEngine::StageFiles(
    const std::wstring& installDir,
    const std::vector<StagingStep>& steps,
    StagingArea& staging,
    base::HeldFolders& folders,
    RunOutcome& outcome,
    std::vector<bool>& staged) {
  std::vector<StagingStep> patchesThatFailed;
  std::vector<UpdateItem> toFetch;
  std::vector<bool> patches;
  for (const StagingStep& step : steps) {
    toFetch.push_back(step.fetch);
    patches.push_back(step.patch);
  }
  const long long freeBytes = FreeBytes(installDir);
  const long long bytesNeeded = SpaceNeeded(toFetch, 0, 0);
  if (freeBytes >= 0 && freeBytes < bytesNeeded) {
    outcome.failure = FailureReason::kNotEnoughSpace;
    outcome.code = freeBytes;
    outcome.bytesNeeded = bytesNeeded;
    return patchesThatFailed;
  }
  // Transfers run on the fetcher's thread ahead of staging, which stays on this thread in
  // manifest order; so do the progress reports.
  PackageFetcher fetcher(
      toFetch, parallelTransfers_,
      [&folders](const UpdateItem& item) { return PrepareFolder(item, folders); },
      [this](int retry, int result, const TransferOutcome& last) {
        return RetryDelay(retry, result, last);
      },
      sleepsBeforeRetry_ ? PackageFetcher::RetryWait() : retryWait_, patches);
  for (size_t next = 0; next < steps.size(); ++next) {
    const StagingStep& step = steps[next];
    const ULONGLONG started = ::GetTickCount64();
    downloadTries_ = 0;
    // Before a package is unpacked, the volume must hold its files and at least the packages
    // still to come.
    const archive::RoomCheck roomToUnpack = [&, next](uint64_t unpackedBytes) {
      const long long needed = SpaceNeeded(toFetch, next + 1, unpackedBytes);
      const long long free = FreeBytes(installDir);
      if (free < 0 || free >= needed)
        return true;
      outcome.code = free;
      outcome.bytesNeeded = needed;
      return false;
    };
    std::string whyPatchFailed;
    const PlaceResult placed =
        staging.Prepare(step.fetch)
            ? FetchAndPlace(step, next, folders, fetcher, roomToUnpack, whyPatchFailed)
            : PlaceResult{FailureReason::kLinkInPath, kErrorReparsePointEncountered};
    const std::wstring name = ManifestName(step.fetch, staging.Root() + L"\\files");
    LogFileEnd(name, step.fetch.length, placed.failure, downloadTries_,
               ::GetTickCount64() - started);
    staged[step.item] = placed.Placed();
    if (placed.Placed())
      continue;
    // A patch that cannot serve costs its full package, unless the same fault would stop that
    // too.
    if (step.patch && placed.failure != FailureReason::kLinkInPath &&
        placed.failure != FailureReason::kDiskFull &&
        placed.failure != FailureReason::kNotEnoughSpace) {
      ActiveRunLog().Printf("file %s: the patch cannot serve (%s); the full package follows",
                            WideToUtf8(name).c_str(), whyPatchFailed.c_str());
      patchesThatFailed.push_back(step);
      continue;
    }
    outcome.failure = placed.failure;
    if (placed.failure != FailureReason::kNotEnoughSpace)
      outcome.code = placed.code;
    outcome.failedFile = name;
    break;
  }
  // Transfers of files after a failure end here; what they received goes with them.
  fetcher.Stop();
  receivedBefore_ += fetcher.ReceivedBytes();
  return patchesThatFailed;
}

PlaceResult InstallEngine::FetchAndPlace(const StagingStep& step,
                                         size_t index,
                                         base::HeldFolders& folders,
                                         PackageFetcher& fetcher,
                                         const archive::RoomCheck& roomToUnpack,
                                         std::string& whyPatchFailed) {
  const UpdateItem& item = step.fetch;
  if (!PrepareFolder(item, folders))
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
    // A patch that did not arrive gives way to its full package: the other transfers go on.
    if (step.patch) {
      whyPatchFailed = "its transfer failed";
      fetcher.Placed(index);
      return {FailureReason::kDownloadFailed, resultCode};
    }
    // Nothing after this file will be placed: the other transfers end before anything else.
    fetcher.Stop();
    const unsigned long writeError = fetched.outcome.writeError;
    if (writeError == kErrorReparsePointEncountered)
      return {FailureReason::kLinkInPath, kErrorReparsePointEncountered};
    // What was received of a package the disk could not take goes with its temporary file.
    if (IsDiskFull(writeError))
      return {FailureReason::kDiskFull, static_cast<long long>(writeError)};
    // What was received of the package stays as temp.pak in the staging folder.
    if (fetched.package.Size() > 0)
      fetched.package.KeepAs(item.folder + L"temp.pak");
    return {FailureReason::kDownloadFailed, resultCode};
  }
  // The end of the file's transfer: the count of the report before, once more.
  ReportProgress();
  // The file goes into the staging folder, where no program holds it.
  PlaceHooks hooks;
  hooks.holdFolder = [&folders](const std::wstring& folder) { return folders.Hold(folder); };
  hooks.roomToUnpack = roomToUnpack;
  const PlaceResult placed = step.patch
                                 ? PlacePatchedFile(item, std::move(fetched.package),
                                                    step.installed, hooks, whyPatchFailed)
                                 : PlaceReceivedFile(item, std::move(fetched.package), hooks);
  fetcher.Placed(index);
  return placed;
}

void InstallEngine::ReportReceived(const PackageFetcher& fetcher) {
  const long long shown = std::clamp(receivedBefore_ + fetcher.ReceivedBytes(), 0LL,
                                     static_cast<long long>(std::max(totalBytes, 0)));
  if (shown <= downloadedBytes)
    return;
  SetReceived(shown);
  ReportProgress();
}

void InstallEngine::KeepSigningTimeBeforeFirstPlacement() {
  // From the first file placed on, no manifest signed before this one is taken: a kill part way
  // through cannot reopen the door to the older release. A run that places nothing keeps
  // nothing.
  if (!manifestSigned_ || signingTimeKept_ || signingTimeKey_.empty())
    return;
  signingTimeKept_ = true;
  if (!KeepManifestSigningTime(signingTimeKey_, manifestSignedAt_, manifestDigest_))
    ActiveRunLog().Write("the manifest's signing time could not be kept");
}

void InstallEngine::ReportFailure(const RunOutcome& outcome) {
  if (outcome.failure == FailureReason::kNotEnoughSpace) {
    prompt_->TellNotEnoughSpace(outcome.bytesNeeded, outcome.code);
    return;
  }
  if (outcome.failure == FailureReason::kManifestFromTheFuture) {
    prompt_->TellClockIsWrong();
    return;
  }
  if (prompt_->AskToVisitHomepage())
    prompt_->OpenWebPage(QUENBY_HOMEPAGE_URL);
}
