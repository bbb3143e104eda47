#pragma once

#include <string>
#include <vector>

#include "engine/manifest/update_item.h"

// What an update manifest says about an install folder.
struct ManifestContents {
  // The document parsed completely and has an "UpdateFiles" root. A run refuses anything else:
  // a list cut short would leave the client half updated.
  bool readable = false;
  // In manifest order, every file of the install folder that is missing or whose MD5 differs from
  // the manifest's (compared byte for byte, so an uppercase digest never matches).
  std::vector<UpdateItem> items;
  // The files already up to date: "Dir" followed by "Name".
  std::vector<std::wstring> unchanged;
  // The entries refused for their names ("Dir" followed by "Name", as the manifest spells them),
  // which a run must not install without.
  std::vector<std::wstring> refused;
};

// Reads the update manifest (UTF-8 XML) against the install folder. Entries are refused whose
// "Dir" or "Name" would place the file outside the install folder, whose "Name" holds a folder
// separator, whose names Windows would not take as spelt (engine/manifest/windows_names.h: devices,
// a trailing dot or space), or whose file an earlier entry already names in another letter case. A
// document that does not parse gives what was read before the fault; one without an "UpdateFiles"
// root gives nothing. An entry's "Patch" elements (attributes FromMD5, Url, Length, SHA256) become
// its item's patches; one that is not well formed is left out, never the entry.
ManifestContents ReadManifest(const std::string& manifestText, const std::wstring& installDir);

// The items of ReadManifest alone.
std::vector<UpdateItem> ReadUpdateItems(const std::string& manifestText,
                                        const std::wstring& installDir);
