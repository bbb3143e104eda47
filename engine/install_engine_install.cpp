#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "base/folder_chain.h"
#include "engine/file_placing.h"
#include "engine/install_engine.h"
#include "engine/update_item.h"
#include "engine/user_prompt.h"

#ifndef QUENBY_HOMEPAGE_URL
#error "QUENBY_HOMEPAGE_URL must name the product's homepage"
#endif

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
