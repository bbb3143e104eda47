#include "tests/support/temp_folder.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  for (;;) {
    path_ = std::wstring(base) + L"quenby-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    if (::CreateDirectoryW(path_.c_str(), nullptr))
      break;
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t value[2048];
  DWORD length = ::GetEnvironmentVariableW(name, value, 2048);
  return length > 0 && length < 2048 ? std::wstring(value, length) : std::wstring();
}
