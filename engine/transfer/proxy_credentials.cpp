#include "engine/transfer/proxy_credentials.h"

#include <windows.h>

#include "engine/common/text_convert.h"

namespace {

BOOL CALLBACK PostClose(HWND window, LPARAM) {
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

ProxyCredentialStore& ProxyCredentialStore::Instance() {
  // Never destroyed: a prompt left open by a stopped run may still answer when the process exits.
  static ProxyCredentialStore* const store = new ProxyCredentialStore;
  return *store;
}

void ProxyCredentialStore::SetPrompt(ProxyCredentialsPrompt prompt) {
  std::lock_guard<std::mutex> lock(mutex_);
  prompt_ = std::move(prompt);
}

ProxyCredentialStore::Answer ProxyCredentialStore::KnownCredentialsFor(
    const std::string& proxy,
    ProxyCredentials& credentials) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto known = answers_.find(proxy);
  if (known == answers_.end())
    return prompt_ ? Answer::kNotAsked : Answer::kNone;
  if (!known->second.first)
    return Answer::kNone;
  credentials = known->second.second;
  return Answer::kGiven;
}

bool ProxyCredentialStore::CredentialsFor(const std::string& proxy, ProxyCredentials& credentials) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto known = answers_.find(proxy);
  while (known == answers_.end() && asking_.count(proxy) != 0) {
    answered_.wait(lock);
    known = answers_.find(proxy);
  }
  if (known == answers_.end()) {
    if (!prompt_)
      return false;
    const ProxyCredentialsPrompt prompt = prompt_;
    asking_.insert(proxy);
    lock.unlock();
    std::wstring userName;
    base::SecretWString password;
    promptThread_ = ::GetCurrentThreadId();
    const bool given = prompt(proxy, userName, password);
    promptThread_ = 0;
    ProxyCredentials answer{WideToUtf8(userName), base::SecretToUtf8(password)};
    lock.lock();
    asking_.erase(proxy);
    known = answers_.emplace(proxy, std::make_pair(given && !userName.empty(), std::move(answer)))
                .first;
    answered_.notify_all();
  }
  if (!known->second.first)
    return false;
  credentials = known->second.second;
  return true;
}

void ProxyCredentialStore::ClosePrompt() {
  const DWORD thread = promptThread_;
  if (thread == 0)
    return;
  // The prompt is a dialog of the asking thread: closing it answers Cancel.
  ::EnumThreadWindows(thread, &PostClose, 0);
}

void ProxyCredentialStore::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.clear();
}
