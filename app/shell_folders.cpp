#include "app/shell_folders.h"

#include <windows.h>

#include <shlobj.h>

#include "base/scoped_co_mem.h"

namespace {

// The shell allocates ID lists with the task allocator.
using ScopedIdList = base::ScopedCoMem<ITEMIDLIST>;

}  // namespace

std::wstring SpecialFolderPath(int csidl) {
  ITEMIDLIST* found = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &found)) || !found)
    return {};
  ScopedIdList list(found);
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(list.get(), path))
    return {};
  return path;
}

std::wstring GetDesktopFolder() {
  return SpecialFolderPath(CSIDL_DESKTOP);
}
