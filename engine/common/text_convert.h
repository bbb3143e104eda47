#pragma once

#include <string>

// Conversions between the three text forms the installer keeps side by side: UTF-8 (manifest
// values and request addresses), the system ANSI code page (narrow interfaces kept for callers,
// such as the file name of a progress report) and UTF-16 (names and paths).
// Each stops at the first NUL of its input; characters that cannot be represented become the
// replacement or default character instead of failing.
std::wstring Utf8ToWide(const std::string& text);
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const wchar_t* text);
std::string WideToUtf8(const std::wstring& text);
