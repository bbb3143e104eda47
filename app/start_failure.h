#pragma once

#include <string>

// Why the installer ended before its wizard could show, kept where the user, support and the
// tests can read it: a GUI program's standard error goes nowhere. Each call appends one UTF-8
// line (local time, process id, the reason) to StartFailureLogPath(); a file past 64 KiB starts
// anew. The reason also goes to the run's log. Nothing here fails the caller.
void RecordStartFailure(const std::wstring& reason);

// "%TEMP%\Quenby-install-start.log"; empty when the system names no temporary folder.
std::wstring StartFailureLogPath();
