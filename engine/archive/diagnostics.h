#pragma once

#include <string_view>

namespace archive::detail {

// Writes one diagnostic line, `message` followed by `path`, to the standard output in the ANSI
// code page. A GUI process without a console discards it; nothing reads these lines.
void WriteDiagnostic(std::wstring_view message, std::wstring_view path = {});

}  // namespace archive::detail
