#include "engine/archive/diagnostics.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace archive::detail {

void WriteDiagnostic(std::wstring_view message, std::wstring_view path) {
  std::wstring line(message);
  line += path;
  const int length = ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), bytes.data(),
                          length, nullptr, nullptr);
  }
  WriteOutputLine(bytes);
}

void WriteOutputLine(std::string_view line) {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE)
    return;
  // What the C runtime holds for the same output goes first, so the lines keep their order.
  std::fflush(stdout);
  std::string bytes(line);
  bytes += "\r\n";
  DWORD written = 0;
  ::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace archive::detail
