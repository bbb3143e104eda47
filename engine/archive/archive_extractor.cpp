#include "engine/archive/archive_extractor.h"

#include <new>
#include <utility>
#include <vector>

#include "base/com_ptr.h"
#include "base/exception_barrier.h"
#include "engine/archive/extract_callback.h"
#include "engine/archive/extract_observer.h"
#include "engine/archive/file_streams.h"
#include "engine/archive/memory_in_stream.h"
#include "engine/archive/open_callback.h"
#include "engine/archive/seven_zip.h"

namespace archive {

int32_t ArchiveExtractor::ExtractTo(const std::wstring& folder, ExtractObserver* callback) {
  return base::CatchAll([&] { return Extract(folder, callback); });
}

void ArchiveExtractor::SetOpenedFile(base::ScopedHandle file) {
  openedFile_ = std::move(file);
}

void ArchiveExtractor::SetMemory(const void* data, size_t size) {
  memory_ = data;
  memorySize_ = size;
}

int32_t ArchiveExtractor::Extract(const std::wstring& folder, ExtractObserver* callback) {
  base::ComPtr<IInStream> stream;
  if (memory_ != nullptr) {
    stream.Reset(new (std::nothrow) detail::MemoryInStream(memory_, memorySize_));
    memory_ = nullptr;
    if (!stream)
      return E_OUTOFMEMORY;
  } else if (openedFile_.IsValid()) {
    stream.Reset(new (std::nothrow) detail::FileInStream(std::move(openedFile_)));
    if (!stream)
      return E_OUTOFMEMORY;
  } else if (detail::OpenFileInStream(path_, stream) != S_OK) {
    return ERROR_OPEN_FAILED;
  }
  base::ComPtr<IArchiveOpenCallback> openCallback(new (std::nothrow) detail::OpenCallback());
  if (!openCallback)
    return E_OUTOFMEMORY;

  // The probe's handler, left open, is the one that extracts: the file is opened and its
  // headers read once. A file no handler accepts goes to the 7z handler, whose Open then
  // reports the failure.
  formatChosen_ = false;
  base::ComPtr<IInArchive> handler;
  HRESULT result = S_OK;
  if (!detail::OpenFirstAccepting(stream.Get(), ProbeCandidates(), openCallback.Get(), handler,
                                  format_)) {
    format_ = ArchiveFormat::kNone;
    result = detail::CreateHandler(format_, handler);
    if (result != S_OK)
      return result;
    result = stream->Seek(0, STREAM_SEEK_SET, nullptr);
    if (result == S_OK)
      result = handler->Open(stream.Get(), nullptr, openCallback.Get());
    if (result != S_OK)
      return result;
  }
  detail::ScopedArchiveClose closer(handler.Get());

  if (callback != nullptr) {
    UInt32 count = 0;
    result = handler->GetNumberOfItems(&count);
    if (result != S_OK)
      return result;
    if (callback->WantItemList(count)) {
      std::vector<std::wstring> paths;
      std::vector<uint64_t> sizes;
      if (!detail::ReadItemList(handler.Get(), paths, sizes))
        return E_FAIL;
      if (!callback->ApproveItems(paths, sizes))
        return 0;
    }
  }

  auto* extractCallback =
      new (std::nothrow) detail::ExtractCallback(handler.Get(), folder, overwriteMode_, callback);
  if (extractCallback == nullptr)
    return E_OUTOFMEMORY;
  base::ComPtr<IArchiveExtractCallback> extractCallbackReference(extractCallback);
  const UInt32 kAllItems = static_cast<UInt32>(-1);
  result = handler->Extract(nullptr, kAllItems, 0, extractCallback);
  if (result != S_OK)
    extractCallback->RemoveUnfinishedItem();
  if (callback != nullptr)
    callback->ExtractionDone(path_);
  return result;
}

}  // namespace archive
