#pragma once

#include <windows.h>

#include <string>

// MD5 of a file's contents as 32 lowercase hexadecimal digits, or the empty string when the file
// cannot be opened (missing, a folder, no access) or is a link. The path is taken in UTF-16 so
// that folders whose names the ANSI code page cannot hold still work. The file is opened as
// itself, never through a link, and as a client that only lets a server (a named pipe in its
// place) identify it, never act as it.
std::string FileMd5Hex(const std::wstring& path);

// SHA-256 of a file's contents as 64 lowercase hexadecimal digits, or the empty string when the
// file cannot be read, as FileMd5Hex.
std::string FileSha256Hex(const std::wstring& path);

// MD5 of what is left to read of an opened file, as OpenedFileSha256Hex.
std::string OpenedFileMd5Hex(HANDLE file);

// SHA-256 of what is left to read of an opened file, from its current position to its end, as
// FileSha256Hex; the file is left at its end. The empty string when a read fails.
std::string OpenedFileSha256Hex(HANDLE file);
