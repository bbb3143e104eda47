#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace archive {

// Decodes one raw LZMA stream (the 5 property bytes of an .lzma header, then the coded data)
// given in pieces, for readers that carry their own framing. The dictionary is the smaller of the
// one the properties name and the stream's decoded length, so memory follows what the stream
// can refer back to; a stream asking for more than the caller allows is refused.
class LzmaStreamDecoder {
 public:
  static constexpr size_t kPropertiesSize = 5;

  LzmaStreamDecoder();
  ~LzmaStreamDecoder();
  LzmaStreamDecoder(const LzmaStreamDecoder&) = delete;
  LzmaStreamDecoder& operator=(const LzmaStreamDecoder&) = delete;

  // False for properties the decoder does not take, more than 4 literal context and position
  // bits together, or a dictionary above maxDictionary bytes.
  bool Start(const unsigned char* properties, uint64_t decodedLength, size_t maxDictionary);
  // Decodes from input into output, at most the sizes given; on return they hold what was read
  // and written. False when the data is corrupt.
  bool Decode(const unsigned char* input,
              size_t* inputSize,
              unsigned char* output,
              size_t* outputSize);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace archive
