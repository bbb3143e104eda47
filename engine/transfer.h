#pragma once

#include <cstddef>
#include <string>

// libcurl's write-callback signature.
using TransferWriter = size_t (*)(char* data, size_t size, size_t count, void* sink);

// What a transfer ended with, beyond its result code.
struct TransferOutcome {
  long httpStatus = 0;          // of the last response; 0 when none arrived
  long retryAfterSeconds = -1;  // the server's Retry-After; -1 when it gave none
  unsigned long writeError = 0; // Windows error of a failed write of the body to its file
};

// One blocking HTTP(S) transfer of address (ASCII, escaped as engine/address_escape.h does) with
// the engine's option set, every chunk going to writer(sink). With resumeFrom above 0 only the
// bytes from there on are asked for; a server that cannot send them ends the transfer with
// CURLE_RANGE_ERROR before any byte is written.
// The transfer takes the routes the user's proxy settings give for the address's server
// (engine/proxy_routes.h) in turn, moving on from a proxy that fails and trying direct once after
// the last; the route that reached the server is kept for it.
// expectedBytes, when above 0, is the body's size as the caller knows it: libcurl's receive
// buffer is made to fit it instead of taking its usual megabyte. libcurl allocates the buffer
// for every transfer, and under Wine a fresh megabyte (its pages faulted in by the first
// receive) costs more than a small file's whole transfer.
// Returns 0 or libcurl's result code; fills outcome when given.
int PerformTransfer(const std::string& address,
                    TransferWriter writer,
                    void* sink,
                    long long resumeFrom = 0,
                    TransferOutcome* outcome = nullptr,
                    long long expectedBytes = 0);

// A transfer that receives no data for this many seconds ends with a non-zero result, so a dead
// connection takes the failure path instead of hanging the install: 60 s unless a test shortens
// it.
void SetTransferStallLimit(int seconds);
int TransferStallLimit();
