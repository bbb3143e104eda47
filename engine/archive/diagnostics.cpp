#include "engine/archive/diagnostics.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace archive::detail {

void WriteDiagnostic(std::wstring_view message, std::wstring_view path) {
  std::wstring line(message);
  line += path;
  line += L'\n';
  const int length = ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                                           nullptr, 0, nullptr, nullptr);
  if (length <= 0)
    return;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), bytes.data(), length,
                        nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace archive::detail
