#include "app/install_completion.h"

#include "app/install_record.h"
#include "app/registration.h"

CompletionResult CompleteInstallation(const std::wstring& installDir) {
  CompletionResult result;
  result.recordWritten = WriteInstallRecord(installDir);
  result.registered = RegisterInstallation(installDir);
  return result;
}
