#pragma once

#include <cstddef>

// What every transfer of the engine shares: its callback and outcome types, its limits and the
// switches tests turn, apart from the transfers themselves so that the pieces of one transfer
// can use them without depending on one another.

// libcurl's write-callback signature.
using TransferWriter = size_t (*)(char* data, size_t size, size_t count, void* sink);

// What a transfer ended with, beyond its result code.
struct TransferOutcome {
  long httpStatus = 0;           // of the last response; 0 when none arrived
  long retryAfterSeconds = -1;   // the server's Retry-After; -1 when it gave none
  unsigned long writeError = 0;  // Windows error of a failed write of the body to its file
};

// The most a transfer may redirect, and the only schemes it may be sent to.
constexpr long kMostRedirects = 10;
// Transfers that together receive less than this for the stall limit's seconds are stalled, and
// so is one that receives nothing for that long (engine/transfer/stall_watch.h): a server that
// trickles a few bytes a second would otherwise hold the install for ever.
constexpr long kStallBytesPerSecond = 1024;

// A transfer that receives nothing, or less than kStallBytesPerSecond with the others of its
// run, for this many seconds ends with CURLE_OPERATION_TIMEDOUT, so a dead or trickling connection
// takes the failure path instead of hanging the install: 60 s unless a test shortens it.
void SetTransferStallLimit(int seconds);
int TransferStallLimit();

// Whether servers' certificates and names are checked against the system's certificate store
// (libcurl's Schannel back end reads the Windows store). The build's QUENBY_VERIFY_TLS by
// default; tests switch it.
void SetTlsVerification(bool verify);
bool TlsVerification();
