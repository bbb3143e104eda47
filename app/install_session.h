#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/progress_mailbox.h"

struct EngineReport;
struct RunOutcome;
class UserPrompt;

// One install as the wizard runs it, apart from the window: the folder chain, the update check
// on the install thread, the install run on the worker thread that the stage-1 report starts,
// the progress texts and the completion (install.dat and registration).
//
// The engine's callbacks never touch the window: they put what is to be shown into the mailbox
// and call wakeUi (on the engine's threads) when the UI thread must take it, for example by
// posting a window message. Progress coalesces to the newest raw report, stamped with the time it
// was made and formatted by the UI thread; the finish comes after the last progress and is never
// dropped.
//
// Each of the session's threads has an exception barrier at its entry, and a thread that cannot
// be started counts the same: the run ends as a failed one, the failure message is shown through
// the prompt (as the engine shows it) and the run's log says why.
//
// The session must outlive its threads: the wizard keeps it for the life of the process. The
// install thread is joined by the destructor; the worker is detached, so a session that is to be
// destroyed waits until Running() is false first.
class InstallSession {
 public:
  using WakeUi = std::function<void()>;

  // The engine's two steps, each on its thread: the update check (which reports stage 1 through
  // OnEngineProgress) and the install run. Empty ones are InstallEngine's; tests give their own.
  struct EngineSteps {
    std::function<void()> checkUpdate;
    std::function<void(const std::wstring& installDir)> install;
  };

  // prompt tells the user of a run that failed inside the session itself.
  InstallSession(std::wstring installDir,
                 WakeUi wakeUi,
                 UserPrompt& prompt,
                 EngineSteps steps = {});
  ~InstallSession();
  InstallSession(const InstallSession&) = delete;
  InstallSession& operator=(const InstallSession&) = delete;

  // Creates the folder chain and starts the install thread. Call once. When no thread can be
  // started, the run ends at once as a failed one.
  void Start();

  // True from Start until the install thread and the worker have both left the session's code:
  // while it holds, ending the process normally would run destructors under them.
  bool Running() const { return liveThreads_.load() > 0; }

  // The engine's callbacks.
  void OnEngineProgress(const EngineReport& report);
  void OnEngineFinished(const RunOutcome& outcome);

  // UI thread: what the engine's threads handed over (ProgressFeed takes it).
  ProgressMailbox& mailbox() { return mailbox_; }
  // UI thread, once the mailbox gave the finish: whether the finish page follows (the client is
  // there, or the run was complete); otherwise the wizard ends.
  bool FinishPageDue() const { return finishPageDue_.load(); }

  const std::wstring& installDir() const { return installDir_; }

 private:
  void RunUpdateCheck();
  void RunInstallWorker();
  // Ends the run as a failed one for a reason of the session's own (no engine outcome).
  void FailRun(const char* why);

  const std::wstring installDir_;
  // The folders the run made for the install folder, removed again by a run that kept nothing.
  std::vector<std::wstring> createdFolders_;
  const WakeUi wakeUi_;
  UserPrompt& prompt_;
  const EngineSteps steps_;
  ProgressMailbox mailbox_;
  std::unique_ptr<std::thread> installThread_;
  // The session's threads still running: the install thread and the worker.
  std::atomic<int> liveThreads_{0};
  bool started_ = false;
  // Written before the finish is posted, read after it was taken.
  std::atomic<bool> finishPageDue_{false};
};
