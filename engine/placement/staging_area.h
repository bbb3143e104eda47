#pragma once

#include <string>
#include <vector>

#include "engine/manifest/update_item.h"
#include "engine/placement/file_placing.h"

namespace base {
class HeldFolders;
}

// The installer's own folder inside the install folder, ".quenby-staging", where a run makes
// every file it installs ready before any of them is put in place: packages are received and
// unpacked under "unpack", each checked file is kept under "files" at its path in the client,
// and the commit moves old files aside under "old" while it renames the new ones into place.
// Nothing of the client's folder changes until the commit, and no client file shares a folder
// with the installer's temporary names. Being on the install folder's volume, the commit is
// renames only.
class StagingArea {
 public:
  StagingArea(std::wstring installDir, base::HeldFolders& folders);

  static constexpr wchar_t kFolderName[] = L".quenby-staging";

  const std::wstring& Root() const { return root_; }
  // The item as the run stages it: unpacked into unpack\<Dir>, its file kept as
  // files\<Dir><Name>. The client's own path stays the caller's.
  UpdateItem Staged(const UpdateItem& item) const;
  // Whether the item's file is staged already, whole: kept by an earlier run that did not
  // finish, and still the file the manifest's MD5 names.
  bool HoldsStaged(const UpdateItem& item) const;
  // Makes and holds the staged item's folders; false when one is a link.
  bool Prepare(const UpdateItem& staged);

  // Puts every staged file of items in place together. First one check that every target can be
  // replaced (the programs holding any of them named in one question, onFileInUse, until they
  // are closed or the user gives up); then a journal is written and flushed, each old file moved
  // aside and each new one renamed into place; then the journal, the old files and the staging
  // folder go. beforeFirstChange runs once, just before the first client file changes. A failure
  // during the commit puts every old file back (failedFile names the file it stopped at).
  struct CommitResult {
    PlaceResult placed;
    std::wstring failedFile;
  };
  CommitResult Commit(const std::vector<UpdateItem>& items,
                      const FileInUseHandler& onFileInUse,
                      const std::function<void()>& beforeFirstChange);

  // Finishes a commit that a kill or a power loss interrupted, found by its journal: every new
  // file was staged and checked before the journal was written, so the commit is completed (the
  // release the user asked for, with nothing to fetch) rather than undone. True when there was
  // one.
  bool FinishInterruptedCommit();
  // Removes the staging folder and everything in it (a run that completed).
  void Remove();
  // Removes the folders of the staging folder that hold nothing, itself included: a failed run
  // keeps only what the next one can use.
  void RemoveEmptyFolders();

 private:
  // The path of a client file below the install folder ("Dir\Name").
  std::wstring RelativePath(const UpdateItem& item) const;
  std::wstring JournalPath() const { return root_ + L"\\journal"; }

  std::wstring installDir_;
  std::wstring root_;
  base::HeldFolders& folders_;
};
