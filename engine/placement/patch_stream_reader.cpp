#include "engine/placement/patch_stream_reader.h"

#include <algorithm>

namespace {

constexpr size_t kInputBufferSize = 64 * 1024;

}  // namespace

PatchStreamReader::PatchStreamReader(HANDLE patch,
                                     uint64_t offset,
                                     uint64_t codedLength,
                                     uint64_t decodedLength)
    : patch_(patch),
      offset_(offset),
      codedRemaining_(codedLength),
      decodedRemaining_(decodedLength),
      input_(kInputBufferSize) {}

bool PatchStreamReader::FillInput() {
  if (inputStart_ > 0) {
    std::copy(input_.begin() + inputStart_, input_.begin() + inputEnd_, input_.begin());
    inputEnd_ -= inputStart_;
    inputStart_ = 0;
  }
  const uint64_t room = input_.size() - inputEnd_;
  const DWORD wanted = static_cast<DWORD>(std::min(room, codedRemaining_));
  if (wanted == 0)
    return false;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset_);
  DWORD read = 0;
  if (!::SetFilePointerEx(patch_, position, nullptr, FILE_BEGIN) ||
      !::ReadFile(patch_, input_.data() + inputEnd_, wanted, &read, nullptr) || read != wanted)
    return false;
  offset_ += read;
  codedRemaining_ -= read;
  inputEnd_ += read;
  return true;
}

bool PatchStreamReader::Start(size_t maxDictionary) {
  if (codedRemaining_ < archive::LzmaStreamDecoder::kPropertiesSize || !FillInput())
    return false;
  inputStart_ = archive::LzmaStreamDecoder::kPropertiesSize;
  return decoder_.Start(input_.data(), decodedRemaining_, maxDictionary);
}

bool PatchStreamReader::Read(unsigned char* data, size_t size) {
  if (size > decodedRemaining_)
    return false;
  while (size > 0) {
    if (inputStart_ == inputEnd_ && !FillInput())
      return false;
    size_t consumed = inputEnd_ - inputStart_;
    size_t produced = size;
    if (!decoder_.Decode(input_.data() + inputStart_, &consumed, data, &produced))
      return false;
    inputStart_ += consumed;
    data += produced;
    size -= produced;
    decodedRemaining_ -= produced;
    // The decoder keeps no more than a few bytes back, so an empty step with input at hand
    // means the stream ended (an end mark) before its length.
    if (consumed == 0 && produced == 0 && !FillInput())
      return false;
  }
  return true;
}
