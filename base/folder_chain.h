#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace base {

// The folders CreateFolderChain tries, in order: every prefix of the path that ends before a
// separator ("\" or "/", as Windows reads paths), the whole path last.
std::vector<std::wstring> FolderChainPrefixes(const std::wstring& path);

// Creates every missing folder along the path, each with the given security (null: inherited
// from its parent). Each prefix is tried in turn and every result ignored: an existing folder,
// the drive part or an empty element just fails and the scan goes on. What could not be created
// shows when a file is written below it.
void CreateFolderChain(const std::wstring& path, SECURITY_ATTRIBUTES* security = nullptr);

// The first folder below root, on the way to folder (root, root, …, folder), that is a
// reparse point (a junction, a symbolic link or a mount point), which a write below it would
// follow elsewhere; empty when there is none. folder is root or lies below it.
std::wstring FirstReparsePointBelow(const std::wstring& root, const std::wstring& folder);

}  // namespace base
