#pragma once

// 7-Zip's interface headers use the OLE declarations (BSTR, PROPVARIANT, CoCreateInstance) that
// WIN32_LEAN_AND_MEAN leaves out of <windows.h>.
#include <windows.h>

#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Common/MyCom.h"
#include "IArchive.h"
#include "ICoder.h"
#include "IPassword.h"
#include "IStream.h"
#include "PropID.h"
#include "base/com_ptr.h"
#include "engine/archive/archive_format.h"

// The library's one entry point: handlers by format class id, codecs by method class id.
STDAPI CreateObject(const GUID* clsid, const GUID* iid, void** outObject);

namespace archive::detail {

// The 7-Zip format class id of the handler for `format`.
GUID FormatClassId(ArchiveFormat format);

// Creates the handler for `format` through CreateObject.
HRESULT CreateHandler(ArchiveFormat format, base::ComPtr<IInArchive>& handler);

// Tries the handlers of `candidates` in order on the stream, each only at the start of the file
// (a package is an archive from its first byte). The first that opens it is left open in
// `handler` and its format in `format`; false (and no handler) when none does.
bool OpenFirstAccepting(IInStream* stream,
                        const std::vector<ArchiveFormat>& candidates,
                        IArchiveOpenCallback* openCallback,
                        base::ComPtr<IInArchive>& handler,
                        ArchiveFormat& format);

// Closes an opened handler when it goes out of scope.
class ScopedArchiveClose {
 public:
  explicit ScopedArchiveClose(IInArchive* handler) : handler_(handler) {}
  ~ScopedArchiveClose() { handler_->Close(); }
  ScopedArchiveClose(const ScopedArchiveClose&) = delete;
  ScopedArchiveClose& operator=(const ScopedArchiveClose&) = delete;

 private:
  IInArchive* handler_;
};

// A PROPVARIANT that the library fills in and this object clears.
class ScopedPropVariant {
 public:
  ScopedPropVariant() { ::PropVariantInit(&value_); }
  ~ScopedPropVariant() { ::PropVariantClear(&value_); }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;

  // Clears the value and hands it to the library to fill in.
  PROPVARIANT* Receive();
  const PROPVARIANT& Get() const { return value_; }
  VARTYPE Type() const { return value_.vt; }

  // The value as an unsigned 64-bit number, when it is one of the unsigned integer types.
  bool ToUInt64(uint64_t& number) const;
  // The value as text: the string for VT_BSTR, otherwise the empty string.
  std::wstring ToText() const;

 private:
  PROPVARIANT value_;
};

// Reads every item's path (kpidPath, empty when it is not text) and size (kpidSize, 0 when
// absent) of an opened handler. Returns false when a property cannot be read.
bool ReadItemList(IInArchive* handler,
                  std::vector<std::wstring>& paths,
                  std::vector<uint64_t>& sizes);

}  // namespace archive::detail
