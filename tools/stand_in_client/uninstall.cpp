// A stand-in for the client's uninstaller, shipped in the sample release of the demo and the
// tests. It undoes what the installer registered and installed: both shortcuts, the uninstall
// entry and every file of the install folder, which is its own folder.
//
// It acts only when the uninstall entry names its own folder, so a copy started anywhere else
// (a download folder, say) removes nothing. Exit code 0 when everything was removed (itself and
// its folder are removed at the next restart, as a running program cannot delete itself), 1 when
// something stayed, 2 when it found no installation of its own folder.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/product_names.h"
#include "app/registration.h"
#include "base/scoped_handle.h"
#include "base/scoped_reg_key.h"
#include "base/system_library.h"
#include "tools/stand_in_client/stand_in_support.h"

namespace {

std::optional<std::wstring> RegisteredInstallLocation() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0,
                      KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  const base::ScopedRegKey key(opened);
  wchar_t location[4096] = {};
  DWORD bytes = sizeof(location) - sizeof(wchar_t);  // keeps room for a terminator
  DWORD type = 0;
  if (::RegQueryValueExW(key.Get(), L"InstallLocation", nullptr, &type,
                         reinterpret_cast<BYTE*>(location), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::wstring(location);
}

// Two paths name the same folder when they open the same file-system object, however they are
// spelt (case, doubled separators).
bool SameFolder(const std::wstring& first, const std::wstring& second) {
  auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    base::ScopedHandle folder(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder.IsValid() && ::GetFileInformationByHandle(folder.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION a = {}, b = {};
  return identify(first, a) && identify(second, b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

struct FindHandleClose {
  void operator()(HANDLE find) const { ::FindClose(find); }
};

// Removes everything below folder except the file keep; true when nothing else stayed. Linked
// folders are unlinked, never entered.
bool RemoveContents(const std::wstring& folder, const std::wstring& keep) {
  WIN32_FIND_DATAW entry;
  HANDLE found = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE)
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  std::unique_ptr<void, FindHandleClose> find(found);
  bool removedAll = true;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    const std::wstring path = folder + L"\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        removedAll = RemoveContents(path, keep) && removedAll;
      removedAll = ::RemoveDirectoryW(path.c_str()) && removedAll;
      continue;
    }
    if (::CompareStringOrdinal(path.c_str(), -1, keep.c_str(), -1, TRUE) == CSTR_EQUAL)
      continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    removedAll = ::DeleteFileW(path.c_str()) && removedAll;
  } while (::FindNextFileW(find.get(), &entry));
  return removedAll;
}

bool RemoveIfPresent(const std::wstring& file) {
  if (file.empty() || ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)
    return true;
  return ::DeleteFileW(file.c_str()) != FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  base::RestrictDllSearchToSystemFolder();
  const std::wstring self = ModulePath();
  const std::wstring folder = FolderOf(self);
  const std::optional<std::wstring> registered = RegisteredInstallLocation();
  if (folder.empty() || !registered || !SameFolder(*registered, folder))
    return 2;

  bool removedAll = RemoveIfPresent(DesktopShortcutPath());
  removedAll = RemoveIfPresent(StartMenuShortcutPath()) && removedAll;
  const LSTATUS deleted =
      ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, product::kUninstallKeyPath, 0, 0);
  removedAll = (deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) && removedAll;
  removedAll = RemoveContents(folder, self) && removedAll;
  // A running program cannot delete itself: it and its folder go at the next restart.
  ::MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  ::MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return removedAll ? 0 : 1;
}
