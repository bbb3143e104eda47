#include "ui/render/msimg32_functions.h"

#include <cwchar>
#include <string>

namespace ui {
namespace {

// GetProcAddress gives a generic pointer; void (*)() converts to any function type quietly.
template <typename Function>
Function LookUp(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace

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

const Msimg32Functions& Msimg32() {
  // The module stays loaded for the life of the process, so its routines stay valid.
  static const Msimg32Functions functions = [] {
    Msimg32Functions found;
    if (HMODULE module = LoadSystemLibrary(L"msimg32.dll")) {
      found.alphaBlend = LookUp<AlphaBlendFunction>(module, "AlphaBlend");
      found.gradientFill = LookUp<GradientFillFunction>(module, "GradientFill");
    }
    return found;
  }();
  return functions;
}

}  // namespace ui
