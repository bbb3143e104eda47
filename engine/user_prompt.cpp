#include "engine/user_prompt.h"

#include <windows.h>
#include <shellapi.h>

namespace {

class SystemPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override {
    return ::MessageBoxW(nullptr, L"文件更新失败，请去官网下载最新版本", L"友情提示", MB_OKCANCEL) ==
           IDOK;
  }

  void OpenWebPage(const std::wstring& address) override {
    // Nothing to do when no browser answers: the message already told the user where to go.
    ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
};

}  // namespace

UserPrompt& SystemUserPrompt() {
  static SystemPrompt prompt;
  return prompt;
}
