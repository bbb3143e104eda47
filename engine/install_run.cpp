#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <utility>

#include "base/folder_chain.h"
#include "base/scoped_handle.h"
#include "engine/archive/extract_package.h"
#include "engine/archive/read_only_files.h"
#include "engine/file_digest.h"
#include "engine/install_engine.h"
#include "engine/update_item.h"
#include "engine/user_prompt.h"

#ifndef QUENBY_HOMEPAGE_URL
#error "QUENBY_HOMEPAGE_URL must name the product's homepage"
#endif

namespace {

int IgnorePercentage(const std::wstring&, int) {
  return 0;
}

// Unpacks the package into the item's folder and puts the unpacked file in place. The old file is
// replaced in one step, and only by a completely and correctly unpacked new one of a package whose
// SHA-256 (when the manifest names one) matches, so a damaged or altered package never costs the
// user the file they had. The package is opened once, the digest read and the archive unpacked
// through the same handle, and the package goes away when that handle closes.
void PlaceFile(const UpdateItem& item, const std::wstring& packagePath) {
  base::ScopedHandle package(::CreateFileW(
      packagePath.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  std::wstring unpackedPath = item.folder + item.name + L".tmp";
  if (!package.IsValid()) {
    ::DeleteFileW(packagePath.c_str());
    archive::DeleteFileEvenIfReadOnly(unpackedPath);
    return;
  }
  // A package that is not what the manifest names is not unpacked at all.
  if (!item.sha256.empty() && OpenedFileSha256Hex(package.Get()) != item.sha256)
    return;
  bool failed =
      archive::ExtractPackage(std::move(package), packagePath, item.folder, &IgnorePercentage);
  if (!failed && ::PathFileExistsW(unpackedPath.c_str()) &&
      archive::ReplaceFileEvenIfReadOnly(unpackedPath, item.targetPath)) {
    return;
  }
  archive::DeleteFileEvenIfReadOnly(unpackedPath);
}

}  // namespace

void InstallEngine::Install(std::wstring installDir) {
  totalBytes = 0;
  std::vector<UpdateItem> items = ReadUpdateItems(manifestText, installDir);
  // MD5 only tells which files changed: a signed manifest vouches for a file's package only
  // through its SHA-256, and a file without one is left as it is.
  if (manifestSigned_)
    std::erase_if(items, [](const UpdateItem& item) { return item.sha256.empty(); });
  // Each length is already within the int range; their sum is kept there as well.
  long long sum = 0;
  for (const UpdateItem& item : items)
    sum = std::clamp(sum + item.length, static_cast<long long>(INT_MIN),
                     static_cast<long long>(INT_MAX));
  totalBytes = static_cast<int>(sum);
  downloadedBytes = 0;
  startTime = static_cast<int>(std::time(nullptr));

  for (const UpdateItem& item : items) {
    if (!::PathFileExistsW(item.folder.c_str()))
      base::CreateFolderChain(item.folder);
    std::wstring packagePath = item.folder + L"temp.pak";
    if (DownloadFile(item.url, packagePath, item.name, item.length) != 0) {
      // The partly written package stays; files replaced earlier in the run stay replaced.
      if (prompt_->AskToVisitHomepage())
        prompt_->OpenWebPage(QUENBY_HOMEPAGE_URL);
      break;
    }
    PlaceFile(item, packagePath);
  }
  onComplete();
}
