#include "app/install_completion.h"

#include <windows.h>

#include "app/install_record.h"
#include "app/product_names.h"
#include "app/registration.h"
#include "base/folder_chain.h"
#include "base/folder_security.h"
#include "engine/common/install_outcome.h"
#include "engine/common/run_log.h"

namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::vector<std::wstring> CreateInstallFolder(const std::wstring& installDir) {
  base::ProtectedFolderSecurity security;
  return base::CreateFolderChain(installDir, security.Get());
}

CompletionResult CompleteInstallation(const std::wstring& installDir,
                                      const RunOutcome& outcome,
                                      const std::vector<std::wstring>& created) {
  CompletionResult result;
  result.clientPresent = IsFile(installDir + L"\\" + product::kLauncherName);
  // Only a complete run registers: a failed one changed nothing of the client, and a fresh
  // install that failed left none to register.
  if (outcome.Complete()) {
    result.recordWritten = WriteInstallRecord(installDir);
    result.registered = RegisterInstallation(installDir);
    ActiveRunLog().Printf("run complete: install.dat %s, shortcuts and uninstall entry %s",
                          result.recordWritten ? "written" : "NOT written",
                          result.registered ? "written" : "NOT all written");
  } else {
    ActiveRunLog().Write("run not complete: nothing registered");
    // A run that kept nothing for the next one leaves no folder it made.
    base::RemoveCreatedFolders(created);
  }
  result.showFinishPage = outcome.Complete() || result.clientPresent;
  return result;
}
