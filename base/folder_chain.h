#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace base {

// The folders of path below its volume's root, outermost first, each spelt with "\" and without
// empty elements: "C:\a\\b\" gives "C:\a", "C:\a\b". The root ("C:\", "\\server\share\",
// "\\?\C:\") is never one of them.
std::vector<std::wstring> FoldersBelowRoot(const std::wstring& path);

// Whether the folder entry at path, opened as itself (FILE_FLAG_OPEN_REPARSE_POINT), is a
// junction or a symbolic link, which a write below it would follow elsewhere. A volume mounted
// in a folder is a reparse point too, but not a link: only administrators mount volumes, and the
// system names the volume. Where the system cannot tell (Wine shows a Unix mount point and a
// link alike, without reparse data), a reparse point counts as a link.
bool IsFolderLink(HANDLE folder, const std::wstring& path);

// Creates every missing folder along the path below its root, each with the given security
// (null: inherited from its parent). Stops at the first folder that is a link, or that cannot
// be created: nothing is created through a link, and what could not be created shows when a file
// is written below it. Returns the folders it created, outermost first.
std::vector<std::wstring> CreateFolderChain(const std::wstring& path,
                                            SECURITY_ATTRIBUTES* security = nullptr);

// Removes the folders that CreateFolderChain returned, innermost first, as long as each is
// empty: a folder that holds anything stays, and so does every folder above it.
void RemoveCreatedFolders(const std::vector<std::wstring>& created);

}  // namespace base
