#include "engine/archive/item_path.h"

namespace archive {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool IsParentReference(std::wstring_view element) {
  if (element.empty() || element == L".")
    return false;
  return element.find_first_not_of(L". ") == std::wstring_view::npos;
}

}  // namespace

bool StaysInsideFolder(std::wstring_view relativePath) {
  if (relativePath.empty() || IsSeparator(relativePath.front()))
    return false;
  if (relativePath.find(L':') != std::wstring_view::npos)
    return false;
  size_t start = 0;
  while (start <= relativePath.size()) {
    size_t end = start;
    while (end < relativePath.size() && !IsSeparator(relativePath[end]))
      ++end;
    if (IsParentReference(relativePath.substr(start, end - start)))
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace archive
