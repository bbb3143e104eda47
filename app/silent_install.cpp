#include "app/silent_install.h"

#include "app/exit_code.h"
#include "app/install_completion.h"
#include "app/product_names.h"
#include "engine/common/install_outcome.h"
#include "engine/common/run_log.h"
#include "engine/engine_report.h"
#include "engine/install_engine.h"
#include "engine/transfer/proxy_credentials.h"
#include "engine/user_prompt.h"

namespace {

// Answers every question as an absent user would, and notes it in the log.
class DecliningPrompt : public UserPrompt {
 public:
  bool AskToVisitHomepage() override { return false; }
  void OpenWebPage(const std::wstring&) override {}
  bool AskToRetryFileInUse(const std::wstring&, const std::vector<std::wstring>&) override {
    ActiveRunLog().Write("file in use: cancelled (silent install)");
    return false;
  }
  void TellNotEnoughSpace(long long, long long) override {}
};

}  // namespace

int RunSilentInstall(const std::wstring& installDir) {
  // The engine keeps it until the process ends.
  static DecliningPrompt prompt;
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUserPrompt(prompt);
  ProxyCredentialStore::Instance().SetPrompt(
      [](const std::string& proxy, std::wstring&, base::SecretWString&) {
        ActiveRunLog().Printf("proxy %s wants a password: not asked (silent install)",
                              AddressForLog(proxy).c_str());
        return false;
      });
  // The registration follows the run as in the wizard, from the completion callback.
  bool complete = false;
  std::vector<std::wstring> created;
  engine.SetCallbacks([](const EngineReport&) {},
                      [&complete, &installDir, &created](const RunOutcome& outcome) {
                        complete = outcome.Complete();
                        CompleteInstallation(installDir, outcome, created);
                      });

  created = CreateInstallFolder(installDir);
  // Under HKLM, as the wizard keeps it: where only administrators can wind it back.
  engine.SetSigningTimeKey(product::kInstallerStateKeyPath);
  engine.CheckUpdate();
  engine.Install(installDir);
  return complete ? kExitInstalled : kExitFailed;
}
