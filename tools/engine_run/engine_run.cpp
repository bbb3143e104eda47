// Developer tool: drives the install engine the way the wizard does, without a window, and prints
// every progress report and the completion. Usage:
//   engine-run <update base address> <install folder> [--answer ok|cancel]
//              [--in-use retry|cancel] [--quiet] [--timings] [--transfers <n>]
// --answer answers the failure message instead of showing the message box; --in-use answers the
// question about a file another program holds (Retry waits a second first, as a user closing the
// program would; after 30 questions the answer is Cancel); --quiet
// prints only the stage-1 and end-of-file reports instead of every chunk report; --timings
// prints, at the end, where the run's time went as seen from the reports (for benchmarks);
// --transfers sets how many package transfers run at once (benchmarks compare 1 with the
// default).
// Everything is printed in UTF-8, file names as the manifest gives them. The end names the route
// (direct, or the proxy of the user's Internet settings) by which each server was reached. The
// exit code is 0 for a complete run, 1 for a failed one (its file and reason printed), 2 for a
// bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/product_names.h"
#include "app/proxy_credentials_dialog.h"
#include "base/folder_chain.h"
#include "base/folder_security.h"
#include "build_marks.h"
#include "engine/install_engine.h"
#include "engine/common/install_outcome.h"
#include "engine/manifest/manifest_keys.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/proxy_routes.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/user_prompt.h"

namespace {

void PrintUsage() {
  std::fwprintf(stderr,
                L"usage: engine-run <update base address> <install folder> "
                L"[--answer ok|cancel] [--in-use retry|cancel] [--quiet] [--timings] "
                L"[--transfers <n>]\n");
}

std::string Narrow(const std::wstring& text) {
  return WideToUtf8(text);
}

// Answers the engine's questions from the command line and prints what the user would have seen.
// Unanswered ones show the system's message boxes.
class AnsweringPrompt : public UserPrompt {
 public:
  std::optional<bool> answerOk;
  std::optional<bool> answerRetry;

  bool AskToVisitHomepage() override {
    if (!answerOk)
      return SystemUserPrompt().AskToVisitHomepage();
    std::printf("failure message: %s -> %s\n",
                Narrow(L"友情提示: 文件更新失败，请去官网下载最新版本").c_str(),
                *answerOk ? "OK" : "Cancel");
    std::fflush(stdout);
    return *answerOk;
  }
  void OpenWebPage(const std::wstring& address) override {
    std::printf("open web page: %s\n", Narrow(address).c_str());
  }
  bool AskToRetryFileInUse(const std::wstring& path,
                           const std::vector<std::wstring>& programs) override {
    if (!answerRetry)
      return SystemUserPrompt().AskToRetryFileInUse(path, programs);
    const bool retry = *answerRetry && ++inUseQuestions_ <= kMostInUseQuestions;
    std::string names;
    for (const std::wstring& program : programs)
      names += (names.empty() ? "" : ", ") + Narrow(program);
    std::printf("file in use: %s by [%s] -> %s\n", Narrow(path).c_str(), names.c_str(),
                retry ? "Retry" : "Cancel");
    std::fflush(stdout);
    if (retry)
      ::Sleep(1000);
    return retry;
  }
  void TellNotEnoughSpace(long long neededBytes, long long freeBytes) override {
    std::printf("not enough space: %lld bytes needed, %lld free\n", neededBytes, freeBytes);
  }

 private:
  static constexpr int kMostInUseQuestions = 30;
  int inUseQuestions_ = 0;
};

// One line for each file the run did not leave up to date, and the run's end.
void PrintOutcome(const RunOutcome& outcome) {
  int placed = 0, unchanged = 0;
  for (const FileResult& file : outcome.files) {
    placed += file.outcome == FileOutcome::kPlaced;
    unchanged += file.outcome == FileOutcome::kUnchanged;
    if (file.outcome == FileOutcome::kNotReached)
      std::printf("not reached: %s\n", Narrow(file.name).c_str());
    if (file.outcome == FileOutcome::kStaged)
      std::printf("staged: %s\n", Narrow(file.name).c_str());
  }
  std::printf("files placed %d unchanged %d\n", placed, unchanged);
  if (outcome.Complete()) {
    std::printf("complete\n");
  } else {
    std::printf("failed: file=\"%s\" reason=\"%s\" code=%lld\n", Narrow(outcome.failedFile).c_str(),
                FailureReasonText(outcome.failure), outcome.code);
  }
}

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Splits a run's time by the reports: the manifest fetch up to the stage-1 report; for each file
// the time from its first received chunk to its end report (the transfer) and the time before
// its first chunk (unpacking and placing the previous file, then the folder, connection and
// request of this one); after the last file's end report, its unpacking and placing. The
// callback's own work is counted apart.
// Takes the commit's time from the engine's run log.
class CommitTimeLog : public RunLog {
 public:
  void Write(std::string_view line) override {
    unsigned long long milliseconds = 0;
    if (std::sscanf(std::string(line).c_str(), "commit: %*u files put in place in %llu ms",
                    &milliseconds) == 1)
      seconds = static_cast<double>(milliseconds) / 1000;
  }
  double seconds = 0;
};

struct RunTimings {
  double start = Now(), manifestDone = 0, lastBoundary = 0, transfer = 0, beforeFirstChunk = 0;
  double lastPlace = 0, inCallback = 0;
  CommitTimeLog commitLog;
  bool inFile = false;
  int files = 0, reports = 0;

  void Print() const {
    std::printf("timing manifest %.3f\n", manifestDone - start);
    std::printf("timing commit %.3f\n", commitLog.seconds);
    std::printf("timing transfer %.3f\n", transfer);
    std::printf("timing between-files %.3f\n", beforeFirstChunk);
    std::printf("timing last-place %.3f\n", lastPlace);
    std::printf("timing callback %.3f\n", inCallback);
    std::printf("timing files %d reports %d\n", files, reports);
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    PrintUsage();
    return 2;
  }
  // Whole lines per write: unbuffered, the C runtime writes (and asks the console about) one
  // character at a time, which under Wine costs a server round trip each.
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  std::wstring baseAddress = argv[1];
  std::wstring installDir = argv[2];
  InstallEngine& engine = InstallEngine::Instance();
  AnsweringPrompt prompt;
  bool quiet = false;
  bool timings = false;
  RunTimings timing;
  for (int i = 3; i < argc; ++i) {
    std::wstring option = argv[i];
    if (option == L"--quiet") {
      quiet = true;
    } else if (option == L"--timings") {
      timings = true;
      SetActiveRunLog(&timing.commitLog);
    } else if (option == L"--transfers" && i + 1 < argc && _wtoi(argv[i + 1]) > 0) {
      engine.SetParallelTransfers(_wtoi(argv[++i]));
    } else if (option == L"--answer" && i + 1 < argc &&
               (argv[i + 1] == std::wstring(L"ok") || argv[i + 1] == std::wstring(L"cancel"))) {
      prompt.answerOk = argv[++i] == std::wstring(L"ok");
    } else if (option == L"--in-use" && i + 1 < argc &&
               (argv[i + 1] == std::wstring(L"retry") || argv[i + 1] == std::wstring(L"cancel"))) {
      prompt.answerRetry = argv[++i] == std::wstring(L"retry");
    } else {
      PrintUsage();
      return 2;
    }
  }

  engine.SetUserPrompt(prompt);
  engine.SetSigningTimeKey(product::kInstallerStateKeyPath);
  if (kAcceptsUnsignedManifests)
    std::printf("unsigned: this build accepts update manifests that no key signed\n");
  else if (kPinsTestKey)
    std::printf(
        "test key: this build pins the repository's test key, whose secret key anyone "
        "can read\n");
  // The wizard creates the install folder before it starts the engine, never through a link.
  base::ProtectedFolderSecurity security;
  const std::vector<std::wstring> created = base::CreateFolderChain(installDir, security.Get());
  engine.SetUpdateServer(baseAddress);
  // A proxy that wants a password asks through the system's prompt, as in the wizard.
  ProxyCredentialStore::Instance().SetPrompt(
      [](const std::string& proxy, std::wstring& userName, base::SecretWString& password) {
        std::printf("proxy credentials asked: %s\n", proxy.c_str());
        std::fflush(stdout);
        return AskForProxyCredentials(nullptr, proxy, userName, password);
      });

  std::thread worker;
  std::optional<RunOutcome> completed;
  int lastDownloaded = -1;
  ReportHandler onReport = [&](const EngineReport& report) {
    const int stage = report.stage, code = report.resultCode, downloaded = report.downloadedBytes;
    const double now = Now();
    // A report that repeats the previous figure is the end of a file; so is a failure.
    bool chunk = stage == kStagePackageDownload && code == 0 && downloaded != lastDownloaded;
    lastDownloaded = downloaded;
    ++timing.reports;
    if (stage == kStageUpdateCheck) {
      timing.manifestDone = timing.lastBoundary = now;
    } else if (chunk && !timing.inFile) {
      timing.inFile = true;
      timing.beforeFirstChunk += now - timing.lastBoundary;
      timing.lastBoundary = now;
    } else if (!chunk) {
      timing.inFile = false;
      ++timing.files;
      timing.transfer += now - timing.lastBoundary;
      timing.lastBoundary = now;
    }
    if (!quiet || !chunk) {
      std::printf("progress stage=%d code=%d total=%d downloaded=%d start=%d file=\"%s\"\n", stage,
                  code, report.totalBytes, downloaded, report.startTime,
                  Narrow(report.fileName).c_str());
    }
    std::fflush(stdout);
    // As in the wizard, the stage-1 report starts the install on a second thread.
    if (stage == kStageUpdateCheck)
      worker = std::thread([&] { InstallEngine::Instance().Install(installDir); });
    timing.inCallback += Now() - now;
  };
  CompletionHandler onComplete = [&](const RunOutcome& outcome) {
    timing.lastPlace = Now() - timing.lastBoundary;
    completed = outcome;
    PrintOutcome(outcome);
    // As the wizard's completion: a failed run leaves no folder it made and left empty.
    if (!outcome.Complete())
      base::RemoveCreatedFolders(created);
    std::fflush(stdout);
  };

  std::thread checker([&] {
    engine.SetCallbacks(onReport, onComplete);
    engine.CheckUpdate();
  });
  checker.join();
  if (worker.joinable())
    worker.join();
  std::printf("last transfer result: %d\n", engine.resultCode);
  // Which route of the user's proxy settings reached each server.
  for (const auto& [server, route] : ProxyRoutes::Instance().WorkingRoutes())
    std::printf("route %s: %s\n", server.c_str(), route.empty() ? "direct" : route.c_str());
  SetActiveRunLog(nullptr);
  if (timings)
    timing.Print();
  return completed && completed->Complete() ? 0 : 1;
}
