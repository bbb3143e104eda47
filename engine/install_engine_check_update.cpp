#include <sodium/crypto_hash_sha256.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "engine/common/address_escape.h"
#include "engine/common/digest_hex.h"
#include "engine/common/run_log.h"
#include "engine/common/text_convert.h"
#include "engine/install_engine.h"
#include "engine/manifest/manifest_clock.h"
#include "engine/package_download.h"
#include "engine/transfer/transfer.h"

namespace {

constexpr wchar_t kManifestPath[] = L"/checkupdate/tarskT/shichang/electron/update.xml";
// Bounds before anything is verified: a manifest of many thousand files stays far below the
// first; a minisign signature file is a few hundred bytes.
constexpr long long kMostManifestBytes = 8LL << 20;
constexpr long long kMostSignatureBytes = 4LL << 10;
// How far a manifest's signing time may be ahead of this machine's clock.
constexpr long long kMostClockAheadSeconds = 24 * 60 * 60;

FailureReason ManifestFailure(int result) {
  switch (result) {
    case kResultManifestNotSigned:
      return FailureReason::kManifestNotSigned;
    case kResultManifestUndated:
      return FailureReason::kManifestUndated;
    case kResultManifestRolledBack:
      return FailureReason::kManifestRolledBack;
    case kResultManifestFromTheFuture:
      return FailureReason::kManifestFromTheFuture;
    default:
      return FailureReason::kManifestUnavailable;
  }
}

const char* VerdictText(minisign::Verdict verdict) {
  switch (verdict) {
    case minisign::Verdict::kValid:
      return "valid";
    case minisign::Verdict::kMalformed:
      return "refused: malformed";
    case minisign::Verdict::kUnknownKey:
      return "refused: made by a key that is not pinned";
    case minisign::Verdict::kBadSignature:
      return "refused: does not match the manifest";
    case minisign::Verdict::kBadTrustedComment:
      return "refused: its trusted comment does not verify";
  }
  return "refused";
}

}  // namespace

std::wstring InstallEngine::UpdateManifestAddress() const {
  // The query only defeats caches: "8000" followed by a number drawn from a time-seeded generator,
  // so two requests in the same second carry the same number.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  int draw = std::rand();
  // Formatted narrow: the wide printf family would bring a second formatter into the program.
  char query[32];
  const int length = std::snprintf(query, sizeof query, "?ts=8000%d", draw);
  return updateServer_ + kManifestPath + std::wstring(query, query + (length > 0 ? length : 0));
}

int InstallEngine::FetchWithRetries(const std::string& address,
                                    std::string& text,
                                    long long maxBytes) {
  int result = 0;
  for (int retry = 0;; ++retry) {
    text.clear();
    TransferOutcome outcome;
    result = PerformTransfer(address, &AppendToString, &text, 0, &outcome, 0, maxBytes);
    if (!WaitBeforeRetry(retry, result, outcome)) {
      if (result != 0)
        ActiveRunLog().Printf("%s: failed, tries: %d, libcurl code %d, HTTP status %ld",
                              AddressForLog(address).c_str(), retry + 1, result,
                              outcome.httpStatus);
      return result;
    }
  }
}

bool InstallEngine::SetManifestKeys(std::string_view keys) {
  std::optional<std::vector<minisign::PublicKey>> parsed = minisign::ParsePinnedKeys(keys);
  manifestKeysValid_ = parsed.has_value();
  manifestKeys_ = parsed ? std::move(*parsed) : std::vector<minisign::PublicKey>{};
  return manifestKeysValid_;
}

bool InstallEngine::SignaturesRequired() const {
  // Keys that could not be read pin nothing that verifies: every manifest is refused.
  return !manifestKeysValid_ || !manifestKeys_.empty();
}

int InstallEngine::FetchSignedManifest(const std::wstring& manifestAddress) {
  const std::string address = EscapeAddress(WideToUtf8(manifestAddress));
  int result = FetchWithRetries(address, manifestText, kMostManifestBytes);
  if (result == 0)
    ActiveRunLog().Printf("manifest %s: %zu bytes", AddressForLog(address).c_str(),
                          manifestText.size());
  if (result != 0 || !SignaturesRequired()) {
    if (result == 0)
      ActiveRunLog().Write("manifest signature: not checked (this build pins no key)");
    return result;
  }
  // The signature sits beside the manifest and is asked for with the same cache-busting query.
  const size_t query = address.find('?');
  const std::string signatureAddress =
      address.substr(0, query) + ".minisig" +
      (query == std::string::npos ? std::string() : address.substr(query));
  // A signature that cannot be had is as good as none.
  std::string signature;
  std::string trustedComment;
  if (FetchWithRetries(signatureAddress, signature, kMostSignatureBytes) != 0) {
    ActiveRunLog().Write("manifest signature: could not be fetched");
    return kResultManifestNotSigned;
  }
  const minisign::Verdict verdict =
      minisign::Verify(manifestText, signature, manifestKeys_, &trustedComment);
  ActiveRunLog().Printf("manifest signature: %s", VerdictText(verdict));
  if (verdict != minisign::Verdict::kValid)
    return kResultManifestNotSigned;
  // A valid signature of an older release is what a replay brings: the signing time decides.
  const std::optional<long long> signedAt = minisign::SigningTime(trustedComment);
  if (!signedAt)
    return kResultManifestUndated;
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(manifestText.data()),
                     manifestText.size());
  const std::string manifestDigest = DigestHex(digest, sizeof digest);
  if (IsRolledBack(*signedAt, manifestDigest, manifestNotBefore_,
                   NewestInstalledManifest(signingTimeKey_))) {
    ActiveRunLog().Printf("manifest signed at %lld: older than this machine or this build takes",
                          *signedAt);
    return kResultManifestRolledBack;
  }
  // Kept as the newest, a time far ahead would refuse every later release until it passed; a
  // valid signature that far ahead says more about this machine's clock than about the server.
  if (*signedAt > static_cast<long long>(std::time(nullptr)) + kMostClockAheadSeconds) {
    ActiveRunLog().Printf("manifest signed at %lld: more than a day ahead of this machine's clock",
                          *signedAt);
    return kResultManifestFromTheFuture;
  }
  manifestSignedAt_ = *signedAt;
  manifestDigest_ = manifestDigest;
  return 0;
}

int InstallEngine::CheckUpdate() {
  resultCode = 0;
  stage = kStageUpdateCheck;
  manifestSigned_ = false;
  manifestSignedAt_ = 0;
  manifestDigest_.clear();
  int result = FetchSignedManifest(UpdateManifestAddress());
  // A pair fetched while the publisher replaces it may be one old and one new file: once more
  // before refusing.
  if (result == kResultManifestNotSigned)
    result = FetchSignedManifest(UpdateManifestAddress());
  manifestFailure_ = FailureReason::kNone;
  manifestFailureCode_ = result;
  if (result == 0) {
    manifestSigned_ = SignaturesRequired();
  } else {
    manifestText.clear();
    manifestFailure_ = ManifestFailure(result);
  }
  resultCode = result;
  // The stage-1 report starts the install worker, which writes resultCode from then on.
  ReportProgress();
  return result;
}
