#include "engine/install_run_log.h"

#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/proxy_routes.h"

namespace {

// What a failure's code is (see FailureReason).
const char* FailureCodeName(FailureReason reason) {
  switch (reason) {
    case FailureReason::kManifestUnavailable:
    case FailureReason::kDownloadFailed:
      return "libcurl code";
    case FailureReason::kUnpackFailed:
      return "extractor result";
    case FailureReason::kNotEnoughSpace:
      return "bytes free";
    case FailureReason::kPlaceFailed:
    case FailureReason::kDiskFull:
    case FailureReason::kFileInUse:
      return "Windows error";
    default:
      return "code";
  }
}

}  // namespace

void LogFileEnd(const std::wstring& name,
                long long bytes,
                FailureReason failure,
                int tries,
                unsigned long long milliseconds) {
  ActiveRunLog().Printf("file %s: %lld bytes, %s, tries: %d, %llu.%01llu s",
                        WideToUtf8(name).c_str(), bytes,
                        failure == FailureReason::kNone ? "staged" : FailureReasonText(failure),
                        tries, milliseconds / 1000, milliseconds % 1000 / 100);
}

void LogDownloadFailure(const std::wstring& url,
                        int tries,
                        int result,
                        const TransferOutcome& outcome) {
  ActiveRunLog().Printf("download %s: failed, tries: %d, libcurl code %d, HTTP status %ld",
                        AddressForLog(WideToUtf8(url)).c_str(), tries, result, outcome.httpStatus);
  if (outcome.writeError != 0)
    ActiveRunLog().Printf("writing the package failed: Windows error %lu", outcome.writeError);
}

void LogFileInUse(const std::wstring& path, const std::vector<std::wstring>& programs) {
  std::string holders;
  for (const std::wstring& program : programs)
    holders += " \"" + WideToUtf8(program) + "\"";
  ActiveRunLog().Printf("%s is in use, held by:%s", WideToUtf8(path).c_str(),
                        programs.empty() ? " (none named)" : holders.c_str());
}

void LogRunEnd(const RunOutcome& outcome) {
  RunLog& log = ActiveRunLog();
  for (const auto& [server, route] : ProxyRoutes::Instance().WorkingRoutes())
    log.Printf("server %s: %s", server.c_str(), RouteForLog(server, route).c_str());
  size_t unchanged = 0;
  for (const FileResult& file : outcome.files) {
    if (file.outcome == FileOutcome::kUnchanged)
      ++unchanged;
    else if (file.outcome == FileOutcome::kNotReached)
      log.Printf("file %s: not reached", WideToUtf8(file.name).c_str());
    else if (file.outcome == FileOutcome::kStaged)
      log.Printf("file %s: staged for the next run", WideToUtf8(file.name).c_str());
  }
  log.Printf("%zu of %zu files already up to date", unchanged, outcome.files.size());
  if (outcome.Complete()) {
    log.Write("run complete");
    return;
  }
  log.Printf("run failed%s%s: %s (%s %lld)", outcome.failedFile.empty() ? "" : " at ",
             WideToUtf8(outcome.failedFile).c_str(), FailureReasonText(outcome.failure),
             FailureCodeName(outcome.failure), outcome.code);
  if (outcome.failure == FailureReason::kNotEnoughSpace)
    log.Printf("the run needs %lld bytes", outcome.bytesNeeded);
}
