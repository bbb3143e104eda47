#include "app/folder_dialogs.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/support/temp_folder.h"

namespace {

// Runs ChooseFolder on a thread of its own, as the wizard's UI thread would, so that the test
// can find the dialog and answer it.
class DialogRun {
 public:
  explicit DialogRun(std::wstring initialFolder) : initialFolder_(std::move(initialFolder)) {
    thread_ = std::thread([this] {
      threadId_ = ::GetCurrentThreadId();
      result_ = ChooseFolder(nullptr, initialFolder_);
      done_ = true;
    });
  }
  ~DialogRun() {
    // A dialog left open would block the join: the process ends with the thread instead.
    if (done_)
      thread_.join();
    else
      thread_.detach();
  }

  // The dialog window the thread shows, waiting at most 30 s for it.
  HWND WaitForDialog() const {
    for (int i = 0; i < 1500; ++i) {
      if (DWORD id = threadId_) {
        HWND found = nullptr;
        ::EnumThreadWindows(id, FindDialog, reinterpret_cast<LPARAM>(&found));
        if (found)
          return found;
      }
      ::Sleep(20);
    }
    return nullptr;
  }

  // Waits at most 30 s for ChooseFolder to return.
  bool WaitForEnd() const {
    for (int i = 0; i < 1500 && !done_; ++i)
      ::Sleep(20);
    return done_;
  }

  const std::optional<std::wstring>& result() const { return result_; }

 private:
  static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (!::IsWindowVisible(window) || std::wstring(className) != L"#32770")
      return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }

  std::wstring initialFolder_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> done_{false};
  std::optional<std::wstring> result_;
  std::thread thread_;
};

BOOL CALLBACK FindClass(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(param);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (!::IsWindowVisible(window) || std::wstring(name) != search->first)
    return TRUE;
  search->second = window;
  return FALSE;
}

// The first visible window of a class below parent, at any depth.
HWND FindDescendant(HWND parent, const wchar_t* className) {
  std::pair<const wchar_t*, HWND> search(className, nullptr);
  ::EnumChildWindows(parent, FindClass, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

bool IsFolderTreeDialog(HWND dialog) {
  return ::FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr;
}

// Selects a folder in the folder-tree dialog as a user would, repeating until the dialog, which
// may still be filling its tree, shows it selected (at most 30 s).
bool SelectInFolderTree(HWND dialog, const std::wstring& folder) {
  HWND tree = FindDescendant(dialog, L"SysTreeView32");
  const std::wstring leaf = folder.substr(folder.find_last_of(L'\\') + 1);
  for (int i = 0; tree && i < 1500; ++i) {
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem && ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) &&
        leaf == text)
      return true;
    ::Sleep(20);
  }
  return false;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

TEST(FolderDialogsTest, ItemDialogReturnsTheConfirmedFolder) {
  TempFolder temp;
  DialogRun run(temp.path());
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(IsFolderTreeDialog(dialog));
  EXPECT_EQ(L"请选择安装目录", WindowText(dialog));
  // The user types the folder into the name field and confirms.
  const std::wstring chosen = temp / L"D Games";
  ASSERT_TRUE(::CreateDirectoryW(chosen.c_str(), nullptr));
  HWND nameField = FindDescendant(dialog, L"Edit");
  ASSERT_NE(nullptr, nameField);
  ::SendMessageW(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(run.WaitForEnd());
  ASSERT_TRUE(run.result().has_value());
  EXPECT_EQ(chosen, *run.result());
}

TEST(FolderDialogsTest, CancelInTheItemDialogEndsTheChoice) {
  TempFolder temp;
  DialogRun run(temp.path());
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  // Had the folder-tree dialog opened, the call would still be waiting for it.
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_FALSE(run.result().has_value());
}

TEST(FolderDialogsTest, UnknownInitialFolderFallsBackToTheFolderTree) {
  TempFolder temp;
  for (const std::wstring& initial : {std::wstring(), temp / L"missing"}) {
    SCOPED_TRACE(testing::PrintToString(initial));
    DialogRun run(initial);
    HWND dialog = run.WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(IsFolderTreeDialog(dialog));
    ASSERT_TRUE(SelectInFolderTree(dialog, temp.path()));
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(run.WaitForEnd());
    ASSERT_TRUE(run.result().has_value());
    EXPECT_EQ(temp.path(), *run.result());
  }
}

TEST(FolderDialogsTest, CancelInTheFolderTreeChangesNothing) {
  DialogRun run(L"");
  HWND dialog = run.WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(IsFolderTreeDialog(dialog));
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_FALSE(run.result().has_value());
}

}  // namespace
