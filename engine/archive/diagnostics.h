#pragma once

#include <string_view>

namespace archive::detail {

// Writes one diagnostic line, `message` followed by `path`, to the standard output in the ANSI
// code page. A GUI process without a console discards it; nothing reads these lines.
void WriteDiagnostic(std::wstring_view message, std::wstring_view path = {});

// Writes one line of ANSI text (without its line end) to the standard output, in one write: the
// C runtime's text-mode output costs a round trip to the Wine server per character.
void WriteOutputLine(std::string_view line);

}  // namespace archive::detail
