#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "base/secret_string.h"

// Asks the user for the name and password a proxy wants (the wizard shows the system's
// credentials prompt). Called on an engine thread; false when the user cancelled.
using ProxyCredentialsPrompt = std::function<
    bool(const std::string& proxy, std::wstring& userName, base::SecretWString& password)>;

// A user name and password for a proxy, UTF-8 as libcurl takes them. The password's storage,
// in every copy, is wiped when it goes.
struct ProxyCredentials {
  std::string userName;
  base::SecretString password;
};

// The credentials given for each proxy of the run. The user is asked at most once per proxy
// (a cancelled prompt is remembered too), and what was given lives in memory only: never
// written, never logged, and the typed password in no storage that is freed unwiped (the
// prompt's UTF-16 answer and the UTF-8 form kept are secret strings). Shared by the engine's
// threads.
class ProxyCredentialStore {
 public:
  static ProxyCredentialStore& Instance();

  // Where to ask; without a prompt no credentials are ever given.
  void SetPrompt(ProxyCredentialsPrompt prompt);
  // The credentials for proxy, asking the user the first time (no lock is held while the user
  // answers; a second asker for the same proxy waits for that answer). False when there are none.
  bool CredentialsFor(const std::string& proxy, ProxyCredentials& credentials);
  enum class Answer { kGiven, kNone, kNotAsked };
  // What the user answered for proxy, without asking: kNotAsked when CredentialsFor would ask.
  Answer KnownCredentialsFor(const std::string& proxy, ProxyCredentials& credentials);
  // Closes the prompt that is open, as a Cancel would (a run that stopped no longer needs it).
  void ClosePrompt();
  // Forgets every answer, wiping the passwords (tests).
  void Clear();

 private:
  ProxyCredentialStore() = default;

  std::mutex mutex_;
  std::condition_variable answered_;
  std::set<std::string> asking_;  // proxies whose prompt is open
  // The thread whose prompt is open, or 0.
  std::atomic<unsigned long> promptThread_{0};
  ProxyCredentialsPrompt prompt_;
  // Per proxy: the answer, or nothing when the prompt was cancelled.
  std::map<std::string, std::pair<bool, ProxyCredentials>> answers_;
};
