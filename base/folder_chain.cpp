#include "base/folder_chain.h"

#include <windows.h>

namespace base {

std::vector<std::wstring> FolderChainPrefixes(const std::wstring& path) {
  std::vector<std::wstring> prefixes;
  for (size_t end = path.find_first_of(L"\\/"); end != std::wstring::npos;
       end = path.find_first_of(L"\\/", end + 1)) {
    prefixes.push_back(path.substr(0, end));
  }
  prefixes.push_back(path);
  return prefixes;
}

void CreateFolderChain(const std::wstring& path, SECURITY_ATTRIBUTES* security) {
  for (const std::wstring& prefix : FolderChainPrefixes(path)) {
    // Set once more on a created folder: not every file system keeps the creation's rules (Wine
    // keeps only what is set on the folder itself).
    if (::CreateDirectoryW(prefix.c_str(), security) && security)
      ::SetFileSecurityW(prefix.c_str(), DACL_SECURITY_INFORMATION, security->lpSecurityDescriptor);
  }
}

std::wstring FirstReparsePointBelow(const std::wstring& root, const std::wstring& folder) {
  for (const std::wstring& prefix : FolderChainPrefixes(folder)) {
    if (prefix.size() <= root.size())
      continue;
    const DWORD attributes = ::GetFileAttributesW(prefix.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      return prefix;
  }
  return {};
}

}  // namespace base
