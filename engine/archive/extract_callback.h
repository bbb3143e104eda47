#pragma once

#include <cstdint>
#include <string>

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "base/scoped_handle.h"
#include "engine/archive/file_streams.h"
#include "engine/archive/interface_ids.h"

namespace archive {
class ExtractObserver;
}

namespace archive::detail {

// What a handler's Extract calls back: for each item, an output stream at its target under the
// destination folder (GetStream) and its verdict (SetOperationResult), where the stored times
// and attributes are put back. Passwords are refused. It keeps the handler alive while it lives;
// the observer, which may be null, must outlive the extraction.
class ExtractCallback final : public base::ComObject<IArchiveExtractCallback,
                                                     ICryptoGetTextPassword,
                                                     ICompressProgressInfo> {
 public:
  // `overwriteMode` 1 deletes whatever is at an item's target before the item is written.
  ExtractCallback(IInArchive* handler,
                  const std::wstring& folder,
                  int overwriteMode,
                  ExtractObserver* observer);

  // IProgress.
  STDMETHODIMP SetTotal(UInt64 total) noexcept override;
  STDMETHODIMP SetCompleted(const UInt64* completeValue) noexcept override;
  // IArchiveExtractCallback.
  STDMETHODIMP GetStream(UInt32 index,
                         ISequentialOutStream** outStream,
                         Int32 askExtractMode) noexcept override;
  STDMETHODIMP PrepareOperation(Int32 askExtractMode) noexcept override;
  STDMETHODIMP SetOperationResult(Int32 operationResult) noexcept override;
  // ICryptoGetTextPassword.
  STDMETHODIMP CryptoGetTextPassword(BSTR* password) noexcept override;
  // ICompressProgressInfo.
  STDMETHODIMP SetRatioInfo(const UInt64* inSize, const UInt64* outSize) noexcept override;

  // Deletes the file of an item that was created but never finished, after the handler gave up
  // in the middle of it (a refused password, a failed read), so that no partial file is taken
  // for an unpacked one.
  void RemoveUnfinishedItem();

 private:
  // What the handler says about the current item; each value with its "present" flag.
  struct Item {
    std::wstring relativePath;
    std::wstring targetPath;
    bool fileOpen = false;
    bool isDirectory = false;
    bool hasAttributes = false;
    uint32_t attributes = 0;
    bool hasModificationTime = false;
    FILETIME modificationTime{};
    bool hasCreationTime = false;
    FILETIME creationTime{};
    bool hasAccessTime = false;
    FILETIME accessTime{};
    bool hasSize = false;
    uint64_t size = 0;
  };

  HRESULT OpenItem(UInt32 index, ISequentialOutStream** outStream, Int32 askExtractMode);
  HRESULT ReadItemProperties(UInt32 index);
  DWORD CreationAttributes() const;
  base::ScopedHandle CreateTargetFile(DWORD disposition) const;
  HRESULT CreateItemFile(ISequentialOutStream** outStream);
  HRESULT FinishItem(Int32 operationResult);
  void RestoreTimes();

  base::ComPtr<IInArchive> handler_;
  std::wstring folder_;
  int overwriteMode_;
  ExtractObserver* observer_;
  uint64_t totalBytes_ = 0;
  Item item_;
  // The current item's file, kept so that its times are set through its own handle.
  base::ComPtr<FileOutStream> currentFile_;
};

}  // namespace archive::detail
