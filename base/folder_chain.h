#pragma once

#include <string>
#include <vector>

namespace base {

// The folders CreateFolderChain tries, in order: every prefix of the path that ends before a
// separator ("\" or "/", as Windows reads paths), the whole path last.
std::vector<std::wstring> FolderChainPrefixes(const std::wstring& path);

// Creates every missing folder along the path. Each prefix is tried in turn and every result
// ignored: an existing folder, the drive part or an empty element just fails and the scan goes
// on. What could not be created shows when a file is written below it.
void CreateFolderChain(const std::wstring& path);

}  // namespace base
