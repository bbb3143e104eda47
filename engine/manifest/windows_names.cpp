#include "engine/manifest/windows_names.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

wchar_t AsciiUpper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool EqualsAsciiIgnoringCase(std::wstring_view text, std::wstring_view upper) {
  if (text.size() != upper.size())
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiUpper(text[i]) != upper[i])
      return false;
  }
  return true;
}

// Windows counts the Latin-1 superscripts as the digits of COM and LPT devices.
bool IsDevicePortDigit(wchar_t c) {
  return (c >= L'1' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
}

bool IsDeviceName(std::wstring_view element) {
  // Windows reads the device from what comes before the first dot, less trailing blanks.
  std::wstring_view base = element.substr(0, element.find(L'.'));
  while (!base.empty() && base.back() == L' ')
    base.remove_suffix(1);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (EqualsAsciiIgnoringCase(base, device))
      return true;
  }
  return base.size() == 4 && IsDevicePortDigit(base[3]) &&
         (EqualsAsciiIgnoringCase(base.substr(0, 3), L"COM") ||
          EqualsAsciiIgnoringCase(base.substr(0, 3), L"LPT"));
}

template <typename Visit>
void ForEachElement(std::wstring_view relativePath, Visit visit) {
  size_t start = 0;
  while (start <= relativePath.size()) {
    size_t end = start;
    while (end < relativePath.size() && !IsSeparator(relativePath[end]))
      ++end;
    visit(relativePath.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

bool IsOrdinaryWindowsName(std::wstring_view element) {
  if (element.empty())
    return true;
  if (element.back() == L'.' || element.back() == L' ')
    return false;
  return !IsDeviceName(element);
}

bool HoldsOnlyOrdinaryNames(std::wstring_view relativePath) {
  bool ordinary = true;
  ForEachElement(relativePath, [&](std::wstring_view element) {
    ordinary = ordinary && IsOrdinaryWindowsName(element);
  });
  return ordinary;
}

std::wstring FileSystemKey(std::wstring_view relativePath) {
  std::wstring joined;
  ForEachElement(relativePath, [&](std::wstring_view element) {
    if (element.empty() || element == L".")
      return;
    if (!joined.empty())
      joined += L'\\';
    joined += element;
  });
  if (joined.empty())
    return joined;
  // NTFS compares names by upper-casing each UTF-16 unit with its own table, which the invariant
  // locale's simple upper-casing follows; the length never changes ("ß" stays one character).
  std::wstring key(joined.size(), L'\0');
  const int written = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, joined.c_str(),
                                      static_cast<int>(joined.size()), key.data(),
                                      static_cast<int>(key.size()), nullptr, nullptr, 0);
  if (written != static_cast<int>(joined.size())) {
    // Not expected for a same-length mapping; ASCII upper-casing still catches the usual clashes.
    for (size_t i = 0; i < joined.size(); ++i)
      key[i] = AsciiUpper(joined[i]);
  }
  return key;
}
