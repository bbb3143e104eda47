#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// A tag of the formatted-text language: "<b>", "{c #FF0000}", "</a>", "{/c}". The argument is
// everything after the letter up to the closing ">" or "}", without surrounding blanks; end is
// the position after that character (the end of the text when it is missing).
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

// The argument of an <i> tag that shows an image: an image description whose "file", "res" and
// "restype" items count, or a plain image name as the first word; then optionally the number of
// frames the image holds side by side (at least 1) and the one to show (0 when out of range).
// A description naming no file or resource leaves name empty.
struct InlineImageArgument {
  std::wstring name;
  std::wstring type;
  int frames = 1;
  int frame = 0;
};
InlineImageArgument ParseInlineImageArgument(std::wstring_view argument);

// The argument of an <f> tag: a font index of the render context, or a face name followed by a
// size (10 when missing) and the words "bold", "underline", "italic" in any case.
struct FontArgument {
  int index = -1;  // -1 when the font is given by its description
  std::wstring faceName;
  int size = 10;
  bool bold = false;
  bool underline = false;
  bool italic = false;
};
FontArgument ParseFontArgument(std::wstring_view argument);

}  // namespace ui
