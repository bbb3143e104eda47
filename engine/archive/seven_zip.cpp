#include "engine/archive/seven_zip.h"

namespace archive::detail {

namespace {

// The last-but-two byte of a 7-Zip format class id names the format.
uint8_t FormatByte(ArchiveFormat format) {
  switch (format) {
    case ArchiveFormat::kZip:
      return 0x01;
    case ArchiveFormat::kCab:
      return 0x08;
    case ArchiveFormat::kLzma:
      return 0x0A;
    case ArchiveFormat::kLzma86:
      return 0x0B;
    case ArchiveFormat::kSevenZip:
    default:
      return 0x07;
  }
}

// Asks the 7z handler to decode on the thread that calls Extract: one LZMA or LZMA2 decoder
// ("mt" 1) and the single-threaded coder mixer ("mtf" off), instead of a thread per coder and a
// pool of LZMA2 block decoders. Packages hold one file each, decoded while nothing else runs, so
// the threads would only add their creation and hand-overs to every package. Handlers without
// these properties keep their defaults.
void DecodeOnCallingThread(IInArchive* handler) {
  base::ComPtr<ISetProperties> properties;
  if (handler->QueryInterface(IID_ISetProperties, properties.ReceiveVoid()) != S_OK)
    return;
  const wchar_t* const names[] = {L"mt", L"mtf"};
  PROPVARIANT values[2];
  values[0].vt = VT_UI4;
  values[0].ulVal = 1;
  values[1].vt = VT_BOOL;
  values[1].boolVal = VARIANT_FALSE;
  // A handler that refuses them decodes as it would have anyway.
  properties->SetProperties(names, values, 2);
}

}  // namespace

GUID FormatClassId(ArchiveFormat format) {
  return GUID{
      0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, FormatByte(format), 0x00, 0x00}};
}

HRESULT CreateHandler(ArchiveFormat format, base::ComPtr<IInArchive>& handler) {
  const GUID classId = FormatClassId(format);
  const HRESULT result = ::CreateObject(&classId, &IID_IInArchive, handler.ReceiveVoid());
  if (result == S_OK && FormatByte(format) == FormatByte(ArchiveFormat::kSevenZip))
    DecodeOnCallingThread(handler.Get());
  return result;
}

bool OpenFirstAccepting(IInStream* stream,
                        const std::vector<ArchiveFormat>& candidates,
                        IArchiveOpenCallback* openCallback,
                        base::ComPtr<IInArchive>& handler,
                        ArchiveFormat& format) {
  const UInt64 maxStartSearch = 0;
  for (ArchiveFormat candidate : candidates) {
    base::ComPtr<IInArchive> tried;
    if (CreateHandler(candidate, tried) != S_OK)
      continue;
    if (stream->Seek(0, STREAM_SEEK_SET, nullptr) != S_OK)
      break;
    if (tried->Open(stream, &maxStartSearch, openCallback) == S_OK) {
      handler = std::move(tried);
      format = candidate;
      return true;
    }
    tried->Close();
  }
  handler.Reset();
  return false;
}

PROPVARIANT* ScopedPropVariant::Receive() {
  ::PropVariantClear(&value_);
  return &value_;
}

bool ScopedPropVariant::ToUInt64(uint64_t& number) const {
  switch (value_.vt) {
    case VT_UI1:
      number = value_.bVal;
      return true;
    case VT_UI2:
      number = value_.uiVal;
      return true;
    case VT_UI4:
      number = value_.ulVal;
      return true;
    case VT_UI8:
      number = value_.uhVal.QuadPart;
      return true;
    default:
      return false;
  }
}

std::wstring ScopedPropVariant::ToText() const {
  if (value_.vt != VT_BSTR || value_.bstrVal == nullptr)
    return std::wstring();
  return std::wstring(value_.bstrVal, ::SysStringLen(value_.bstrVal));
}

bool ReadItemList(IInArchive* handler,
                  std::vector<std::wstring>& paths,
                  std::vector<uint64_t>& sizes) {
  paths.clear();
  sizes.clear();
  UInt32 count = 0;
  if (handler->GetNumberOfItems(&count) != S_OK)
    return false;
  ScopedPropVariant property;
  for (UInt32 index = 0; index < count; ++index) {
    if (handler->GetProperty(index, kpidSize, property.Receive()) != S_OK)
      return false;
    uint64_t size = 0;
    property.ToUInt64(size);
    sizes.push_back(size);
    if (handler->GetProperty(index, kpidPath, property.Receive()) != S_OK)
      return false;
    paths.push_back(property.ToText());
  }
  return true;
}

}  // namespace archive::detail
