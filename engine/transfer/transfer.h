#pragma once

#include <string>

#include "engine/transfer/transfer_settings.h"

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
