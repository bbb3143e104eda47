#pragma once

#include <string>
#include <vector>

// A binary patch the manifest offers for a file: it makes the file from the installed one whose
// MD5 is fromMd5 (engine/placement/binary_patch.h).
struct PatchSource {
  std::string fromMd5;  // lowercase
  std::wstring url;     // the whole address, ASCII only
  int length = 0;       // bytes the download delivers
  std::string sha256;   // lowercase, of the patch as served
};

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
  // The entry's "Patch" elements that are whole and well formed, one per starting file, in
  // manifest order. The full package serves whenever none fits.
  std::vector<PatchSource> patches;
  // MD5 of the file installed at targetPath when the manifest was read; "" when there is none.
  std::string installedMd5;

  // The patch that starts from the installed file, or null.
  const PatchSource* PatchForInstalledFile() const {
    for (const PatchSource& patch : patches) {
      if (!installedMd5.empty() && patch.fromMd5 == installedMd5)
        return &patch;
    }
    return nullptr;
  }
};
