#include "engine/placement/staging_area.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "base/held_folders.h"
#include "base/scoped_handle.h"
#include "engine/archive/read_only_files.h"
#include "engine/common/file_digest.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/common/windows_errors.h"
#include "engine/placement/file_holders.h"

namespace {

constexpr char kJournalHeader[] = "quenby commit 1";
constexpr char kJournalEnd[] = "end";

std::wstring FolderOf(const std::wstring& path) {
  const size_t separator = path.find_last_of(L'\\');
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What stands at a target's place before the commit.
enum class Target { kMissing, kFile, kHeld, kFolder };

// One open of the target for deletion tells all but a folder apart (a folder does not open
// without backup semantics), so a release of thousands of files costs one call for each.
Target ProbeTarget(const std::wstring& path) {
  base::ScopedHandle probe(
      ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (probe.IsValid())
    return Target::kFile;
  const DWORD error = ::GetLastError();
  if (error == ERROR_SHARING_VIOLATION)
    return Target::kHeld;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return Target::kMissing;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Target::kFolder;
  // Whatever refused the open refuses the move as well, which the commit then undoes.
  return attributes == INVALID_FILE_ATTRIBUTES ? Target::kMissing : Target::kFile;
}

// The names in folder, upper-cased, read in one listing; empty when the folder is missing.
std::set<std::wstring> NamesIn(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::wstring name = found.cFileName;
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    names.insert(std::move(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

// Moves a file without following a link in its place; false with the thread's last error.
bool MoveFile(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Writes text to path and flushes it to the disk; false when any step fails.
bool WriteFlushed(const std::wstring& path, const std::string& text) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
  if (!file.IsValid())
    return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && ::FlushFileBuffers(file.Get());
}

std::string ReadText(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  std::string text;
  if (!file.IsValid())
    return text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0 &&
         text.size() < (16u << 20))
    text.append(buffer, read);
  return text;
}

// Removes a folder and everything in it, never following a link out of it.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      const std::wstring path = folder + L"\\" + name;
      const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link)
        RemoveTree(path);
      else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        ::RemoveDirectoryW(path.c_str());
      else
        archive::DeleteFileEvenIfReadOnly(path);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

// Removes every empty folder of the tree at folder, itself included, never following a link.
void RemoveEmptyTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L".." &&
          (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        RemoveEmptyTree(folder + L"\\" + name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

bool IsMd5Hex(const std::string& digest) {
  return digest.size() == 32 && digest.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

StagingArea::StagingArea(std::wstring installDir, base::HeldFolders& folders)
    : installDir_(std::move(installDir)),
      root_(installDir_ + L"\\" + kFolderName),
      folders_(folders) {}

std::wstring StagingArea::RelativePath(const UpdateItem& item) const {
  return item.targetPath.substr(std::min(item.targetPath.size(), installDir_.size() + 1));
}

UpdateItem StagingArea::Staged(const UpdateItem& item) const {
  UpdateItem staged = item;
  const std::wstring relative = RelativePath(item);
  const std::wstring relativeFolder = FolderOf(relative);
  staged.folder = root_ + L"\\unpack\\" + (relativeFolder.empty() ? L"" : relativeFolder + L"\\");
  staged.targetPath = root_ + L"\\files\\" + relative;
  return staged;
}

bool StagingArea::HoldsStaged(const UpdateItem& item) const {
  if (!IsMd5Hex(item.md5))
    return false;
  return FileMd5Hex(Staged(item).targetPath) == item.md5;
}

bool StagingArea::Prepare(const UpdateItem& staged) {
  return folders_.Hold(FolderOf(staged.folder + L"x")) &&
         folders_.Hold(FolderOf(staged.targetPath));
}

StagingArea::CommitResult StagingArea::Commit(const std::vector<UpdateItem>& items,
                                              const FileInUseHandler& onFileInUse,
                                              const std::function<void()>& beforeFirstChange) {
  CommitResult result;
  // Before anything moves: every target's folder is made and held (none is a link), a folder
  // where a file goes is the user's and is never moved aside, and every file there must be free
  // to be moved aside, or none is touched.
  // Each folder is listed once, and only the names found there are opened: a release of
  // thousands of new files costs a listing, not an open each. A name the listing missed is still
  // caught by the move, which never replaces.
  std::vector<std::pair<std::wstring, std::set<std::wstring>>> listed;
  std::vector<Target> targets(items.size());
  for (;;) {
    std::vector<std::wstring> held;
    for (size_t index = 0; index < items.size(); ++index) {
      const std::wstring& path = items[index].targetPath;
      const std::wstring folder = FolderOf(path);
      auto names = std::find_if(listed.begin(), listed.end(),
                                [&](const auto& entry) { return entry.first == folder; });
      if (names == listed.end())
        names = listed.emplace(listed.end(), folder, NamesIn(folder));
      std::wstring name = items[index].name;
      ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
      targets[index] = !folders_.Hold(folder)           ? Target::kMissing
                       : names->second.count(name) == 0 ? Target::kMissing
                                                        : ProbeTarget(path);
      if (targets[index] == Target::kHeld)
        held.push_back(path);
      else if (!folders_.Hold(FolderOf(path)))
        result.placed = {FailureReason::kLinkInPath, kErrorReparsePointEncountered};
      else if (targets[index] == Target::kFolder)
        result.placed = {FailureReason::kPlaceFailed, static_cast<long long>(ERROR_DIRECTORY)};
      if (!result.placed.Placed()) {
        result.failedFile = RelativePath(items[index]);
        return result;
      }
    }
    if (held.empty())
      break;
    std::set<std::wstring> programs;
    for (const std::wstring& path : held) {
      for (const std::wstring& program : ProgramsHoldingFile(path))
        programs.insert(program);
    }
    if (!onFileInUse ||
        !onFileInUse(held.front(), std::vector<std::wstring>(programs.begin(), programs.end()))) {
      result.placed = {FailureReason::kFileInUse, ERROR_SHARING_VIOLATION};
      result.failedFile = RelativePath(*std::find_if(
          items.begin(), items.end(), [&](auto& item) { return item.targetPath == held.front(); }));
      return result;
    }
  }
  // The journal names every file; until its last line is on the disk, nothing has moved.
  std::string journal = std::string(kJournalHeader) + "\n";
  for (const UpdateItem& item : items)
    journal += WideToUtf8(RelativePath(item)) + "\n";
  journal += std::string(kJournalEnd) + "\n";
  if (!folders_.Hold(root_ + L"\\old") || !WriteFlushed(JournalPath(), journal)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(JournalPath().c_str());
    result.placed = {IsDiskFull(error) ? FailureReason::kDiskFull : FailureReason::kPlaceFailed,
                     static_cast<long long>(error)};
    ActiveRunLog().Printf("commit: the journal could not be written (error %lu)", error);
    return result;
  }
  if (beforeFirstChange)
    beforeFirstChange();
  const ULONGLONG started = ::GetTickCount64();
  size_t done = 0;
  for (; done < items.size(); ++done) {
    const UpdateItem& item = items[done];
    const std::wstring relative = RelativePath(item);
    const std::wstring staged = root_ + L"\\files\\" + relative;
    const std::wstring old = root_ + L"\\old\\" + relative;
    // The staged file was checked and renamed into the staging folder through the handle that
    // checked it, and only administrators can change what that folder holds: a move by name
    // (which takes a link for what it is, never following it) puts it in place in one call.
    DWORD error = 0;
    // Where the listing found nothing the move does not replace, so that a file it missed is
    // still moved aside first.
    bool placed = false;
    if (targets[done] != Target::kFile) {
      placed = ::MoveFileExW(staged.c_str(), item.targetPath.c_str(), 0) != FALSE;
      const DWORD moveError = placed ? 0 : ::GetLastError();
      if (moveError != ERROR_ALREADY_EXISTS && moveError != ERROR_FILE_EXISTS)
        error = moveError;
    }
    if (!placed && error == 0) {
      if (!folders_.Hold(FolderOf(old)))
        error = ERROR_CANT_ACCESS_FILE;
      else if (!MoveFile(item.targetPath, old) || !MoveFile(staged, item.targetPath))
        error = ::GetLastError();
    }
    if (error != 0) {
      result.placed = {IsDiskFull(error) ? FailureReason::kDiskFull : FailureReason::kPlaceFailed,
                       static_cast<long long>(error)};
      result.failedFile = relative;
      ActiveRunLog().Printf("commit stopped at %s (error %lu): the old files go back",
                            WideToUtf8(relative).c_str(), error);
      break;
    }
  }
  if (done < items.size()) {
    // Back to the old version: the new files return to the staging folder, the old ones to
    // their places, the last first.
    for (size_t index = done + 1; index-- > 0;) {
      const std::wstring relative = RelativePath(items[index]);
      const std::wstring staged = root_ + L"\\files\\" + relative;
      const std::wstring old = root_ + L"\\old\\" + relative;
      if (index < done || !Exists(staged))
        MoveFile(items[index].targetPath, staged);
      if (Exists(old) && !MoveFile(old, items[index].targetPath))
        ActiveRunLog().Printf("commit: %s could not be put back (error %lu)",
                              WideToUtf8(relative).c_str(), ::GetLastError());
    }
    ::DeleteFileW(JournalPath().c_str());
    return result;
  }
  ::DeleteFileW(JournalPath().c_str());
  Remove();
  ActiveRunLog().Printf("commit: %zu files put in place in %llu ms", items.size(),
                        ::GetTickCount64() - started);
  return result;
}

bool StagingArea::FinishInterruptedCommit() {
  const std::string journal = ReadText(JournalPath());
  if (journal.empty())
    return false;
  const bool whole =
      journal.rfind(std::string(kJournalEnd) + "\n") == journal.size() - sizeof(kJournalEnd) &&
      journal.compare(0, sizeof(kJournalHeader) - 1, kJournalHeader) == 0;
  if (whole) {
    // Every new file still in the staging folder goes into place; the others are there already.
    size_t start = journal.find('\n') + 1;
    for (size_t end; (end = journal.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = journal.substr(start, end - start);
      if (line == kJournalEnd)
        break;
      const std::wstring relative = Utf8ToWide(line);
      const std::wstring staged = root_ + L"\\files\\" + relative;
      const std::wstring target = installDir_ + L"\\" + relative;
      if (!Exists(staged))
        continue;
      if (!folders_.Hold(FolderOf(target)) || !MoveFile(staged, target))
        ActiveRunLog().Printf("interrupted commit: %s could not be put in place (error %lu)",
                              line.c_str(), ::GetLastError());
    }
    ActiveRunLog().Write("an interrupted commit was finished");
  }
  // A journal cut short was written before anything moved: the commit never began.
  ::DeleteFileW(JournalPath().c_str());
  folders_.Release(root_ + L"\\old");
  RemoveTree(root_ + L"\\old");
  return true;
}

void StagingArea::RemoveEmptyFolders() {
  folders_.Release(root_);
  RemoveEmptyTree(root_);
}

void StagingArea::Remove() {
  folders_.Release(root_);
  RemoveTree(root_);
}
