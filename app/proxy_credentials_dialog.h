#pragma once

#include <windows.h>

#include <string>

// The system's credentials prompt for a proxy that wants a user name and password, owned by the
// wizard's window. The prompt's offer to save them is turned off: they live only in memory for
// the run. False when the user cancelled or no prompt could be shown.
bool AskForProxyCredentials(HWND owner,
                            const std::string& proxy,
                            std::wstring& userName,
                            std::wstring& password);
