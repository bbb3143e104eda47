#include "engine/transfer/transfer_settings.h"

#include <atomic>

namespace {

std::atomic<int> stallLimitSeconds{60};

#ifndef QUENBY_VERIFY_TLS
#error "QUENBY_VERIFY_TLS must say whether servers' certificates are checked (0 or 1)"
#endif
std::atomic<bool> tlsVerification{QUENBY_VERIFY_TLS != 0};

}  // namespace

void SetTlsVerification(bool verify) {
  tlsVerification = verify;
}

bool TlsVerification() {
  return tlsVerification;
}

void SetTransferStallLimit(int seconds) {
  stallLimitSeconds = seconds;
}

int TransferStallLimit() {
  return stallLimitSeconds;
}
