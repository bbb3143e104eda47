#include "ui/render/format_tags.h"

#include <algorithm>
#include <cwctype>

#include "base/attribute_values.h"
#include "ui/render/image_description.h"

namespace ui {
namespace {

bool IsBlank(wchar_t c) {
  return c <= L' ';
}

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Splits off the next blank-separated word of text.
std::wstring_view NextWord(std::wstring_view& text) {
  text = Trim(text);
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end]))
    ++end;
  const std::wstring_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

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
  size_t end = letter + 1;
  while (end < text.size() && !IsClosing(text[end]))
    ++end;
  tag.argument = Trim(text.substr(letter + 1, end - letter - 1));
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

InlineImageArgument ParseInlineImageArgument(std::wstring_view argument) {
  InlineImageArgument image;
  std::wstring_view rest;
  const size_t lastQuote = argument.rfind(L'\'');
  if (argument.find(L'=') != std::wstring_view::npos && lastQuote != std::wstring_view::npos) {
    const ImageDescription description = ParseImageDescription(argument.substr(0, lastQuote + 1));
    if (description.kind == ImageSourceKind::File || description.kind == ImageSourceKind::Resource)
      image.name = description.name;
    if (description.kind == ImageSourceKind::Resource)
      image.type = description.resourceType;
    rest = argument.substr(lastQuote + 1);
  } else {
    rest = argument;
    image.name = NextWord(rest);
  }
  const std::wstring_view frames = NextWord(rest);
  const std::wstring_view frame = NextWord(rest);
  if (!frames.empty())
    image.frames = std::max(1, base::attribute::ParseInt(frames));
  if (!frame.empty())
    image.frame = base::attribute::ParseInt(frame);
  if (image.frame < 0 || image.frame >= image.frames)
    image.frame = 0;
  return image;
}

FontArgument ParseFontArgument(std::wstring_view argument) {
  FontArgument font;
  std::wstring_view rest = Trim(argument);
  if (!rest.empty() && IsDigit(rest.front())) {
    font.index = base::attribute::ParseInt(rest);
    return font;
  }
  font.faceName = NextWord(rest);
  for (std::wstring_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
    if (IsDigit(word.front()))
      font.size = base::attribute::ParseInt(word);
    else if (EqualsIgnoringCase(word, L"bold"))
      font.bold = true;
    else if (EqualsIgnoringCase(word, L"underline"))
      font.underline = true;
    else if (EqualsIgnoringCase(word, L"italic"))
      font.italic = true;
  }
  return font;
}

}  // namespace ui
