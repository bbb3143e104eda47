#pragma once

#include <windows.h>

#include <string>

#include "base/secret_string.h"

// The system's credentials prompt for a proxy that wants a user name and password, owned by the
// wizard's window. The prompt's offer to save them is turned off: they live only in memory for
// the run. The password is typed straight into `password`'s wiped storage. False when the user
// cancelled or no prompt could be shown.
bool AskForProxyCredentials(HWND owner,
                            const std::string& proxy,
                            std::wstring& userName,
                            base::SecretWString& password);
