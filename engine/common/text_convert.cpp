#include "engine/common/text_convert.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring MultiByteToWide(UINT codePage, const std::string& text) {
  int needed = ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (needed <= 0)
    return std::wstring();
  std::vector<wchar_t> buffer(needed + 1, L'\0');
  ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, buffer.data(), needed);
  return std::wstring(buffer.data());
}

std::string WideToMultiByte(UINT codePage, const wchar_t* text) {
  int needed = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0)
    return std::string();
  std::vector<char> buffer(needed + 1, '\0');
  ::WideCharToMultiByte(codePage, 0, text, -1, buffer.data(), needed, nullptr, nullptr);
  return std::string(buffer.data());
}

}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
  return MultiByteToWide(CP_UTF8, text);
}

std::wstring AnsiToWide(const std::string& text) {
  return MultiByteToWide(CP_ACP, text);
}

std::string WideToAnsi(const wchar_t* text) {
  if (!text)
    return std::string();
  return WideToMultiByte(CP_ACP, text);
}

std::string WideToUtf8(const std::wstring& text) {
  return WideToMultiByte(CP_UTF8, text.c_str());
}
