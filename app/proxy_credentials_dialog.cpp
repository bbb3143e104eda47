#include "app/proxy_credentials_dialog.h"

#include <wincred.h>

#include <vector>

#include "engine/common/text_convert.h"

bool AskForProxyCredentials(HWND owner,
                            const std::string& proxy,
                            std::wstring& userName,
                            base::SecretWString& password) {
  const std::wstring proxyName = Utf8ToWide(proxy);
  const std::wstring message = L"代理服务器 " + proxyName + L" 需要用户名和密码";
  CREDUI_INFOW info = {};
  info.cbSize = sizeof info;
  info.hwndParent = owner;
  info.pszMessageText = message.c_str();
  info.pszCaptionText = L"代理服务器登录";
  std::vector<wchar_t> nameBuffer(CREDUI_MAX_USERNAME_LENGTH + 1, L'\0');
  password.Resize(CREDUI_MAX_PASSWORD_LENGTH);
  BOOL save = FALSE;
  const DWORD answer = ::CredUIPromptForCredentialsW(
      &info, proxyName.c_str(), nullptr, 0, nameBuffer.data(),
      static_cast<ULONG>(nameBuffer.size()), password.data(),
      static_cast<ULONG>(password.size() + 1), &save,
      CREDUI_FLAGS_GENERIC_CREDENTIALS | CREDUI_FLAGS_DO_NOT_PERSIST | CREDUI_FLAGS_ALWAYS_SHOW_UI);
  if (answer == NO_ERROR) {
    userName.assign(nameBuffer.data());
    // Some prompts (Wine's) hand the name back as "<target>\<name>", the target standing in for
    // a domain; the proxy is no domain, so that prefix goes. A domain the user typed stays.
    const std::wstring targetPrefix = proxyName + L"\\";
    if (userName.compare(0, targetPrefix.size(), targetPrefix) == 0)
      userName.erase(0, targetPrefix.size());
    password.TrimAtNul();
  } else {
    password.Clear();
  }
  return answer == NO_ERROR;
}
