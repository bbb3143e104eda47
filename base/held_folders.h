#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <unordered_map>

#include "base/scoped_handle.h"

namespace base {

// The folders an install run writes into, checked and then held open until the run ends: the
// install folder, every folder above it below the volume's root, and every folder made below it.
// None of them is a junction or a symbolic link when it is taken (IsFolderLink), and each stays
// open without delete sharing, so none can be renamed away or replaced by a link between the
// check and the writes. Safe to call from several threads at once.
class HeldFolders {
 public:
  HeldFolders() = default;
  ~HeldFolders() = default;
  HeldFolders(const HeldFolders&) = delete;
  HeldFolders& operator=(const HeldFolders&) = delete;

  // Takes the install folder: checks and holds every folder of its path below the root,
  // creating missing ones with `security`, and gives the install folder itself `security` even
  // when it existed (folders above it that were there are left as they are). false, with
  // RefusedFolder naming it, when a folder of the path is a link or cannot be made or held.
  bool HoldInstallFolder(const std::wstring& installDir, SECURITY_ATTRIBUTES* security);
  // Makes the folder and every missing one between it and the install folder (inheriting their
  // rules), each checked and held; false, naming the folder, as above. The folder must be the
  // install folder or lie below it; anything else is refused.
  bool Hold(const std::wstring& folder);

  // Lets go of folder and every folder held below it, so that they can be removed.
  void Release(const std::wstring& folder);

  // The folder that refused the last call that failed.
  std::wstring RefusedFolder() const;

 private:
  // Opens, checks and holds one folder, creating it (with security) when it is missing.
  bool HoldOne(const std::wstring& folder, SECURITY_ATTRIBUTES* security, bool applySecurity);
  bool Refuse(const std::wstring& folder);

  mutable std::mutex mutex_;
  std::wstring installDir_;  // as FoldersBelowRoot spells it; empty until taken
  size_t installDepth_ = 0;  // its folders below the root
  std::unordered_map<std::wstring, ScopedHandle> held_;
  std::wstring refused_;
};

}  // namespace base
