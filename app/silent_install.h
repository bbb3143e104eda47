#pragma once

#include <string>

// The install that "/S" asks for: the update check and the install run on the calling thread,
// without any window, then the registration as the wizard writes it (only for a folder that
// holds the client's launcher). Nobody is asked anything: the failure message and the homepage
// offer, the question about a file in use and the proxy's password prompt are all answered
// no/Cancel, and too little space is only logged. The client is not started.
// Returns the exit code: kExitInstalled for a complete run, kExitFailed otherwise.
int RunSilentInstall(const std::wstring& installDir);
