#include "app/start_failure.h"

#include <windows.h>

#include <cstdio>

#include "app/run_log_folder.h"
#include "base/scoped_handle.h"
#include "engine/run_log.h"
#include "engine/text_convert.h"

namespace {

constexpr wchar_t kLogName[] = L"Quenby-install-start.log";
constexpr LONGLONG kMostBytes = 64 * 1024;

}  // namespace

std::wstring StartFailureLogPath() {
  const std::wstring folder = RunLogFolder();
  return folder.empty() ? folder : folder + kLogName;
}

void RecordStartFailure(const std::wstring& reason) {
  try {
    ActiveRunLog().Write(WideToUtf8(reason));
    const std::wstring path = StartFailureLogPath();
    if (path.empty())
      return;
    base::ScopedHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
      return;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > kMostBytes) {
      file.Reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.IsValid())
        return;
    }
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    // Formatted narrow: the wide printf family would bring a second formatter into the program.
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u [pid %lu] ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  ::GetCurrentProcessId());
    const std::string line = stamp + WideToUtf8(reason) + "\r\n";
    DWORD written = 0;
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (...) {
    // Nothing more can be told.
  }
}
