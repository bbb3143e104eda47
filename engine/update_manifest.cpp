#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/address_escape.h"
#include "engine/install_engine.h"
#include "engine/package_download.h"
#include "engine/text_convert.h"
#include "engine/transfer.h"

namespace {

constexpr wchar_t kManifestPath[] = L"/checkupdate/tarskT/shichang/electron/update.xml";

}  // namespace

std::wstring InstallEngine::UpdateManifestAddress() const {
  // The query only defeats caches: "8000" followed by a number drawn from a time-seeded generator,
  // so two requests in the same second carry the same number.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  int draw = std::rand();
  wchar_t query[32];
  std::swprintf(query, 32, L"?ts=8000%d", draw);
  return updateServer_ + kManifestPath + query;
}

int InstallEngine::CheckUpdate() {
  std::wstring address = UpdateManifestAddress();
  resultCode = 0;
  stage = kStageUpdateCheck;
  const std::string requestAddress = EscapeAddress(WideToUtf8(address));
  int result = 0;
  for (int retry = 0;; ++retry) {
    manifestText.clear();
    TransferOutcome outcome;
    result = PerformTransfer(requestAddress, &AppendToString, &manifestText, 0, &outcome);
    if (!WaitBeforeRetry(retry, result, outcome))
      break;
  }
  resultCode = result;
  // The stage-1 report starts the install worker, which writes resultCode from then on.
  ReportProgress(std::string());
  return result;
}
