#include "base/system_library.h"

#include <cwchar>
#include <string>

namespace base {

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  if (!fileName || !*fileName || std::wcspbrk(fileName, L"\\/:"))
    return nullptr;
  HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER)
    return module;
  // Systems without the search flags refuse it as a parameter: name the full path instead.
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path(folder, length);
  path += L'\\';
  path += fileName;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported: systems without the search-path update lack the function,
  // and a missing import would keep the program from starting at all.
  const auto setDefault = GetProcedure<BOOL(WINAPI*)(DWORD)>(::GetModuleHandleW(L"kernel32.dll"),
                                                             "SetDefaultDllDirectories");
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return true;
  // Without it, at least take the current folder out of the search.
  ::SetDllDirectoryW(L"");
  return false;
}

}  // namespace base
