#include "app/start_failure.h"

#include <windows.h>

#include <cstdio>

#include "app/log_file_open.h"
#include "app/run_log_folder.h"
#include "base/scoped_handle.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"

namespace {

constexpr wchar_t kLogName[] = L"Quenby-install-start.log";
constexpr LONGLONG kMostBytes = 64 * 1024;

}  // namespace

std::wstring StartFailureLogPath() {
  const std::wstring folder = RunLogFolder();
  return folder.empty() ? folder : folder + kLogName;
}

bool AppendStartFailure(const std::wstring& path, const std::wstring& reason) {
  // Write access, not append only: a record past its bound is emptied through this handle.
  const base::ScopedHandle file = OpenLogFileNoFollow(
      path, FILE_WRITE_DATA | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
  if (!file.IsValid())
    return false;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart > kMostBytes) {
    const LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.Get()))
      return false;
  }
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  // Formatted narrow: the wide printf family would bring a second formatter into the program.
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u [pid %lu] ", now.wYear,
                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, ::GetCurrentProcessId());
  const std::string line = stamp + WideToUtf8(reason) + "\r\n";
  // At the end as it is now: another installer may have written since the size was read.
  const LARGE_INTEGER none{};
  DWORD written = 0;
  return ::SetFilePointerEx(file.Get(), none, nullptr, FILE_END) &&
         ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}

void RecordStartFailure(const std::wstring& reason) {
  try {
    ActiveRunLog().Write(WideToUtf8(reason));
    const std::wstring path = StartFailureLogPath();
    if (!path.empty())
      AppendStartFailure(path, reason);
  } catch (...) {
    // Nothing more can be told.
  }
}
