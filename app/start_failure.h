#pragma once

#include <string>

// Why the installer ended before its wizard could show, kept where the user, support and the
// tests can read it: a GUI program's standard error goes nowhere. Each call appends one UTF-8
// line (local time, process id, the reason) to StartFailureLogPath(). The reason also goes to the
// run's log. Nothing here fails the caller.
void RecordStartFailure(const std::wstring& reason);

// Appends the line to the record at path, which is opened without following links
// (app/log_file_open.h): a record that is a link or another file's hard link is left alone. A
// record past 64 KiB starts anew, emptied through the same handle, so that only the record itself
// is ever cut. False when nothing was written.
bool AppendStartFailure(const std::wstring& path, const std::wstring& reason);

// "Quenby-install-start.log" in the run logs' folder (app/run_log_folder.h); empty when there is
// none.
std::wstring StartFailureLogPath();
