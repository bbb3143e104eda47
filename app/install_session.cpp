#include "app/install_session.h"

#include <utility>

#include "app/install_completion.h"
#include "app/product_names.h"
#include "base/exception_barrier.h"
#include "engine/common/install_outcome.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/engine_report.h"
#include "engine/install_engine.h"
#include "engine/user_prompt.h"

namespace {

// A run that failed in the session's own code: what it did before stays as it is.
RunOutcome SessionFailureOutcome() {
  RunOutcome outcome;
  outcome.failure = FailureReason::kDownloadFailed;
  outcome.code = -1;
  return outcome;
}

}  // namespace

InstallSession::InstallSession(std::wstring installDir,
                               WakeUi wakeUi,
                               UserPrompt& prompt,
                               EngineSteps steps)
    : installDir_(std::move(installDir)),
      wakeUi_(std::move(wakeUi)),
      prompt_(prompt),
      steps_(std::move(steps)) {}

InstallSession::~InstallSession() {
  if (installThread_ && installThread_->joinable())
    installThread_->join();
}

void InstallSession::Start() {
  if (started_)
    return;
  started_ = true;
  ActiveRunLog().Printf("install button: install into %s", WideToUtf8(installDir_).c_str());
  createdFolders_ = CreateInstallFolder(installDir_);
  ++liveThreads_;
  const bool started = base::CatchAllVoid([this] {
    installThread_ = std::make_unique<std::thread>([this] {
      if (!base::CatchAllVoid([this] { RunUpdateCheck(); }))
        FailRun("the update check ended with an exception");
      --liveThreads_;
    });
  });
  if (!started) {
    --liveThreads_;
    FailRun("the install thread could not be started");
  }
}

void InstallSession::FailRun(const char* why) {
  // Everything here is a barrier of its own: the run's end must come whatever fails on the way.
  base::CatchAllVoid([why] { ActiveRunLog().Printf("internal error: %s; the run fails", why); });
  base::CatchAllVoid([this] {
    if (prompt_.AskToVisitHomepage())
      prompt_.OpenWebPage(QUENBY_HOMEPAGE_URL);
  });
  OnEngineFinished(SessionFailureOutcome());
}

void InstallSession::RunUpdateCheck() {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetCallbacks([this](const EngineReport& report) { OnEngineProgress(report); },
                      [this](const RunOutcome& outcome) { OnEngineFinished(outcome); });
  // Under HKLM, where only administrators can wind it back.
  engine.SetSigningTimeKey(product::kInstallerStateKeyPath);
  // The result reaches the session through the stage-1 report.
  if (steps_.checkUpdate)
    steps_.checkUpdate();
  else
    engine.CheckUpdate();
}

void InstallSession::RunInstallWorker() {
  const bool ran = base::CatchAllVoid([this] {
    if (steps_.install)
      steps_.install(installDir_);
    else
      InstallEngine::Instance().Install(installDir_);
  });
  if (!ran)
    FailRun("the install run ended with an exception");
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
      FailRun("the install worker could not be started");
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
  base::CatchAllVoid([&] {
    finishPageDue_ = CompleteInstallation(installDir_, outcome, createdFolders_).showFinishPage;
  });
  base::CatchAllVoid([&] {
    if (mailbox_.PostFinished())
      wakeUi_();
  });
}
