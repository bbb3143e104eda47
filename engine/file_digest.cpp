#include "engine/file_digest.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "base/scoped_file.h"
#include "engine/md5.h"

std::string FileMd5Hex(const std::wstring& path) {
  base::ScopedFile file(_wfopen(path.c_str(), L"rb"));
  if (!file)
    return std::string();
  Md5 digest;
  std::vector<char> block(64 * 1024);
  size_t count;
  while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0)
    digest.Update(block.data(), count);
  // A folder opens on some runtimes but cannot be read.
  if (std::ferror(file.get()))
    return std::string();
  return digest.HexDigest();
}
