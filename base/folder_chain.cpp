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

void CreateFolderChain(const std::wstring& path) {
  for (const std::wstring& prefix : FolderChainPrefixes(path))
    ::CreateDirectoryW(prefix.c_str(), nullptr);
}

}  // namespace base
