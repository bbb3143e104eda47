#include "engine/user_prompt.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>

namespace {

constexpr wchar_t kCaption[] = L"友情提示";

// Bytes as the user reads them on a disk's properties: megabytes with one decimal.
// Formatted narrow: the wide printf family would bring a second formatter into the program.
std::wstring Megabytes(long long bytes) {
  char text[32];
  const int length =
      std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return std::wstring(text, text + (length > 0 ? length : 0));
}

class SystemPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override {
    return ::MessageBoxW(nullptr, L"文件更新失败，请去官网下载最新版本", kCaption, MB_OKCANCEL) ==
           IDOK;
  }

  void OpenWebPage(const std::wstring& address) override {
    // Nothing to do when no browser answers: the message already told the user where to go.
    ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  bool AskToRetryFileInUse(const std::wstring& path,
                           const std::vector<std::wstring>& programs) override {
    std::wstring text = L"文件正在被其他程序使用，无法更新：\n" + path + L"\n\n" +
                        (programs.empty() ? L"请关闭正在使用该文件的程序" : L"请关闭以下程序") +
                        L"，然后点击“重试”；点击“取消”将停止安装。";
    if (!programs.empty())
      text += L"\n";
    for (const std::wstring& program : programs)
      text += L"\n    " + program;
    return ::MessageBoxW(nullptr, text.c_str(), kCaption,
                         MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND) == IDRETRY;
  }

  void TellNotEnoughSpace(long long neededBytes, long long freeBytes) override {
    const std::wstring text = L"安装目录所在的磁盘空间不足，无法开始安装。\n\n需要空间：" +
                              Megabytes(neededBytes) + L"\n可用空间：" + Megabytes(freeBytes) +
                              L"\n\n请清理磁盘或选择其他安装目录后重试。";
    ::MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
  }

  void TellClockIsWrong() override {
    ::MessageBoxW(nullptr,
                  L"此电脑的日期和时间不正确，无法验证更新文件。\n\n"
                  L"请在系统设置中将日期和时间改为当前时间，然后重新运行安装程序。",
                  kCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
  }
};

}  // namespace

UserPrompt& SystemUserPrompt() {
  static SystemPrompt prompt;
  return prompt;
}
