#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace ui {

// A tag of the formatted-text language: "<b>", "{c #FF0000}", "</a>", "{/c}". The argument is
// everything after the letter up to the closing ">" or "}", without leading blanks; end is the
// position after that character (the end of the text when it is missing).
struct FormatTag {
  wchar_t letter = 0;
  bool closing = false;
  std::wstring_view argument;
  size_t end = 0;
};

// The tag that starts at position, if any: "<" or "{", an optional "/", one lowercase letter and,
// for an opening tag, a space, ">" or "}" right after the letter.
std::optional<FormatTag> MatchFormatTag(std::wstring_view text, size_t position);

// The character an escape at position produces: "<{>" and "<}>" give the brace, "{<}" and "{>}"
// the angle bracket. Escapes are three characters long.
std::optional<wchar_t> MatchFormatEscape(std::wstring_view text, size_t position);
constexpr size_t kFormatEscapeLength = 3;

}  // namespace ui
