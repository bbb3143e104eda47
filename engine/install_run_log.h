#pragma once

#include <string>
#include <vector>

#include "engine/common/install_outcome.h"
#include "engine/transfer/transfer.h"

// The install run's lines in the run log (engine/common/run_log.h), written by
// InstallEngine::Install. Apart from the run itself, so that the run's hot path keeps only the
// calls.

// One file's end: its manifest name, its package's size, what became of it (kNone: placed), the
// transfers its download took and how long it took in all.
void LogFileEnd(const std::wstring& name,
                long long bytes,
                FailureReason failure,
                int tries,
                unsigned long long milliseconds);
// A package download that failed after its tries: its address (without a password), the tries,
// libcurl's result, the HTTP status and a failed write's Windows error.
void LogDownloadFailure(const std::wstring& url,
                        int tries,
                        int result,
                        const TransferOutcome& outcome);
// A file that another program holds open, and the programs the system named.
void LogFileInUse(const std::wstring& path, const std::vector<std::wstring>& programs);
// The run's end: the route that reached each server, the files not fetched and the outcome.
void LogRunEnd(const RunOutcome& outcome);
