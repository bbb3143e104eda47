#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "engine/archive/lzma_stream_decoder.h"

// Reads one LZMA-coded stream of a binary patch: `codedLength` bytes at `offset` of the patch
// file, decoding to exactly `decodedLength` bytes. The patch file's handle stays the caller's;
// each read seeks to where this stream left off, so several readers share one handle.
class PatchStreamReader {
 public:
  PatchStreamReader(HANDLE patch, uint64_t offset, uint64_t codedLength, uint64_t decodedLength);

  // Reads the properties and sets up the decoder; false for a stream that is too short, names
  // properties the decoder does not take, or asks for a dictionary above maxDictionary.
  bool Start(size_t maxDictionary);
  // Fills `size` bytes; false when the stream is corrupt, cut short or would pass its decoded
  // length.
  bool Read(unsigned char* data, size_t size);
  uint64_t Remaining() const { return decodedRemaining_; }

 private:
  bool FillInput();

  HANDLE patch_;
  uint64_t offset_;
  uint64_t codedRemaining_;
  uint64_t decodedRemaining_;
  std::vector<unsigned char> input_;
  size_t inputStart_ = 0;
  size_t inputEnd_ = 0;
  archive::LzmaStreamDecoder decoder_;
};
