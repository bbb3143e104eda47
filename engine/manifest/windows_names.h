#pragma once

#include <string>
#include <string_view>

// Names that Windows does not take as the file or folder they spell. The installer runs with
// administrator rights and its manifest comes over plain HTTP, so such a name is refused rather
// than handed to CreateFile.

// Whether Windows takes one path element as an ordinary name: not a device (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9 and their superscript forms COM¹-COM³, LPT¹-LPT³, CONIN$, CONOUT$; in any
// letter case, with any extension and with blanks before it: "con.txt", "Nul .log"), and not
// ending in a dot or a space (Windows drops those, so the file would get another name). An empty
// element is no name at all and passes: "res\" ends with one.
bool IsOrdinaryWindowsName(std::wstring_view element);

// IsOrdinaryWindowsName for every element of a relative path ('\' or '/' between them).
bool HoldsOnlyOrdinaryNames(std::wstring_view relativePath);

// The form under which the file system finds a relative path: its elements joined by '\' (empty
// and "." elements left out, as Windows drops them) and upper-cased the way NTFS compares names,
// so that two paths naming the same file have the same key.
std::wstring FileSystemKey(std::wstring_view relativePath);
