#pragma once

class RunLog;

// The first lines of every run's log: the installer's version and architecture, the command line
// as Windows gave it, and the Windows version (and Wine's, when it runs under Wine).
void WriteRunLogHeader(RunLog& log, const wchar_t* commandLine);
