#pragma once

#include <string>

// The file-system path of a shell special folder (a CSIDL_ value), looked up without an owner
// window; empty text when the folder is unknown or has no file-system path.
std::wstring SpecialFolderPath(int csidl);

// The desktop folder's path (CSIDL_DESKTOP), or empty text.
std::wstring GetDesktopFolder();
