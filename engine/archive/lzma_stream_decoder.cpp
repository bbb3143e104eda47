#include "engine/archive/lzma_stream_decoder.h"

#include <cstdlib>
#include <cstring>

#include "../C/LzmaDec.h"

namespace archive {

namespace {

void* Allocate(ISzAllocPtr, size_t size) {
  return std::malloc(size);
}
void Free(ISzAllocPtr, void* address) {
  std::free(address);
}
const ISzAlloc kAllocator = {Allocate, Free};

// LZMA never refers back further than it has written, nor would it with a smaller buffer.
constexpr uint32_t kSmallestDictionary = 1u << 12;

}  // namespace

struct LzmaStreamDecoder::State {
  State() { LzmaDec_CONSTRUCT(&decoder); }
  ~State() { LzmaDec_Free(&decoder, &kAllocator); }
  CLzmaDec decoder;
};

LzmaStreamDecoder::LzmaStreamDecoder() : state_(std::make_unique<State>()) {}

LzmaStreamDecoder::~LzmaStreamDecoder() = default;

bool LzmaStreamDecoder::Start(const unsigned char* properties,
                              uint64_t decodedLength,
                              size_t maxDictionary) {
  Byte trimmed[kPropertiesSize];
  std::memcpy(trimmed, properties, kPropertiesSize);
  uint32_t dictionary =
      static_cast<uint32_t>(properties[1]) | static_cast<uint32_t>(properties[2]) << 8 |
      static_cast<uint32_t>(properties[3]) << 16 | static_cast<uint32_t>(properties[4]) << 24;
  if (dictionary > decodedLength)
    dictionary = static_cast<uint32_t>(decodedLength);
  if (dictionary < kSmallestDictionary)
    dictionary = kSmallestDictionary;
  if (dictionary > maxDictionary)
    return false;
  // LZMA2's limit on literal context and position bits: the probability tables then stay at a
  // few kilobytes instead of 6 MB.
  const unsigned literalBits = properties[0] % 9 + properties[0] / 9 % 5;
  if (properties[0] >= 9 * 5 * 5 || literalBits > 4)
    return false;
  for (int i = 0; i < 4; ++i)
    trimmed[1 + i] = static_cast<Byte>(dictionary >> (8 * i));
  LzmaDec_Free(&state_->decoder, &kAllocator);
  if (LzmaDec_Allocate(&state_->decoder, trimmed, kPropertiesSize, &kAllocator) != SZ_OK)
    return false;
  LzmaDec_Init(&state_->decoder);
  return true;
}

bool LzmaStreamDecoder::Decode(const unsigned char* input,
                               size_t* inputSize,
                               unsigned char* output,
                               size_t* outputSize) {
  if (state_->decoder.probs == nullptr)
    return false;
  ELzmaStatus status;
  SizeT inputLength = *inputSize;
  SizeT outputLength = *outputSize;
  const SRes result = LzmaDec_DecodeToBuf(&state_->decoder, output, &outputLength, input,
                                          &inputLength, LZMA_FINISH_ANY, &status);
  *inputSize = inputLength;
  *outputSize = outputLength;
  return result == SZ_OK;
}

}  // namespace archive
