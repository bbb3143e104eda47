// The zip handler's output side for a program that only reads archives: the handler class
// implements IOutArchive and ISetProperties, and these definitions answer them without the
// update code, so that no encoder is linked. Writing or configuring an archive is refused.

#include "StdAfx.h"

#include "ZipHandler.h"

namespace NArchive {
namespace NZip {

Z7_COM7F_IMF(CHandler::GetFileTimeType(UInt32 *timeType))
{
  *timeType = NFileTimeType::kDOS;
  return S_OK;
}

Z7_COM7F_IMF(CHandler::UpdateItems(ISequentialOutStream * /* outStream */, UInt32 /* numItems */,
    IArchiveUpdateCallback * /* callback */))
{
  return E_NOTIMPL;
}

Z7_COM7F_IMF(CHandler::SetProperties(const wchar_t * const * /* names */,
    const PROPVARIANT * /* values */, UInt32 /* numProps */))
{
  return E_NOTIMPL;
}

}}
