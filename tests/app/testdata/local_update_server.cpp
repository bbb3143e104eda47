// Linked into the installer built for the wizard tests, beside the installer's own main.cpp: before
// wWinMain runs, points the engine at the local update server that the test runs
// (QUENBY_TEST_SERVER, set by tools/update_server/with_server.py and inherited from the test).
// The product itself reads no environment: its server is the build option QUENBY_UPDATE_BASE_URL.
#include <windows.h>

#include <string>

#include "engine/install_engine.h"

namespace {

bool PointEngineAtTestServer() {
  wchar_t address[512] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUENBY_TEST_SERVER", address, 512);
  if (length == 0 || length >= 512)
    return false;
  InstallEngine::Instance().SetUpdateServer(std::wstring(address, length));
  return true;
}

const bool kPointed = PointEngineAtTestServer();

}  // namespace
