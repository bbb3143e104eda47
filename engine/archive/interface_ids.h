#pragma once

#include "base/com_object.h"
#include "engine/archive/seven_zip.h"

// The interface ids each 7-Zip interface that the archive wrapper implements answers in
// QueryInterface: its own and those of the interfaces it extends. The 7-Zip headers declare
// their ids as constants, not on the types.
namespace base {

template <>
struct InterfaceIds<IInStream> {
  static bool Match(REFIID iid) { return iid == IID_IInStream || iid == IID_ISequentialInStream; }
};
template <>
struct InterfaceIds<IStreamGetSize> {
  static bool Match(REFIID iid) { return iid == IID_IStreamGetSize; }
};
template <>
struct InterfaceIds<IOutStream> {
  static bool Match(REFIID iid) { return iid == IID_IOutStream || iid == IID_ISequentialOutStream; }
};
template <>
struct InterfaceIds<IArchiveOpenCallback> {
  static bool Match(REFIID iid) { return iid == IID_IArchiveOpenCallback; }
};
template <>
struct InterfaceIds<IArchiveExtractCallback> {
  static bool Match(REFIID iid) {
    return iid == IID_IArchiveExtractCallback || iid == IID_IProgress;
  }
};
template <>
struct InterfaceIds<ICryptoGetTextPassword> {
  static bool Match(REFIID iid) { return iid == IID_ICryptoGetTextPassword; }
};
template <>
struct InterfaceIds<ICompressProgressInfo> {
  static bool Match(REFIID iid) { return iid == IID_ICompressProgressInfo; }
};

}  // namespace base
