#include "base/folder_chain.h"

#include <windows.h>

#include "base/scoped_handle.h"

namespace base {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

std::vector<std::wstring> Elements(const std::wstring& path) {
  std::vector<std::wstring> elements;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
    if (end > start)
      elements.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return elements;
}

bool SameText(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<std::wstring> FoldersBelowRoot(const std::wstring& path) {
  const std::vector<std::wstring> elements = Elements(path);
  const bool doubleSeparator = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  // How many elements, and which leading separators, make the root.
  size_t rootElements = 0;
  std::wstring folder;
  if (doubleSeparator) {
    folder = L"\\\\";
    const bool device = !elements.empty() && (elements[0] == L"?" || elements[0] == L".");
    if (device && elements.size() > 1 && SameText(elements[1], L"UNC"))
      rootElements = 4;  // \\?\UNC\server\share
    else
      rootElements = 2;  // \\?\C: or \\server\share
  } else if (!elements.empty() && elements[0].size() == 2 && elements[0][1] == L':') {
    rootElements = 1;
  } else if (!path.empty() && IsSeparator(path[0])) {
    folder = L"\\";
  }
  std::vector<std::wstring> folders;
  for (size_t index = 0; index < elements.size(); ++index) {
    if (index > 0)
      folder += L'\\';
    folder += elements[index];
    if (index + 1 > rootElements)
      folders.push_back(folder);
  }
  return folders;
}

bool IsFolderLink(HANDLE folder, const std::wstring& path) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(folder, &information))
    return true;
  // Asked by name as well, once the entry is open: Wine opens a Unix link's target even as
  // itself and reports the reparse attribute only by name.
  const DWORD named = ::GetFileAttributesW(path.c_str());
  if (((information.dwFileAttributes | (named == INVALID_FILE_ATTRIBUTES ? 0 : named)) &
       FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    return false;
  // Junctions and volume mount points share the tag; only a mount point's target is a volume.
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &tag, sizeof tag) ||
      tag.ReparseTag != IO_REPARSE_TAG_MOUNT_POINT)
    return true;
  wchar_t volume[64];
  return !::GetVolumeNameForVolumeMountPointW((path + L"\\").c_str(), volume, 64);
}

std::vector<std::wstring> CreateFolderChain(const std::wstring& path,
                                            SECURITY_ATTRIBUTES* security) {
  std::vector<std::wstring> created;
  for (const std::wstring& folder : FoldersBelowRoot(path)) {
    if (::CreateDirectoryW(folder.c_str(), security)) {
      created.push_back(folder);
      // Set once more on a created folder: not every file system keeps the creation's rules
      // (Wine keeps only what is set on the folder itself).
      if (security)
        ::SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION,
                           security->lpSecurityDescriptor);
      continue;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
      return created;
    ScopedHandle existing(::CreateFileW(
        folder.c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!existing.IsValid() || IsFolderLink(existing.Get(), folder))
      return created;
  }
  return created;
}

void RemoveCreatedFolders(const std::vector<std::wstring>& created) {
  for (auto folder = created.rbegin(); folder != created.rend(); ++folder) {
    if (!::RemoveDirectoryW(folder->c_str()))
      return;
  }
}

}  // namespace base
