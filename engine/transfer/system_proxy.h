#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

// The routes the user's Internet settings give for an address, in the order to try them:
// a PAC script's answer, else auto-detection's (engine/transfer/proxy_detection.h: once a run,
// waited for about 5 s), else the named proxy unless its bypass list names the host. An empty route
// means direct; the list is never empty. A PAC script runs only in WinHTTP's auto-proxy service,
// out of this process: a script from the network never runs inside the elevated installer, and
// where that service is missing the script step fails and the next choice is taken.
// Calls WinHTTP (loaded from the system folder) and blocks; the caller caches the answer.
struct SystemProxyAnswer {
  std::vector<std::string> routes;
  // Auto-detection was still running: the routes are the settings' next choice, and the
  // question is worth asking again once it has ended.
  bool awaitsDetection = false;
};
SystemProxyAnswer AskSystemProxy(const std::string& address);

// The routes of AskSystemProxy alone.
std::vector<std::string> SystemProxyRoutes(const std::string& address);

// The WinHTTP call that runs a PAC script, in its place for tests (null: WinHTTP's).
using GetProxyForUrlCall = BOOL(WINAPI*)(HINTERNET session,
                                         LPCWSTR address,
                                         WINHTTP_AUTOPROXY_OPTIONS* options,
                                         WINHTTP_PROXY_INFO* info);
void SetGetProxyForUrlCall(GetProxyForUrlCall call);
