#include <windows.h>

#include <shlwapi.h>

#include <pugixml.hpp>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unordered_set>

#include "engine/archive/item_path.h"
#include "engine/common/address_escape.h"
#include "engine/common/file_digest.h"
#include "engine/common/text_convert.h"
#include "engine/manifest/manifest_reader.h"
#include "engine/manifest/windows_names.h"

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

// The digest without surrounding white space, in lowercase.
std::string NormalizedDigest(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  std::string digest = text.substr(first, last - first + 1);
  for (char& c : digest)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return digest;
}

bool IsSha256Hex(const std::string& digest) {
  return digest.size() == 64 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool IsMd5Hex(const std::string& digest) {
  return digest.size() == 32 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A whole address of printable ASCII, as transfers take it.
bool IsPlainAddress(const std::string& url) {
  if (url.compare(0, 7, "http://") != 0 && url.compare(0, 8, "https://") != 0)
    return false;
  for (char c : url) {
    if (c <= ' ' || c > '~')
      return false;
  }
  return true;
}

// The entry's well-formed "Patch" elements; any other is left out, since the full package
// serves without it. A patch from the file the entry already describes could never apply.
std::vector<PatchSource> ReadPatches(const pugi::xml_node& entry, const std::string& md5) {
  std::vector<PatchSource> patches;
  for (pugi::xml_node node = entry.child("Patch"); node; node = node.next_sibling("Patch")) {
    PatchSource patch;
    patch.fromMd5 = NormalizedDigest(node.attribute("FromMD5").value());
    patch.sha256 = NormalizedDigest(node.attribute("SHA256").value());
    const std::string url = node.attribute("Url").value();
    const std::string length = node.attribute("Length").value();
    const bool lengthIsNumber = !length.empty() && length.size() <= 9 &&
                                length.find_first_not_of("0123456789") == std::string::npos;
    if (!IsMd5Hex(patch.fromMd5) || patch.fromMd5 == md5 || !IsSha256Hex(patch.sha256) ||
        !IsPlainAddress(url) || !lengthIsNumber)
      continue;
    patch.length = std::atoi(length.c_str());
    patch.url = Utf8ToWide(url);
    bool known = false;
    for (const PatchSource& earlier : patches)
      known = known || earlier.fromMd5 == patch.fromMd5;
    if (!known && patch.length > 0)
      patches.push_back(std::move(patch));
  }
  return patches;
}

// Whether an entry's folder and name make a file this installer may write: inside the install
// folder, one file name (no folder part of its own), and names Windows takes as they are spelt.
bool IsAcceptableEntry(const std::wstring& dir, const std::wstring& name) {
  return name.find(L'/') == std::wstring::npos && name.find(L'\\') == std::wstring::npos &&
         archive::StaysInsideFolder(dir + name) && HoldsOnlyOrdinaryNames(dir + name);
}

}  // namespace

ManifestContents ReadManifest(const std::string& manifestText, const std::wstring& installDir) {
  ManifestContents contents;
  std::vector<UpdateItem>& items = contents.items;
  pugi::xml_document document;
  // The manifest is UTF-8 whatever its declaration or byte-order mark says; a UTF-8 mark is
  // skipped. A broken document still gives what was read before the fault, but is not readable.
  const pugi::xml_parse_result parsed = document.load_buffer(
      manifestText.data(), manifestText.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node root = document.child("UpdateFiles");
  contents.readable = parsed && root;
  // Entries naming the same file in another letter case would write it twice; the first stays.
  std::unordered_set<std::wstring> listedFiles;
  for (pugi::xml_node entry = root.first_child(); entry; entry = entry.next_sibling()) {
    std::string name = FieldValue(entry, "Name");
    std::string url = FieldValue(entry, "Url");
    std::string dir = FieldValue(entry, "Dir");
    std::string md5 = FieldValue(entry, "MD5");
    std::string length = FieldValue(entry, "Length");
    std::string sha256 = FieldValue(entry, "SHA256");

    UpdateItem item;
    item.name = Utf8ToWide(name);
    std::wstring wideDir = Utf8ToWide(dir);
    // The manifest arrives over plain HTTP and the installer runs with administrator rights: a
    // file that would land outside the install folder, on a device or under another name than
    // the one listed is never fetched.
    if (!IsAcceptableEntry(wideDir, item.name) ||
        !listedFiles.insert(FileSystemKey(wideDir + item.name)).second) {
      contents.refused.push_back(wideDir + item.name);
      continue;
    }
    item.folder = installDir + L"\\" + wideDir;
    item.targetPath = item.folder + item.name;
    item.length = ParseLength(WideToAnsi(Utf8ToWide(length).c_str()));
    // Built from the manifest's own text: the ANSI form of a name cannot hold every name.
    item.url = Utf8ToWide(PackageAddress(url, name));
    item.md5 = NormalizedDigest(md5);
    item.sha256 = NormalizedDigest(sha256);
    item.sha256Malformed = !item.sha256.empty() && !IsSha256Hex(item.sha256);
    if (::PathFileExistsW(item.targetPath.c_str())) {
      item.installedMd5 = FileMd5Hex(item.targetPath);
      if (item.installedMd5 == md5) {
        contents.unchanged.push_back(wideDir + item.name);
        continue;
      }
    }
    item.patches = ReadPatches(entry, md5);
    items.push_back(std::move(item));
  }
  return contents;
}

std::vector<UpdateItem> ReadUpdateItems(const std::string& manifestText,
                                        const std::wstring& installDir) {
  return ReadManifest(manifestText, installDir).items;
}
