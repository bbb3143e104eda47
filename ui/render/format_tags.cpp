#include "ui/render/format_tags.h"

namespace ui {
namespace {

bool IsOpening(wchar_t c) {
  return c == L'<' || c == L'{';
}

bool IsClosing(wchar_t c) {
  return c == L'>' || c == L'}';
}

}  // namespace

std::optional<FormatTag> MatchFormatTag(std::wstring_view text, size_t position) {
  auto at = [&](size_t i) { return i < text.size() ? text[i] : L'\0'; };
  if (!IsOpening(at(position)))
    return std::nullopt;
  FormatTag tag;
  size_t letter = position + 1;
  if (at(letter) == L'/') {
    tag.closing = true;
    ++letter;
  }
  const wchar_t c = at(letter);
  if (c < L'a' || c > L'z')
    return std::nullopt;
  const wchar_t next = at(letter + 1);
  if (!tag.closing && next != L' ' && !IsClosing(next))
    return std::nullopt;
  tag.letter = c;
  size_t argument = letter + 1;
  while (argument < text.size() && (text[argument] == L' ' || text[argument] == L'\t'))
    ++argument;
  size_t end = argument;
  while (end < text.size() && !IsClosing(text[end]))
    ++end;
  tag.argument = text.substr(argument, end - argument);
  tag.end = end < text.size() ? end + 1 : end;
  return tag;
}

std::optional<wchar_t> MatchFormatEscape(std::wstring_view text, size_t position) {
  if (position + kFormatEscapeLength > text.size())
    return std::nullopt;
  const wchar_t open = text[position], inner = text[position + 1], close = text[position + 2];
  if (open == L'<' && close == L'>' && (inner == L'{' || inner == L'}'))
    return inner;
  if (open == L'{' && close == L'}' && (inner == L'<' || inner == L'>'))
    return inner;
  return std::nullopt;
}

}  // namespace ui
