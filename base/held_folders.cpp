#include "base/held_folders.h"

#include <vector>

#include "base/folder_chain.h"

namespace base {

namespace {

// Listing access takes part in sharing (a handle for attributes alone does not); read and
// write sharing let the run create, write and rename files inside, and no delete sharing keeps
// the folder itself from being renamed or removed.
ScopedHandle OpenFolder(const std::wstring& folder, DWORD extraAccess) {
  return ScopedHandle(::CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE | extraAccess,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsFolder(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  return ::GetFileInformationByHandle(handle, &information) &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool HeldFolders::HoldInstallFolder(const std::wstring& installDir, SECURITY_ATTRIBUTES* security) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::vector<std::wstring> folders = FoldersBelowRoot(installDir);
  // A drive's root is never refused, but it is no folder the run can own either.
  if (folders.empty())
    return Refuse(installDir);
  for (size_t index = 0; index < folders.size(); ++index) {
    const bool last = index + 1 == folders.size();
    if (!HoldOne(folders[index], security, last && security != nullptr))
      return false;
  }
  installDir_ = folders.back();
  installDepth_ = folders.size();
  return true;
}

bool HeldFolders::Hold(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::vector<std::wstring> folders = FoldersBelowRoot(folder);
  if (installDepth_ == 0 || folders.size() < installDepth_ ||
      ::CompareStringOrdinal(folders[installDepth_ - 1].c_str(), -1, installDir_.c_str(), -1,
                             TRUE) != CSTR_EQUAL)
    return Refuse(folder);
  for (const std::wstring& each : folders) {
    if (held_.count(each) == 0 && !HoldOne(each, nullptr, false))
      return false;
  }
  return true;
}

std::wstring HeldFolders::RefusedFolder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return refused_;
}

bool HeldFolders::HoldOne(const std::wstring& folder,
                          SECURITY_ATTRIBUTES* security,
                          bool applySecurity) {
  if (held_.count(folder) != 0 && !applySecurity)
    return true;
  // Rules are only set on the install folder and on folders made here: folders above that were
  // there (Program Files) may not even let administrators change them.
  ScopedHandle handle = OpenFolder(folder, applySecurity ? WRITE_DAC : 0);
  bool created = false;
  if (!handle.IsValid() &&
      (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND)) {
    // One made by another thread in the meantime is taken as found.
    created = ::CreateDirectoryW(folder.c_str(), security) != FALSE;
    handle = OpenFolder(folder, applySecurity || (created && security) ? WRITE_DAC : 0);
  }
  if (!handle.IsValid() || !IsFolder(handle.Get()) || IsFolderLink(handle.Get(), folder))
    return Refuse(folder);
  // Set through the handle that was checked; also on a folder just created, since not every
  // file system keeps the creation's rules (Wine keeps only what is set on the folder itself).
  if (security && (applySecurity || created) &&
      !::SetKernelObjectSecurity(handle.Get(), DACL_SECURITY_INFORMATION,
                                 security->lpSecurityDescriptor) &&
      applySecurity)
    return Refuse(folder);
  held_[folder] = std::move(handle);
  return true;
}

bool HeldFolders::Refuse(const std::wstring& folder) {
  refused_ = folder;
  return false;
}

void HeldFolders::Release(const std::wstring& folder) {
  const std::vector<std::wstring> path = FoldersBelowRoot(folder);
  if (path.empty())
    return;
  const std::wstring& spelled = path.back();
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto held = held_.begin(); held != held_.end();) {
    const std::wstring& name = held->first;
    const bool below =
        name.size() > spelled.size() &&
        ::CompareStringOrdinal(name.c_str(), static_cast<int>(spelled.size()), spelled.c_str(),
                               static_cast<int>(spelled.size()), TRUE) == CSTR_EQUAL &&
        name[spelled.size()] == L'\\';
    const bool same =
        ::CompareStringOrdinal(name.c_str(), -1, spelled.c_str(), -1, TRUE) == CSTR_EQUAL;
    held = below || same ? held_.erase(held) : std::next(held);
  }
}

}  // namespace base
