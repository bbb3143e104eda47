#include "engine/system_dlls/system_dll.h"

#include <cwchar>
#include <string>

namespace system_dlls {

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  if (!fileName || !*fileName || std::wcspbrk(fileName, L"\\/:"))
    return nullptr;
  HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
    return module;
  // Systems without the search flags refuse the flag as a parameter: name the full path instead.
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  path += fileName;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC FindProcedure(HMODULE module, const char* name) {
  return module ? ::GetProcAddress(module, name) : nullptr;
}

bool RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported: systems without the search-path update lack the function,
  // and a missing import would keep the program from starting at all.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void (*)()>(FindProcedure(kernel32, "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return true;
  // Without it, at least take the current folder out of the search.
  ::SetDllDirectoryW(L"");
  return false;
}

}  // namespace system_dlls
