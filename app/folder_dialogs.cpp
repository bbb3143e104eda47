#include "app/folder_dialogs.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "base/com_ptr.h"
#include "base/scoped_co_mem.h"
#include "base/scoped_com_initializer.h"

namespace {

using base::ComPtr;

constexpr wchar_t kDialogTitle[] = L"请选择安装目录";

enum class ItemDialogOutcome { kChosen, kCancelled, kUnavailable };

ItemDialogOutcome BrowseWithFileDialog(HWND owner,
                                       const std::wstring& initialFolder,
                                       std::wstring& chosen) {
  base::ScopedComInitializer com;  // Its result is not needed: creation below fails without COM.
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_IFileOpenDialog,
                                dialog.ReceiveVoid())))
    return ItemDialogOutcome::kUnavailable;
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options)) || FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS)))
    return ItemDialogOutcome::kUnavailable;
  // After the folder mode: Wine's dialog gives that mode its own title.
  dialog->SetTitle(kDialogTitle);
  ComPtr<IShellItem> startFolder;
  if (initialFolder.empty() ||
      FAILED(::SHCreateItemFromParsingName(initialFolder.c_str(), nullptr, IID_IShellItem,
                                           startFolder.ReceiveVoid())))
    return ItemDialogOutcome::kUnavailable;
  dialog->SetFolder(startFolder.Get());
  // A failed show is the user's cancel as well as a dialog that could not open.
  if (FAILED(dialog->Show(owner)))
    return ItemDialogOutcome::kCancelled;
  ComPtr<IShellItem> result;
  if (FAILED(dialog->GetResult(result.Receive())))
    return ItemDialogOutcome::kUnavailable;
  wchar_t* name = nullptr;
  if (FAILED(result->GetDisplayName(SIGDN_DESKTOPABSOLUTEPARSING, &name)) || !name)
    return ItemDialogOutcome::kUnavailable;
  // The shell allocates display names and ID lists with the task allocator.
  base::ScopedCoMem<wchar_t> ownedName(name);
  chosen = ownedName.get();
  return ItemDialogOutcome::kChosen;
}

std::optional<std::wstring> BrowseWithFolderTree(HWND owner) {
  wchar_t displayName[4096] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = kDialogTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  ITEMIDLIST* found = ::SHBrowseForFolderW(&info);
  if (!found)
    return std::nullopt;
  base::ScopedCoMem<ITEMIDLIST> list(found);
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(list.get(), path) || !path[0])
    return std::nullopt;
  return std::wstring(path);
}

}  // namespace

std::optional<std::wstring> ChooseFolder(HWND owner, const std::wstring& initialFolder) {
  std::wstring chosen;
  switch (BrowseWithFileDialog(owner, initialFolder, chosen)) {
    case ItemDialogOutcome::kChosen:
      return chosen;
    case ItemDialogOutcome::kCancelled:
      return std::nullopt;
    case ItemDialogOutcome::kUnavailable:
      break;
  }
  return BrowseWithFolderTree(owner);
}
