#include "base/attribute_values.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace base::attribute {
namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9')
    return c - L'0';
  if (c >= L'a' && c <= L'f')
    return c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    return c - L'A' + 10;
  return -1;
}

uint32_t ParseHex(std::wstring_view text) {
  size_t i = 0;
  if (text.size() >= 3 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') &&
      HexDigit(text[2]) >= 0) {
    i = 2;
  }
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0)
      break;
    // Saturate like the C library: too many digits give the largest value.
    value = value > UINT32_MAX ? value : value * 16 + digit;
  }
  return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

// Reads count values with parse, each starting one character past where the previous stopped.
template <typename T, typename Parse>
void ParseList(std::wstring_view text, T* values, size_t count, Parse parse) {
  size_t position = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t consumed = 0;
    values[i] = parse(text.substr(position), &consumed);
    position += consumed;
    // Past the end there is nothing more to read: the remaining values are 0.
    position = position < text.size() ? position + 1 : text.size();
  }
}

}  // namespace

int ParseInt(std::wstring_view text, size_t* consumed) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  const size_t firstDigit = i;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    if (value <= static_cast<int64_t>(INT_MAX) + 1)
      value = value * 10 + (text[i] - L'0');
  }
  if (i == firstDigit) {
    if (consumed)
      *consumed = 0;
    return 0;
  }
  if (consumed)
    *consumed = i;
  if (negative)
    return value > static_cast<int64_t>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

double ParseDouble(std::wstring_view text, size_t* consumed) {
  // wcstod wants a terminated string; a number longer than the buffer is not a skin value.
  wchar_t buffer[64];
  const size_t length = text.size() < 63 ? text.size() : 63;
  text.copy(buffer, length);
  buffer[length] = L'\0';
  wchar_t* end = nullptr;
  const double value = std::wcstod(buffer, &end);
  if (consumed)
    *consumed = static_cast<size_t>(end - buffer);
  return value;
}

void ParseIntList(std::wstring_view text, int* values, size_t count) {
  ParseList(text, values, count, ParseInt);
}

RECT ParseRect(std::wstring_view text) {
  int values[4];
  ParseIntList(text, values, 4);
  return RECT{values[0], values[1], values[2], values[3]};
}

SIZE ParseSize(std::wstring_view text) {
  int values[2];
  ParseIntList(text, values, 2);
  return SIZE{values[0], values[1]};
}

void ParseDoubleList(std::wstring_view text, double* values, size_t count) {
  ParseList(text, values, count, ParseDouble);
}

bool ParseBool(std::wstring_view text) {
  return text == L"true";
}

uint32_t ParseColor(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] <= L' ')
    ++i;
  if (i < text.size() && text[i] == L'#')
    ++i;
  return ParseHex(text.substr(i));
}

uint32_t ParseColorNoBlanks(std::wstring_view text) {
  if (!text.empty() && text[0] == L'#')
    text.remove_prefix(1);
  return ParseHex(text);
}

}  // namespace base::attribute
