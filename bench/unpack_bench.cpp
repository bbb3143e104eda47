// Unpacks and places packages already on disk the way the install run does after a download,
// and prints the seconds it took: the benchmark's measure of the run's unpack-and-place phase.
//   unpack-bench <list file>
// Each line of the list: package path|folder (ending in "\")|name.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/archive/extract_package.h"
#include "engine/archive/read_only_files.h"
#include "engine/text_convert.h"

namespace {

int IgnorePercentage(const std::wstring&, int) {
  return 0;
}

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2)
    return 2;
  FILE* list = _wfopen(argv[1], L"rb");
  if (list == nullptr)
    return 2;
  char line[4096];
  int files = 0;
  const double start = Now();
  while (std::fgets(line, sizeof line, list)) {
    std::wstring fields[3];
    std::wstring text = Utf8ToWide(line);
    int field = 0;
    for (wchar_t c : text) {
      if (c == L'|' && field < 2)
        ++field;
      else if (c != L'\n' && c != L'\r')
        fields[field] += c;
    }
    const std::wstring& folder = fields[1];
    ::CreateDirectoryW(folder.c_str(), nullptr);
    if (archive::ExtractPackage(fields[0], folder, &IgnorePercentage) ||
        !archive::ReplaceFileEvenIfReadOnly(folder + fields[2] + L".tmp", folder + fields[2])) {
      std::fprintf(stderr, "failed: %s", line);
      return 1;
    }
    ++files;
  }
  std::fclose(list);
  std::printf("%d %.3f\n", files, Now() - start);
  return 0;
}
