#include "engine/transfer/proxy_credentials.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/freed_memory.h"

namespace {

// Longer than any string keeps inside its object, so that a plain copy would use the heap.
constexpr char kSecret[] = "proxy password of the run";
constexpr wchar_t kWideSecret[] = L"proxy password of the run";

class ProxyCredentialStoreTest : public testing::Test {
 protected:
  void SetUp() override { store_.Clear(); }
  void TearDown() override {
    store_.SetPrompt(nullptr);
    store_.Clear();
  }
  ProxyCredentialStore& store_ = ProxyCredentialStore::Instance();
};

// Each copy of the typed password the store and the transfers make (the prompt's UTF-16 answer,
// its UTF-8 form, what a transfer takes) is wiped before its memory goes back.
TEST_F(ProxyCredentialStoreTest, TypedPasswordLeavesNoCopyInFreedMemory) {
  FreedMemoryWatch watch(kSecret);
  int asked = 0;
  store_.SetPrompt([&](const std::string&, std::wstring& userName, base::SecretWString& password) {
    ++asked;
    userName = L"quenby";
    password.Assign(kWideSecret);
    return true;
  });
  for (int transfer = 0; transfer < 2; ++transfer) {
    ProxyCredentials credentials;
    ASSERT_TRUE(store_.CredentialsFor("http://proxy:8080", credentials));
    EXPECT_EQ("quenby", credentials.userName);
    EXPECT_STREQ(kSecret, credentials.password.c_str());
  }
  store_.Clear();
  EXPECT_EQ(1, asked);
  EXPECT_EQ(0, watch.BlocksHoldingTheSecret());
}

TEST_F(ProxyCredentialStoreTest, AnswersAreKeptPerProxyAndACancelIsRemembered) {
  std::vector<std::string> asked;
  store_.SetPrompt(
      [&](const std::string& proxy, std::wstring& userName, base::SecretWString& password) {
        asked.push_back(proxy);
        userName = proxy == "http://b:1" ? L"" : L"user";
        password.Assign(L"pw");
        return proxy != "http://c:1";
      });
  ProxyCredentials credentials;
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(store_.CredentialsFor("http://a:1", credentials));
    EXPECT_FALSE(store_.CredentialsFor("http://b:1", credentials));  // no name given
    EXPECT_FALSE(store_.CredentialsFor("http://c:1", credentials));  // cancelled
  }
  EXPECT_EQ((std::vector<std::string>{"http://a:1", "http://b:1", "http://c:1"}), asked);
}

}  // namespace
