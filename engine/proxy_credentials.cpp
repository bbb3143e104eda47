#include "engine/proxy_credentials.h"

#include "engine/text_convert.h"

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
    std::wstring userName;
    base::SecretWString password;
    const bool given = prompt_(proxy, userName, password);
    ProxyCredentials answer{WideToUtf8(userName), base::SecretToUtf8(password)};
    known = answers_.emplace(proxy, std::make_pair(given && !userName.empty(), std::move(answer)))
                .first;
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
