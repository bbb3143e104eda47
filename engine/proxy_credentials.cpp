#include "engine/proxy_credentials.h"

#include <algorithm>

#include "engine/text_convert.h"

namespace {

// Overwrites a password's characters before its memory goes back to the heap.
void Wipe(std::wstring& text) {
  std::fill(text.begin(), text.end(), L'\0');
}

}  // namespace

ProxyCredentialStore& ProxyCredentialStore::Instance() {
  // Never destroyed: a detached worker may still be transferring when the process exits.
  static ProxyCredentialStore* const store = new ProxyCredentialStore;
  return *store;
}

void ProxyCredentialStore::SetPrompt(ProxyCredentialsPrompt prompt) {
  std::lock_guard<std::mutex> lock(mutex_);
  prompt_ = std::move(prompt);
}

bool ProxyCredentialStore::CredentialsFor(const std::string& proxy, ProxyCredentials& credentials) {
  // Held while the user is asked, so that the other engine thread waits for the same answer.
  std::lock_guard<std::mutex> lock(mutex_);
  auto known = answers_.find(proxy);
  if (known == answers_.end()) {
    if (!prompt_)
      return false;
    std::wstring userName, password;
    const bool given = prompt_(proxy, userName, password);
    known = answers_
                .emplace(proxy, std::make_pair(
                                    given && !userName.empty(),
                                    ProxyCredentials{WideToUtf8(userName), WideToUtf8(password)}))
                .first;
    Wipe(password);
  }
  if (!known->second.first)
    return false;
  credentials = known->second.second;
  return true;
}

void ProxyCredentialStore::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.clear();
}
