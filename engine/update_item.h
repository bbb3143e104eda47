#pragma once

#include <string>

// One client file that must be downloaded in the current install run.
struct UpdateItem {
  std::wstring url;         // "Url" followed by "Name", escaped (PackageAddress): ASCII only
  int length = 0;           // manifest "Length": bytes the download delivers
  std::wstring targetPath;  // folder followed directly by "Name"
  std::wstring name;        // manifest "Name"
  std::wstring folder;      // install folder + "\" + manifest "Dir"
  std::string md5;          // manifest "MD5" of the finished file, trimmed and lowercase
  std::string sha256;       // manifest "SHA256" of the package as served, lowercase; "" if none
  bool sha256Malformed = false;  // "SHA256" is there but is not 64 hexadecimal digits
};
