#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "base/scoped_handle.h"
#include "engine/common/run_log.h"

// The run's log as a UTF-8 text file: each line stamped with the local time to the millisecond
// and ended with CR LF. The file is opened for appending, so two installers started in the same
// second share one log rather than overwrite each other's. It is opened without following links
// (app/log_file_open.h): a name that is a link or another file's hard link is no log. Writes from
// any thread; a file that cannot be opened or written loses its lines, never the install.
class RunLogFile : public RunLog {
 public:
  explicit RunLogFile(const std::wstring& path);
  RunLogFile(const RunLogFile&) = delete;
  RunLogFile& operator=(const RunLogFile&) = delete;

  void Write(std::string_view line) override;
  bool IsOpen() const { return file_.IsValid(); }

 private:
  std::mutex mutex_;
  base::ScopedHandle file_;
};
