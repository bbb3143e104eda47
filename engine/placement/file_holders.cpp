#include "engine/placement/file_holders.h"

#include <windows.h>

#include <restartmanager.h>

#include <algorithm>

namespace {

// One Restart Manager session, ended on every way out.
class RestartManagerSession {
 public:
  RestartManagerSession() {
    wchar_t key[CCH_RM_SESSION_KEY + 1] = {};
    started_ = ::RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
  }
  ~RestartManagerSession() {
    if (started_)
      ::RmEndSession(handle_);
  }
  RestartManagerSession(const RestartManagerSession&) = delete;
  RestartManagerSession& operator=(const RestartManagerSession&) = delete;

  bool started() const { return started_; }
  DWORD handle() const { return handle_; }

 private:
  DWORD handle_ = 0;
  bool started_ = false;
};

}  // namespace

std::vector<std::wstring> ProgramsHoldingFile(const std::wstring& path) {
  std::vector<std::wstring> programs;
  RestartManagerSession session;
  if (!session.started())
    return programs;
  LPCWSTR files[] = {path.c_str()};
  if (::RmRegisterResources(session.handle(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
    return programs;
  // The list may grow between the two calls: asked again with the size it then needs.
  std::vector<RM_PROCESS_INFO> holders;
  DWORD result = ERROR_MORE_DATA;
  UINT needed = 0;
  for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
    holders.resize(needed);
    UINT count = needed;
    DWORD reasons = 0;
    result = ::RmGetList(session.handle(), &needed, &count, holders.data(), &reasons);
    holders.resize(result == ERROR_SUCCESS ? count : 0);
  }
  const DWORD self = ::GetCurrentProcessId();
  for (const RM_PROCESS_INFO& holder : holders) {
    if (holder.Process.dwProcessId == self)
      continue;
    std::wstring name = holder.strAppName;
    if (name.empty())
      continue;
    if (std::find(programs.begin(), programs.end(), name) == programs.end())
      programs.push_back(std::move(name));
  }
  return programs;
}
