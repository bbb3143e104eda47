#include "engine/file_digest.h"

#include <cstdio>
#include <memory>

#include "engine/md5.h"

std::string FileMd5Hex(const std::wstring& path) {
  std::unique_ptr<FILE, decltype(&std::fclose)> file(_wfopen(path.c_str(), L"rb"), &std::fclose);
  if (!file)
    return std::string();
  Md5 digest;
  char block[1024];
  size_t count;
  while ((count = std::fread(block, 1, sizeof block, file.get())) > 0)
    digest.Update(block, count);
  // A folder opens on some runtimes but cannot be read.
  if (std::ferror(file.get()))
    return std::string();
  return digest.HexDigest();
}
