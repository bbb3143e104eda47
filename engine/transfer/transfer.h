#pragma once

#include <cstddef>
#include <string>

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

// One blocking HTTP(S) transfer of address (ASCII, escaped as engine/common/address_escape.h does)
// with the engine's option set, every chunk going to writer(sink). With resumeFrom above 0 only the
// bytes from there on are asked for; a server that cannot send them ends the transfer with
// CURLE_RANGE_ERROR before any byte is written.
// The transfer takes the routes the user's proxy settings give for the address's server
// (engine/transfer/proxy_routes.h) in turn, moving on from a proxy that fails and trying direct
// once after the last; the route that reached the server is kept for it
// (engine/transfer/route_walk.h). It runs on a multi handle of its own, made and cleaned up by the
// call; a run's packages travel together on one instead (engine/transfer/package_fetcher.h).
// expectedBytes, when above 0, is the body's size as the caller knows it: libcurl's receive
// buffer is made to fit it instead of taking its usual megabyte. libcurl allocates the buffer
// for every transfer, and under Wine a fresh megabyte (its pages faulted in by the first
// receive) costs more than a small file's whole transfer.
// maxBytes, when not negative, bounds the whole body (from its start, resumed bytes included):
// the transfer ends with CURLE_FILESIZE_EXCEEDED at the first chunk that would pass it, so an
// endless or oversized body, announced or not, never reaches the disk past it. Redirects are
// followed at most kMostRedirects times, and like the first request only over http and https.
// Returns 0 or libcurl's result code; fills outcome when given.
int PerformTransfer(const std::string& address,
                    TransferWriter writer,
                    void* sink,
                    long long resumeFrom = 0,
                    TransferOutcome* outcome = nullptr,
                    long long expectedBytes = 0,
                    long long maxBytes = -1);

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
