#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

// The committed package fixtures (see testdata/make_testdata.sh) and what they hold.
inline std::wstring FixturePath(const std::wstring& name) {
  std::wstring path =
      std::wstring(QUENBY_SOURCE_DIR) + L"\\tests\\engine\\archive\\testdata\\" + name;
  for (wchar_t& c : path) {
    if (c == L'/')
      c = L'\\';
  }
  return path;
}

// The contents of "client.exe.tmp", the file every package carries.
inline std::string ClientFileContents() {
  std::string contents;
  char line[80];
  for (int i = 0; i < 400; ++i) {
    std::snprintf(line, sizeof line,
                  "client line %04d: the quick brown fox jumps over the lazy dog\n", i);
    contents += line;
  }
  return contents;
}

inline const char kReadmeContents[] = "Read me: packages may hold sub-folders.\n";

// Clears the read-only attribute under `folder`, which some packages restore, so that the
// temporary folder can be removed.
inline void MakeWritable(const std::wstring& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
    ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
}
