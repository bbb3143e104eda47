#include "tests/support/scoped_engine_for_test.h"

#include <utility>

#include "engine/manifest/manifest_keys.h"
#include "engine/transfer/transfer.h"
#include "engine/user_prompt.h"

ScopedEngineForTest::ScopedEngineForTest(UserPrompt& prompt, std::function<void(int)> retryWait) {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUserPrompt(prompt);
  engine.SetRetryWait(std::move(retryWait));
}

ScopedEngineForTest::~ScopedEngineForTest() {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUserPrompt(SystemUserPrompt());
  engine.UseDefaultRetryWait();
  engine.SetManifestKeys(kPinnedManifestKeys);
  engine.SetSigningTimeKey(L"");
  engine.SetManifestNotBefore(kManifestNotBefore);
  SetTransferStallLimit(60);
}
