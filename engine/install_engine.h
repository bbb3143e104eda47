#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/archive/extract_observer.h"
#include "engine/common/install_outcome.h"
#include "engine/engine_report.h"
#include "engine/manifest/minisign.h"
#include "engine/manifest/update_item.h"

namespace base {
class HeldFolders;
}
class PackageFetcher;
class StagingArea;
class UserPrompt;
struct PlaceResult;
struct TransferOutcome;

// Stage, result code, total bytes, downloaded bytes, start time, file name (ANSI code page: a
// character the code page lacks comes out as "?"; a ReportHandler gets the name as it is).
using ProgressHandler = std::function<void(int, int, int, int, int, const std::string&)>;
// Called once at the end of every install run with what the run came to.
using CompletionHandler = std::function<void(const RunOutcome&)>;

enum EngineStage {
  kStageUpdateCheck = 1,
  kStagePackageDownload = 2,
};

// CheckUpdate's results when the manifest arrived but is refused: the build's pinned keys did not
// sign it; its signature names no signing time; it was signed before the newest manifest this
// machine installed from or the oldest this build takes, or at the same time as the newest but is
// another manifest (a replayed older release); it was signed more than a day ahead of this
// machine's clock (the clock is wrong).
constexpr int kResultManifestNotSigned = -2;
constexpr int kResultManifestUndated = -3;
constexpr int kResultManifestRolledBack = -4;
constexpr int kResultManifestFromTheFuture = -5;

// The process-wide object the wizard drives to install the client: it fetches the update
// manifest, downloads and unpacks what is missing or out of date, and reports through the two
// registered callbacks on the calling threads. It owns no threads and takes no locks; the wizard
// calls CheckUpdate on one thread and, from the stage-1 report, Install on another.
// Its members live in install_engine.cpp (the object, callbacks, reports and retry waits),
// install_engine_check_update.cpp (the manifest, its signature and the keys),
// install_engine_download.cpp (one package with its retries) and install_engine_install.cpp
// (the run).
class InstallEngine {
 public:
  static InstallEngine& Instance();

  void SetCallbacks(const ProgressHandler& progress, const CompletionHandler& completion);
  // The same with typed reports that carry the file's name as it is; the six-argument handler,
  // and the ANSI name it takes, is then not called.
  void SetCallbacks(const ReportHandler& report, const CompletionHandler& completion);

  // Fetches the update manifest into manifestText and reports stage 1; returns resultCode.
  // When the build pins signing keys, the manifest's signature ("update.xml.minisig" beside it)
  // is fetched too and checked over the exact bytes received before anything reads them; a
  // manifest that none of the keys signed is dropped (manifestText stays empty), as one that could
  // not be fetched.
  int CheckUpdate();

  // The install run: downloads, unpacks and places every missing or out-of-date file of the
  // fetched manifest, then calls onComplete exactly once with the run's outcome.
  // Progress comes from the calling (placing) thread only, never from a transfer: while a
  // package is awaited, a stage-2 report at most every 100 ms and only when the received count
  // moved; one more when each file's package has arrived, and one with the result code when a
  // transfer failed. downloadedBytes only grows and never passes totalBytes. installDir has
  // no trailing backslash. The run stops at the first failure (a manifest that was refused or
  // cannot be read, too little free space, a failed download, a package that is not the one
  // named, cannot be unpacked or whose file cannot be put in place), leaves the files after it
  // untouched and tells the user once: the failure message with the homepage offer, or, when the
  // space check stops it before anything is downloaded, how much space is missing.
  void Install(std::wstring installDir);

  // One package transfer into localPath with stage-2 reports; returns resultCode. expectedBytes
  // is the package's size from the manifest when known (see PerformTransfer).
  // maxBytes, when not negative, is the most the package may hold (see PerformTransfer).
  int DownloadFile(const std::wstring& url,
                   const std::wstring& localPath,
                   const std::wstring& fileName,
                   long long expectedBytes = 0,
                   long long maxBytes = -1);

  // The base address of the update server (the part before "/checkupdate/"). The installer keeps
  // the build's default; developer tools and tests point it at another server.
  void SetUpdateServer(const std::wstring& baseAddress) { updateServer_ = baseAddress; }
  std::wstring UpdateManifestAddress() const;

  // How the engine waits before trying a failed transfer again (milliseconds); sleeps by
  // default (a run's transfer waits end early when the run stops). Tests record the waits
  // instead of sleeping.
  void SetRetryWait(std::function<void(int)> wait) {
    retryWait_ = std::move(wait);
    sleepsBeforeRetry_ = false;
  }
  // Back to the default: sleeping, in waits a stopped run ends early.
  void UseDefaultRetryWait();

  // The minisign public keys whose signature the manifest must carry, separated by ';'; none
  // means that manifests are not signed. The build's QUENBY_MANIFEST_KEYS by default. A list that
  // is no list of distinct keys refuses every manifest. Returns whether the list was taken.
  bool SetManifestKeys(std::string_view keys);
  // Whether the fetched manifest carried a valid signature; a signed manifest's files must each
  // name their package's SHA-256.
  bool ManifestSigned() const { return manifestSigned_; }
  // The key under HKEY_LOCAL_MACHINE that keeps the signing time of the newest manifest installed
  // from (engine/manifest/manifest_clock.h): a signed manifest older than that is refused, and a
  // run keeps the time of the manifest it installs from. Empty (the default) keeps nothing.
  void SetSigningTimeKey(std::wstring keyPath) { signingTimeKey_ = std::move(keyPath); }
  // The oldest signing time (seconds since 1970) a signed manifest may carry, even where no time
  // is kept yet (a fresh install): the build's QUENBY_MANIFEST_NOT_BEFORE by default.
  void SetManifestNotBefore(long long seconds) { manifestNotBefore_ = seconds; }

  // How many package transfers a run keeps going at once (kParallelTransfers by default; 1 for a
  // run that fetches one file after the other, as benchmarks compare).
  void SetParallelTransfers(int transfers) { parallelTransfers_ = transfers; }

  // Where the failure message and the questions go; the system's message boxes by default.
  void SetUserPrompt(UserPrompt& prompt) { prompt_ = &prompt; }

  // Makes a progress report from the current fields (in stage 2 with currentFile's name).
  void ReportProgress();
  // Adds bytes written by a package download to the run's count. downloadedBytes follows it,
  // held at INT_MAX: a run past 2 GiB must not turn the report negative.
  void CountReceived(long long bytes);

  // The engine's state, read by the progress reports and by tests. See the field notes in the
  // callback contract: sizes are bytes, startTime is in seconds since 1970 (low 32 bits).
  std::string manifestText;
  ProgressHandler onProgress;
  // Set instead of onProgress by the typed SetCallbacks.
  ReportHandler onReport;
  CompletionHandler onComplete;
  int downloadedBytes = 0;
  int stage = 0;
  int resultCode = 0;
  // The manifest's name of the file being downloaded (DownloadFile), or, in a run, the file
  // being placed or the one placement waits for. Written and reported on the same thread, so a
  // progress handler may read it.
  std::wstring currentFile;
  int totalBytes = 0;
  int startTime = 0;

 private:
  InstallEngine();
  // DownloadToFile tried again while the failure is transient; the last attempt's result, and
  // its outcome in last.
  int DownloadWithRetries(const std::wstring& url,
                          const std::wstring& localPath,
                          long long expectedBytes,
                          long long maxBytes,
                          TransferOutcome& last);
  // The run's count of received bytes, and setting it (downloadedBytes follows).
  long long ReceivedBytes();
  void SetReceived(long long bytes);
  // Install's run up to the call of onComplete; folders holds the run's folders (the install
  // folder first) until the run has ended.
  RunOutcome RunInstall(const std::wstring& installDir, base::HeldFolders& folders);
  // One file the run stages: what is fetched for it (as staged: its full package, or a patch
  // from the installed file at `installed`) and its place in the manifest's list.
  struct StagingStep {
    UpdateItem fetch;
    size_t item = 0;
    bool patch = false;
    std::wstring installed;
  };
  // Stages every file of items that the staging folder does not hold yet, then commits them all
  // together; the outcome of each file, and the failure that stopped the run, go to outcome.
  void StageAndCommit(const std::wstring& installDir,
                      const std::vector<UpdateItem>& items,
                      StagingArea& staging,
                      base::HeldFolders& folders,
                      RunOutcome& outcome);
  // Receives, checks and unpacks (or patches) each step's file into the staging folder, in
  // order, until one fails; marks each staged one in `staged` (by manifest index). Returns the
  // patch steps that could not serve, for their full packages.
  std::vector<StagingStep> StageFiles(const std::wstring& installDir,
                                      const std::vector<StagingStep>& steps,
                                      StagingArea& staging,
                                      base::HeldFolders& folders,
                                      RunOutcome& outcome,
                                      std::vector<bool>& staged);
  // Stages step number `index` of a run once fetcher has received its package or patch,
  // reporting progress while it waits; the failure that stopped it, or kNone (for a patch,
  // whyPatchFailed says why). roomToUnpack is asked with a package's unpacked size before it is
  // unpacked.
  PlaceResult FetchAndPlace(const StagingStep& step,
                            size_t index,
                            base::HeldFolders& folders,
                            PackageFetcher& fetcher,
                            const archive::RoomCheck& roomToUnpack,
                            std::string& whyPatchFailed);
  // Keeps the signed manifest's time and digest once per run, before its first file is placed.
  void KeepSigningTimeBeforeFirstPlacement();
  // Brings downloadedBytes up to what fetcher has received (never past totalBytes) and reports
  // it when it moved.
  void ReportReceived(const PackageFetcher& fetcher);
  // Tells the user why the run failed (once per run) and offers the homepage.
  void ReportFailure(const RunOutcome& outcome);
  // After try number `retry` (0 for the first) of a transfer ended with `result`: false when no
  // try follows (success, the last try, or a failure that is not transient); otherwise waits the
  // backoff and returns true.
  bool WaitBeforeRetry(int retry, int result, const TransferOutcome& outcome);
  // The wait in milliseconds before the try after try number `retry`, or -1 when none follows
  // (WaitBeforeRetry's rule).
  int RetryDelay(int retry, int result, const TransferOutcome& outcome);
  // A random fraction in [0, 1) for the retry waits.
  double RetryJitter();
  // Fetches address into text with the transfer retries; the last attempt's result. A body
  // past maxBytes fails the fetch.
  int FetchWithRetries(const std::string& address, std::string& text, long long maxBytes);
  // True when a manifest must carry a signature by a pinned key to be used.
  bool SignaturesRequired() const;
  // Fetches the manifest (into manifestText) and, when keys are pinned, its signature, and
  // checks it; 0, the manifest transfer's failure, kResultManifestNotSigned (the signature is
  // missing, cannot be fetched or does not verify) or the refusals of its signing time.
  int FetchSignedManifest(const std::wstring& manifestAddress);
  InstallEngine(const InstallEngine&) = delete;
  InstallEngine& operator=(const InstallEngine&) = delete;

  std::wstring updateServer_;
  std::vector<minisign::PublicKey> manifestKeys_;
  bool manifestKeysValid_ = true;
  bool manifestSigned_ = false;
  // The signing time and the SHA-256 of the fetched manifest, when it is signed.
  long long manifestSignedAt_ = 0;
  std::string manifestDigest_;
  std::wstring signingTimeKey_;
  long long manifestNotBefore_;
  // Whether this run has kept the signing time already.
  bool signingTimeKept_ = false;
  // Why the last CheckUpdate left no manifest (kNone when it fetched one), and its code.
  FailureReason manifestFailure_ = FailureReason::kNone;
  int manifestFailureCode_ = 0;
  // How many transfers the last package download took (1 when the first one ended it).
  int downloadTries_ = 0;
  // Bytes written by the run's package downloads; downloadedBytes is its int form.
  long long receivedBytes_ = 0;
  // Bytes received by the run's earlier fetchers (before its full packages for failed patches).
  long long receivedBefore_ = 0;
  UserPrompt* prompt_;
  std::function<void(int)> retryWait_;
  // Whether retryWait_ is the default sleep.
  bool sleepsBeforeRetry_ = true;
  // The jitter is drawn by every transfer thread of a run.
  std::mutex jitterMutex_;
  unsigned jitterState_;
  int parallelTransfers_;
};
