#include <windows.h>
#include <shlwapi.h>

#include <pugixml.hpp>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/file_digest.h"
#include "engine/text_convert.h"
#include "engine/update_item.h"

namespace {

// The value of the first child node of entry's element `field` (text or CDATA), or "".
std::string FieldValue(const pugi::xml_node& entry, const char* field) {
  return entry.child(field).first_child().value();
}

// Decimal number in the manner of atoi (leading blanks and a sign, stops at the first non-digit,
// 0 when there is none), saturated to the int range instead of overflowing.
int ParseLength(const std::string& text) {
  errno = 0;
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

bool IsContainedRelativePath(const std::wstring& relativePath) {
  if (relativePath.empty())
    return true;
  if (relativePath[0] == L'\\' || relativePath[0] == L'/')
    return false;  // rooted on the current drive, or a UNC name
  if (relativePath.find(L':') != std::wstring::npos)
    return false;  // a drive letter (or an alternate data stream)
  size_t start = 0;
  while (start <= relativePath.size()) {
    size_t end = relativePath.find_first_of(L"\\/", start);
    if (end == std::wstring::npos)
      end = relativePath.size();
    std::wstring element = relativePath.substr(start, end - start);
    // Windows drops trailing dots and blanks, so ".. " and "..." also climb.
    size_t last = element.find_last_not_of(L". ");
    if (!element.empty() && last == std::wstring::npos && element.find(L"..") != std::wstring::npos)
      return false;
    start = end + 1;
  }
  return true;
}

std::vector<UpdateItem> ReadUpdateItems(const std::string& manifestText,
                                        const std::wstring& installDir) {
  std::vector<UpdateItem> items;
  pugi::xml_document document;
  document.load_buffer(manifestText.data(), manifestText.size());  // status not examined
  pugi::xml_node root = document.child("UpdateFiles");
  for (pugi::xml_node entry = root.first_child(); entry; entry = entry.next_sibling()) {
    std::string name = FieldValue(entry, "Name");
    std::string url = FieldValue(entry, "Url");
    std::string dir = FieldValue(entry, "Dir");
    std::string md5 = FieldValue(entry, "MD5");
    std::string length = FieldValue(entry, "Length");

    UpdateItem item;
    item.name = Utf8ToWide(name);
    std::wstring wideDir = Utf8ToWide(dir);
    // The manifest arrives over plain HTTP and the installer runs with administrator rights: a
    // file that would land outside the install folder is never fetched.
    if (!IsContainedRelativePath(wideDir + item.name))
      continue;
    item.folder = installDir + L"\\" + wideDir;
    item.targetPath = item.folder + item.name;
    item.length = ParseLength(WideToAnsi(Utf8ToWide(length).c_str()));
    item.url = Utf8ToWide(url + name);
    if (::PathFileExistsW(item.targetPath.c_str()) && FileMd5Hex(item.targetPath) == md5)
      continue;
    items.push_back(std::move(item));
  }
  return items;
}
