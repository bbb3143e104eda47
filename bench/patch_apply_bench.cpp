// Applies binary patches with the installer's own applier and prints the seconds it took and the
// process's peak working set, before and after, so that the applier's share shows apart from the
// runtime's. (Wine's private-bytes count stays flat whatever the program allocates.)
//   patch-apply-bench <list file>
// Each line of the list: old file|patch|new file.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/seconds_now.h"
#include "engine/placement/binary_patch.h"
#include "engine/common/text_convert.h"

namespace {

void PrintMemory(const char* when) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  std::printf("%s: peak working set %.1f MB\n", when,
              static_cast<double>(counters.PeakWorkingSetSize) / 1e6);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: patch-apply-bench <list file>\n");
    return 2;
  }
  FILE* list = _wfopen(argv[1], L"rb");
  if (list == nullptr)
    return 2;
  std::vector<std::vector<std::wstring>> jobs;
  char line[4096];
  while (std::fgets(line, sizeof line, list)) {
    std::vector<std::wstring> fields(1);
    for (wchar_t c : Utf8ToWide(line)) {
      if (c == L'|')
        fields.emplace_back();
      else if (c != L'\n' && c != L'\r')
        fields.back() += c;
    }
    if (fields.size() == 3)
      jobs.push_back(fields);
  }
  std::fclose(list);
  PrintMemory("before");
  const double start = SecondsNow();
  for (const std::vector<std::wstring>& job : jobs) {
    const PatchFault fault = ApplyBinaryPatch(job[0], job[1], job[2]);
    if (fault != PatchFault::None) {
      std::fprintf(stderr, "%ls: %ls\n", job[1].c_str(), DescribePatchFault(fault));
      return 1;
    }
  }
  std::printf("applied %zu patches in %.3f s\n", jobs.size(), SecondsNow() - start);
  PrintMemory("after");
  return 0;
}
