#pragma once

#include <string>

// Helpers shared by the stand-in client programs.

// The running program's own path, or empty text.
std::wstring ModulePath();

// The folder part of a path, without the last "\"; empty text when there is none.
std::wstring FolderOf(const std::wstring& path);

// UTF-16 to UTF-8.
std::string Utf8(const std::wstring& text);
