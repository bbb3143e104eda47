#include "app/desktop_shell_start.h"

#include <windows.h>

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cstdio>

#include "base/com_ptr.h"
#include "base/scoped_com_initializer.h"
#include "base/scoped_generic.h"

namespace {

struct BstrTraits {
  static bool IsValid(BSTR text) { return text != nullptr; }
  static void Free(BSTR text) { ::SysFreeString(text); }
};
using ScopedBstr = base::ScopedGeneric<BSTR, BstrTraits>;

// A VARIANT that clears what it holds (a BSTR it owns) when it goes.
class ScopedVariant {
 public:
  ScopedVariant() { ::VariantInit(&value_); }
  ~ScopedVariant() { ::VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT& Get() { return value_; }
  // False when the text could not be copied.
  bool SetText(const std::wstring& text) {
    ::VariantClear(&value_);
    value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!value_.bstrVal)
      return false;
    value_.vt = VT_BSTR;
    return true;
  }
  void SetInteger(long number) {
    ::VariantClear(&value_);
    value_.vt = VT_I4;
    value_.lVal = number;
  }

 private:
  VARIANT value_;
};

bool Failed(HRESULT result, const char* step, std::string& failure) {
  if (SUCCEEDED(result) && result != S_FALSE)
    return false;
  char text[160];
  std::snprintf(text, sizeof text, "%s (HRESULT 0x%08lX)", step,
                static_cast<unsigned long>(result));
  failure = text;
  return true;
}

}  // namespace

bool StartThroughDesktopShell(const std::wstring& program,
                              const std::wstring& currentFolder,
                              std::string& failure) {
  const base::ScopedComInitializer com;
  if (!com.Succeeded()) {
    failure = "COM could not be initialised";
    return false;
  }
  base::ComPtr<IShellWindows> windows;
  if (Failed(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                windows.ReceiveVoid()),
             "no shell windows", failure))
    return false;

  ScopedVariant location;
  ScopedVariant rootLocation;
  long desktopWindow = 0;
  base::ComPtr<IDispatch> desktop;
  // S_FALSE: no desktop window is registered (no shell runs on this session).
  if (Failed(windows->FindWindowSW(&location.Get(), &rootLocation.Get(), SWC_DESKTOP,
                                   &desktopWindow, SWFO_NEEDDISPATCH, desktop.Receive()),
             "no desktop among the shell windows", failure))
    return false;
  if (!desktop) {
    failure = "the desktop among the shell windows has no object";
    return false;
  }

  base::ComPtr<IServiceProvider> services;
  if (Failed(desktop.QueryInterface(IID_IServiceProvider, services),
             "the desktop offers no services", failure))
    return false;
  base::ComPtr<IShellBrowser> browser;
  if (Failed(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid()),
             "the desktop has no top-level browser", failure))
    return false;
  base::ComPtr<IShellView> view;
  if (Failed(browser->QueryActiveShellView(view.Receive()), "the desktop has no active view",
             failure))
    return false;
  base::ComPtr<IDispatch> background;
  if (Failed(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid()),
             "the desktop's view has no background object", failure))
    return false;
  base::ComPtr<IShellFolderViewDual> folderView;
  if (Failed(background.QueryInterface(IID_IShellFolderViewDual, folderView),
             "the desktop's background is no folder view", failure))
    return false;
  base::ComPtr<IDispatch> application;
  if (Failed(folderView->get_Application(application.Receive()),
             "the desktop's view has no shell application", failure))
    return false;
  base::ComPtr<IShellDispatch2> shell;
  if (Failed(application.QueryInterface(IID_IShellDispatch2, shell),
             "the desktop's shell cannot start programs", failure))
    return false;

  const ScopedBstr file(::SysAllocStringLen(program.data(), static_cast<UINT>(program.size())));
  ScopedVariant arguments;
  ScopedVariant folder;
  ScopedVariant operation;
  ScopedVariant show;
  show.SetInteger(SW_SHOWNORMAL);
  if (!file.IsValid() || !folder.SetText(currentFolder)) {
    failure = "out of memory";
    return false;
  }
  return !Failed(
      shell->ShellExecute(file.Get(), arguments.Get(), folder.Get(), operation.Get(), show.Get()),
      "the desktop's shell refused the start", failure);
}
