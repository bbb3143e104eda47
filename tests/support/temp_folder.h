#pragma once

#include <windows.h>

#include <string>

// A fresh, uniquely named folder under the temporary folder, removed with its contents on
// destruction. Paths are UTF-16 without a trailing backslash.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

// Writes bytes to a file (created or truncated); returns false when it cannot.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Reads a whole file; empty when it cannot.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// The value of an environment variable, empty when unset.
std::wstring EnvironmentValue(const wchar_t* name);
