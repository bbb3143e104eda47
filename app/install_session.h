#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/progress_mailbox.h"

struct EngineReport;
struct RunOutcome;

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
// The session must outlive its threads: the wizard keeps it for the life of the process. The
// install thread is joined by the destructor; the worker is detached, so a session that is to be
// destroyed waits until Running() is false first.
class InstallSession {
 public:
  using WakeUi = std::function<void()>;

  InstallSession(std::wstring installDir, WakeUi wakeUi);
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

  const std::wstring installDir_;
  const WakeUi wakeUi_;
  ProgressMailbox mailbox_;
  std::unique_ptr<std::thread> installThread_;
  // The session's threads still running: the install thread and the worker.
  std::atomic<int> liveThreads_{0};
  bool started_ = false;
  // Written before the finish is posted, read after it was taken.
  std::atomic<bool> finishPageDue_{false};
};
