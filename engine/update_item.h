#pragma once

#include <string>
#include <vector>

// One client file that must be downloaded in the current install run.
struct UpdateItem {
  std::wstring url;         // "Url" followed by "Name", escaped (PackageAddress): ASCII only
  int length = 0;           // manifest "Length": bytes the download delivers
  std::wstring targetPath;  // folder followed directly by "Name"
  std::wstring name;        // manifest "Name"
  std::wstring folder;      // install folder + "\" + manifest "Dir"
  std::string sha256;       // manifest "SHA256" of the package as served, lowercase; "" if none
};

// Reads the update manifest (UTF-8 XML) and lists, in manifest order, every file of the install
// folder that is missing or whose MD5 differs from the manifest's (compared byte for byte, so an
// uppercase digest never matches). Entries whose "Dir" or "Name" would place the file outside
// the install folder are skipped. A document that does not parse gives what was read before the
// fault; one without an "UpdateFiles" root gives nothing.
std::vector<UpdateItem> ReadUpdateItems(const std::string& manifestText,
                                        const std::wstring& installDir);

