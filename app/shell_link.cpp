#include "app/shell_link.h"

#include <windows.h>

#include <shlobj.h>

#include "base/com_ptr.h"
#include "base/scoped_com_initializer.h"

std::optional<std::wstring> ShortcutWorkingFolder(const std::wstring& target) {
  if (target.find(L"http") != std::wstring::npos)
    return std::nullopt;
  const size_t separator = target.find_last_of(L"\\/");
  if (separator == std::wstring::npos)
    return target;
  return target.substr(0, separator);
}

bool CreateShellLink(const std::wstring& target, const std::wstring& linkPath) {
  base::ScopedComInitializer com;
  if (!com.Succeeded())
    return false;
  base::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())))
    return false;
  if (FAILED(link->SetPath(target.c_str())))
    return false;
  if (const std::optional<std::wstring> folder = ShortcutWorkingFolder(target))
    link->SetWorkingDirectory(folder->c_str());
  else
    link->SetIconLocation(L"", 0);
  base::ComPtr<IPersistFile> file;
  if (FAILED(link.QueryInterface(IID_IPersistFile, file)))
    return false;
  return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

ShellLinkContents ReadShellLink(const std::wstring& linkPath) {
  ShellLinkContents contents;
  base::ScopedComInitializer com;
  base::ComPtr<IShellLinkW> link;
  base::ComPtr<IPersistFile> file;
  if (!com.Succeeded() ||
      FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())) ||
      FAILED(link.QueryInterface(IID_IPersistFile, file)) ||
      FAILED(file->Load(linkPath.c_str(), STGM_READ)))
    return contents;
  contents.loaded = true;
  wchar_t text[MAX_PATH] = {};
  if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
    contents.target = text;
  text[0] = L'\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
    contents.workingFolder = text;
  return contents;
}
