#include "app/install_session.h"

#include <utility>

#include "app/install_completion.h"
#include "app/product_names.h"
#include "base/exception_barrier.h"
#include "engine/engine_report.h"
#include "engine/install_engine.h"
#include "engine/install_outcome.h"
#include "engine/run_log.h"
#include "engine/text_convert.h"

namespace {

// A run that could not start its thread installed nothing.
RunOutcome NoThreadOutcome() {
  RunOutcome outcome;
  outcome.failure = FailureReason::kDownloadFailed;
  outcome.code = -1;
  return outcome;
}

}  // namespace

InstallSession::InstallSession(std::wstring installDir, WakeUi wakeUi)
    : installDir_(std::move(installDir)), wakeUi_(std::move(wakeUi)) {}

InstallSession::~InstallSession() {
  if (installThread_ && installThread_->joinable())
    installThread_->join();
}

void InstallSession::Start() {
  if (started_)
    return;
  started_ = true;
  ActiveRunLog().Printf("install button: install into %s", WideToUtf8(installDir_).c_str());
  CreateInstallFolder(installDir_);
  ++liveThreads_;
  const bool started = base::CatchAllVoid([this] {
    installThread_ = std::make_unique<std::thread>([this] {
      RunUpdateCheck();
      --liveThreads_;
    });
  });
  if (!started) {
    --liveThreads_;
    OnEngineFinished(NoThreadOutcome());
  }
}

void InstallSession::RunUpdateCheck() {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetCallbacks([this](const EngineReport& report) { OnEngineProgress(report); },
                      [this](const RunOutcome& outcome) { OnEngineFinished(outcome); });
  // Under HKLM, where only administrators can wind it back.
  engine.SetSigningTimeKey(product::kInstallerStateKeyPath);
  // The result reaches the session through the stage-1 report.
  engine.CheckUpdate();
}

void InstallSession::RunInstallWorker() {
  InstallEngine::Instance().Install(installDir_);
  --liveThreads_;
}

void InstallSession::OnEngineProgress(const EngineReport& engineReport) {
  // Called from inside the engine's run: no exception may leave.
  if (engineReport.stage == kStageUpdateCheck) {
    // Whatever the check's result: the run tells the user of a failed check and ends.
    // Counted before it starts, so that the count never passes through 0 between the threads.
    ++liveThreads_;
    if (!base::CatchAllVoid(
            [this] { std::thread(&InstallSession::RunInstallWorker, this).detach(); })) {
      --liveThreads_;
      // Without a worker the run ends here, as a failed one.
      OnEngineFinished(NoThreadOutcome());
    }
    return;
  }
  if (engineReport.stage != kStagePackageDownload)
    return;
  // Only the raw figures and their time: the UI thread formats what it shows, so the transfer
  // goes on at once. A report that cannot be copied is skipped; the next one carries newer
  // figures.
  base::CatchAllVoid([&] {
    ProgressReport report;
    report.totalBytes = engineReport.totalBytes;
    report.downloadedBytes = engineReport.downloadedBytes;
    report.startTime = engineReport.startTime;
    // The name as the manifest gives it, which the contract's ANSI form cannot always hold.
    report.fileName = engineReport.fileName;
    report.now = CurrentTimeLow32();
    if (mailbox_.PostProgress(std::move(report)))
      wakeUi_();
  });
}

void InstallSession::OnEngineFinished(const RunOutcome& outcome) {
  // Called by the engine at the end of its run: no exception may leave, and the finish is
  // posted whatever the registration managed.
  base::CatchAllVoid(
      [&] { finishPageDue_ = CompleteInstallation(installDir_, outcome).showFinishPage; });
  base::CatchAllVoid([&] {
    if (mailbox_.PostFinished())
      wakeUi_();
  });
}
