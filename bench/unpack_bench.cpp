// Unpacks and places packages already on disk with the install run's own routine, and prints the
// seconds it took: the benchmark's measure of the run's unpack-and-place phase.
//   unpack-bench <list file>
// Each line of the list: package path|folder (ending in "\")|name. The routine consumes the
// package it places, so each is first copied beside its file ("<name>.pak"), outside the time.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/seconds_now.h"
#include "engine/placement/file_placing.h"
#include "engine/common/text_convert.h"
#include "engine/manifest/update_item.h"

namespace {

// The list's lines as the items the install run would place, with their packages' copies.
struct Placing {
  UpdateItem item;
  std::wstring package;
};
bool ReadList(const wchar_t* path, std::vector<Placing>& placings) {
  FILE* list = _wfopen(path, L"rb");
  if (list == nullptr)
    return false;
  char line[4096];
  bool copied = true;
  while (copied && std::fgets(line, sizeof line, list)) {
    std::wstring fields[3];
    int field = 0;
    for (wchar_t c : Utf8ToWide(line)) {
      if (c == L'|' && field < 2)
        ++field;
      else if (c != L'\n' && c != L'\r')
        fields[field] += c;
    }
    Placing placing;
    placing.item.folder = fields[1];
    placing.item.name = fields[2];
    placing.item.targetPath = placing.item.folder + placing.item.name;
    placing.package = placing.item.targetPath + L".pak";
    ::CreateDirectoryW(placing.item.folder.c_str(), nullptr);
    copied = ::CopyFileW(fields[0].c_str(), placing.package.c_str(), FALSE) != FALSE;
    if (!copied)
      std::fprintf(stderr, "cannot copy: %s", line);
    placings.push_back(std::move(placing));
  }
  std::fclose(list);
  return copied;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2)
    return 2;
  std::vector<Placing> placings;
  if (!ReadList(argv[1], placings))
    return 2;
  const double start = SecondsNow();
  for (const Placing& placing : placings) {
    if (!PlaceFile(placing.item, placing.package).Placed()) {
      std::fprintf(stderr, "failed: %ls\n", placing.item.targetPath.c_str());
      return 1;
    }
  }
  std::printf("%zu %.3f\n", placings.size(), SecondsNow() - start);
  return 0;
}
