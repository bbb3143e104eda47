#pragma once

#include <cstddef>
#include <string>

// libcurl's write-callback signature.
using TransferWriter = size_t (*)(char* data, size_t size, size_t count, void* sink);

// One blocking HTTP(S) transfer of ansiUrl with the engine's option set, every chunk going to
// writer(sink). Returns 0 or libcurl's result code.
int PerformTransfer(const std::string& ansiUrl, TransferWriter writer, void* sink);

// A transfer that receives no data for this many seconds ends with a non-zero result, so a dead
// connection takes the failure path instead of hanging the install. Tests shorten it.
void SetTransferStallLimit(int seconds);
