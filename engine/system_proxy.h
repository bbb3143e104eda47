#pragma once

#include <string>
#include <vector>

// The routes the user's Internet settings give for an address, in the order to try them:
// a PAC script's answer, else auto-detection's (waited for about 5 s), else the named proxy
// unless its bypass list names the host. An empty route means direct; the list is never empty.
// Calls WinHTTP (loaded from the system folder) and blocks; the caller caches the answer.
std::vector<std::string> SystemProxyRoutes(const std::string& address);
