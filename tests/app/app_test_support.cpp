#include "tests/app/app_test_support.h"

#include <shlobj.h>

#include "app/product_names.h"
#include "base/scoped_handle.h"
#include "engine/common/text_convert.h"
#include "tests/support/temp_folder.h"

std::wstring KnownFolderPath(REFKNOWNFOLDERID folder) {
  wchar_t* path = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(folder, 0, nullptr, &path);
  std::wstring found = SUCCEEDED(result) && path ? path : L"";
  // Allocated by the shell with the task allocator, also on failure.
  ::CoTaskMemFree(path);
  return found;
}

base::ScopedRegKey OpenUninstallEntry() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, KEY_READ, &opened) !=
      ERROR_SUCCESS)
    return {};
  return base::ScopedRegKey(opened);
}

int RunProgram(const std::wstring& program) {
  const size_t separator = program.find_last_of(L"\\/");
  const std::wstring folder = program.substr(0, separator);
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started))
    return -1;
  base::ScopedHandle process(started.hProcess);
  base::ScopedHandle thread(started.hThread);
  DWORD exitCode = 0;
  if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.Get(), &exitCode))
    return -1;
  return static_cast<int>(exitCode);
}

bool CopyStandIn(const wchar_t* name, const std::wstring& folder) {
  const std::wstring source = std::wstring(QUENBY_STAND_IN_DIR) + L"\\" + name;
  return ::CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE) != FALSE;
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      return true;
    if (::GetTickCount64() >= deadline)
      return false;
    ::Sleep(20);
  }
}

bool ReadLaunchRecord(const std::wstring& installDir, LaunchRecord& record) {
  const std::wstring path = installDir + L"\\tarsklogin.started.txt";
  // The client may still be writing its record: read until both lines are whole.
  const ULONGLONG deadline = ::GetTickCount64() + 30000;
  for (;;) {
    const std::wstring text = Utf8ToWide(ReadFileBytes(path));
    const size_t commandAt = text.find(L"\r\ncommand_line=");
    const size_t commandStart = commandAt + 15;
    const size_t commandEnd =
        commandAt == std::wstring::npos ? commandAt : text.find(L"\r\n", commandStart);
    if (text.find(L"current_folder=") == 0 && commandEnd != std::wstring::npos) {
      record.currentFolder = text.substr(15, commandAt - 15);
      record.commandLine = text.substr(commandStart, commandEnd - commandStart);
      return true;
    }
    if (::GetTickCount64() >= deadline)
      return false;
    ::Sleep(20);
  }
}
