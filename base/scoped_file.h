#pragma once

#include <cstdio>
#include <memory>

namespace base {

struct FileCloser {
  // The result of fclose is not seen here; a caller that must know whether buffered data reached
  // the disk closes the file itself with fclose(file.release()).
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream from fopen or _wfopen, closed when it goes.
using ScopedFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace base
