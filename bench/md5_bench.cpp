// Prints the time FileMd5Hex takes over a file: md5-bench <path>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/common/file_digest.h"
#include "engine/common/text_convert.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: md5-bench <file>\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  std::string digest = FileMd5Hex(argv[1]);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s %.3f\n", digest.c_str(), seconds);
  return digest.empty() ? 1 : 0;
}
