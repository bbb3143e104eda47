#include "app/run_log_file.h"

#include <windows.h>

#include <cstdio>

#include "app/log_file_open.h"

RunLogFile::RunLogFile(const std::wstring& path) {
  file_ = OpenLogFileNoFollow(path, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
  LARGE_INTEGER size;
  // A new file starts with the byte order mark, by which older editors know it for UTF-8.
  if (file_.IsValid() && ::GetFileSizeEx(file_.Get(), &size) && size.QuadPart == 0) {
    DWORD written = 0;
    ::WriteFile(file_.Get(), "\xEF\xBB\xBF", 3, &written, nullptr);
  }
}

void RunLogFile::Write(std::string_view line) {
  if (!file_.IsValid())
    return;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char stamp[32];
  const int stampLength =
      std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear,
                    now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  std::string text(stamp, stampLength > 0 ? static_cast<size_t>(stampLength) : 0);
  text += line;
  text += "\r\n";
  // One write a line: appends from two processes never interleave within a line. A failed
  // write only loses the line.
  std::lock_guard<std::mutex> hold(mutex_);
  DWORD written = 0;
  ::WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
