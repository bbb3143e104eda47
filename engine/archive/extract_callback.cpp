#include "engine/archive/extract_callback.h"

#include "engine/archive/archive_extractor.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "base/exception_barrier.h"
#include "base/scoped_handle.h"
#include "engine/archive/diagnostics.h"
#include "engine/archive/extract_observer.h"
#include "engine/archive/file_streams.h"
#include "engine/archive/item_path.h"
#include "engine/archive/read_only_files.h"

namespace archive::detail {

namespace {

// Returned when an item's parent folder cannot be created. The plain Win32 code, not an HRESULT
// (SUCCEEDED() holds for it): the extractor's callers take 1631 as its documented result and
// only ever test for non-zero.
constexpr HRESULT kParentFolderFailed = ERROR_CREATE_FAILED;
// Returned for an item whose path leads out of the destination folder.
constexpr HRESULT kItemOutsideFolder = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
// Archives written on POSIX systems keep the file mode in the high half of the attributes and
// mark that with this bit; only the low half is Windows attributes.
constexpr uint32_t kUnixExtensionAttribute = 0x8000;
// The attributes a new file can be given; others (folder, device, reparse point, …) are not ours
// to set on a file.
constexpr uint32_t kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Removes the file at an item's target so that the item can be written there. A folder in its
// place is never removed: it may hold the user's data, so the item fails instead.
HRESULT RemoveFileInTheWay(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  // A link planted at the target is refused, not removed: some systems (Wine) remove what a
  // file link points at.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return kResultLinkInTheWay;
  if (!DeleteFileEvenIfReadOnly(path))
    return HRESULT_FROM_WIN32(::GetLastError());
  return S_OK;
}

// The failure result for a handler's verdict on an item other than "OK".
HRESULT ItemFailure(Int32 operationResult) {
  switch (operationResult) {
    case NArchive::NExtract::NOperationResult::kUnsupportedMethod:
      return E_NOTIMPL;
    case NArchive::NExtract::NOperationResult::kWrongPassword:
      return E_ABORT;
    default:
      return HRESULT_FROM_WIN32(ERROR_CRC);
  }
}

}  // namespace

ExtractCallback::ExtractCallback(IInArchive* handler,
                                 const std::wstring& folder,
                                 int overwriteMode,
                                 ExtractObserver* observer)
    : handler_(handler), folder_(folder), overwriteMode_(overwriteMode), observer_(observer) {
  if (folder_.empty() || (folder_.back() != L'\\' && folder_.back() != L'/'))
    folder_ += L'\\';
}

STDMETHODIMP ExtractCallback::SetTotal(UInt64 total) noexcept {
  return base::CatchAll([&] {
    totalBytes_ = total;
    if (observer_ != nullptr)
      observer_->TotalKnown(item_.targetPath, total);
    return S_OK;
  });
}

STDMETHODIMP ExtractCallback::SetCompleted(const UInt64*) noexcept {
  return S_OK;
}

STDMETHODIMP ExtractCallback::GetStream(UInt32 index,
                                        ISequentialOutStream** outStream,
                                        Int32 askExtractMode) noexcept {
  if (outStream == nullptr)
    return E_POINTER;
  *outStream = nullptr;
  return base::CatchAll([&] { return OpenItem(index, outStream, askExtractMode); });
}

STDMETHODIMP ExtractCallback::PrepareOperation(Int32) noexcept {
  return S_OK;
}

STDMETHODIMP ExtractCallback::SetOperationResult(Int32 operationResult) noexcept {
  return base::CatchAll([&] { return FinishItem(operationResult); });
}

STDMETHODIMP ExtractCallback::CryptoGetTextPassword(BSTR* password) noexcept {
  // Packages are never encrypted: refusing the password makes the handler fail the item.
  if (password != nullptr)
    *password = nullptr;
  return E_ABORT;
}

STDMETHODIMP ExtractCallback::SetRatioInfo(const UInt64* inSize, const UInt64* outSize) noexcept {
  return base::CatchAll([&] {
    if (observer_ != nullptr)
      observer_->RatioInfo(inSize != nullptr ? *inSize : 0, outSize != nullptr ? *outSize : 0);
    return S_OK;
  });
}

HRESULT ExtractCallback::OpenItem(UInt32 index,
                                  ISequentialOutStream** outStream,
                                  Int32 askExtractMode) {
  item_ = Item{};
  ScopedPropVariant path;
  HRESULT result = handler_->GetProperty(index, kpidPath, path.Receive());
  if (result == S_OK && path.Type() != VT_BSTR && path.Type() != VT_EMPTY)
    result = E_FAIL;
  if (result != S_OK) {
    WriteDiagnostic(L"获取数据失败");
    return result;
  }
  // Single-stream formats (a raw lzma stream) have no item names.
  item_.relativePath = path.Type() == VT_BSTR ? path.ToText() : L"[Content]";
  if (askExtractMode != NArchive::NExtract::NAskMode::kExtract)
    return S_OK;

  result = ReadItemProperties(index);
  if (result != S_OK) {
    WriteDiagnostic(L"获取数据失败");
    return result;
  }
  std::wstring targetRelativePath = item_.relativePath;
  if (!item_.isDirectory && observer_ != nullptr) {
    if (!observer_->ItemStarting(folder_, item_.relativePath))
      return E_FAIL;
    if (!item_.relativePath.empty())
      targetRelativePath = item_.relativePath;
  }
  if (!StaysInsideFolder(targetRelativePath)) {
    WriteDiagnostic(L"路径越出目标目录:", targetRelativePath);
    return kItemOutsideFolder;
  }
  item_.targetPath = folder_ + targetRelativePath;

  const FolderHold* holdFolder = observer_ != nullptr ? observer_->Folders() : nullptr;
  if (item_.isDirectory) {
    WriteDiagnostic(L"DirBegin:", item_.targetPath);
    if (holdFolder != nullptr)
      return (*holdFolder)(item_.targetPath) ? S_OK : kResultLinkInTheWay;
    // A folder that cannot be made shows up when the first file inside it is created.
    ::SHCreateDirectoryExW(nullptr, item_.targetPath.c_str(), nullptr);
    return S_OK;
  }
  WriteDiagnostic(L"FileBegin:", item_.targetPath);
  if (holdFolder != nullptr &&
      !(*holdFolder)(item_.targetPath.substr(0, item_.targetPath.find_last_of(L"\\/")))) {
    WriteDiagnostic(L"创建目录失败:", item_.targetPath);
    return kResultLinkInTheWay;
  }
  return CreateItemFile(outStream);
}

HRESULT ExtractCallback::ReadItemProperties(UInt32 index) {
  ScopedPropVariant property;
  HRESULT result = handler_->GetProperty(index, kpidAttrib, property.Receive());
  if (result != S_OK)
    return result;
  if (property.Type() == VT_UI4) {
    item_.hasAttributes = true;
    item_.attributes = property.Get().ulVal;
  } else if (property.Type() != VT_EMPTY) {
    return E_FAIL;
  }

  result = handler_->GetProperty(index, kpidIsDir, property.Receive());
  if (result != S_OK)
    return result;
  if (property.Type() == VT_BOOL)
    item_.isDirectory = property.Get().boolVal != VARIANT_FALSE;
  else if (property.Type() != VT_EMPTY)
    return E_FAIL;

  struct TimeProperty {
    PROPID id;
    bool* present;
    FILETIME* value;
  };
  const TimeProperty times[] = {
      {kpidMTime, &item_.hasModificationTime, &item_.modificationTime},
      {kpidCTime, &item_.hasCreationTime, &item_.creationTime},
      {kpidATime, &item_.hasAccessTime, &item_.accessTime},
  };
  for (const TimeProperty& time : times) {
    result = handler_->GetProperty(index, time.id, property.Receive());
    if (result != S_OK)
      return result;
    if (property.Type() == VT_FILETIME) {
      *time.present = true;
      *time.value = property.Get().filetime;
    } else if (property.Type() != VT_EMPTY) {
      return E_FAIL;
    }
  }

  result = handler_->GetProperty(index, kpidSize, property.Receive());
  if (result != S_OK)
    return result;
  if (property.ToUInt64(item_.size))
    item_.hasSize = true;
  else if (property.Type() != VT_EMPTY)
    return E_FAIL;
  return S_OK;
}

DWORD ExtractCallback::CreationAttributes() const {
  if (!item_.hasAttributes)
    return FILE_ATTRIBUTE_NORMAL;
  uint32_t attributes = item_.attributes;
  if (attributes & kUnixExtensionAttribute)
    attributes &= kUnixExtensionAttribute - 1;
  attributes &= kSettableAttributes;
  return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

base::ScopedHandle ExtractCallback::CreateTargetFile(DWORD disposition) const {
  // Deleting is shared, so that a damaged item can be removed while the handler still holds it.
  // A link at the target is never followed: its own entry is what is opened.
  return base::ScopedHandle(::CreateFileW(
      item_.targetPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      disposition, CreationAttributes() | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

HRESULT ExtractCallback::CreateItemFile(ISequentialOutStream** outStream) {
  const std::wstring& target = item_.targetPath;
  // The common case, nothing at the target and its folder in place, costs one call. Only when
  // that fails is the target cleared and the folder made, and the file created again.
  base::ScopedHandle file = CreateTargetFile(CREATE_NEW);
  if (!file.IsValid()) {
    const DWORD existing =
        overwriteMode_ == 1 ? ::GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (existing != INVALID_FILE_ATTRIBUTES) {
      const HRESULT result = RemoveFileInTheWay(target, existing);
      if (result != S_OK) {
        WriteDiagnostic(L"移除路径失败:", target);
        return result;
      }
    }

    const std::wstring parent = target.substr(0, target.find_last_of(L"\\/") + 1);
    // The shell's answer does not tell an existing folder from an existing file of that name;
    // what counts is whether the parent is a folder afterwards.
    ::SHCreateDirectoryExW(nullptr, parent.c_str(), nullptr);
    const DWORD parentAttributes = ::GetFileAttributesW(parent.c_str());
    if (parentAttributes == INVALID_FILE_ATTRIBUTES ||
        (parentAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      WriteDiagnostic(L"创建目录失败:", parent);
      return kParentFolderFailed;
    }

    file = CreateTargetFile(CREATE_ALWAYS);
    if (!file.IsValid()) {
      const DWORD error = ::GetLastError();
      WriteDiagnostic(L"创建文件失败:", target);
      item_.targetPath.clear();
      return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
  }
  base::ComPtr<FileOutStream> stream(new (std::nothrow) FileOutStream(std::move(file)));
  if (!stream) {
    WriteDiagnostic(L"内存不足");
    return E_OUTOFMEMORY;
  }
  currentFile_ = stream;
  *outStream = stream.Detach();
  item_.fileOpen = true;
  return S_OK;
}

void ExtractCallback::RemoveUnfinishedItem() {
  if (!item_.fileOpen)
    return;
  item_.fileOpen = false;
  currentFile_.Reset();
  WriteDiagnostic(L"移除未完成文件:", item_.targetPath);
  DeleteFileEvenIfReadOnly(item_.targetPath);
}

HRESULT ExtractCallback::FinishItem(Int32 operationResult) {
  item_.fileOpen = false;
  // A damaged item must not pass for a written one: its file is removed and the run fails.
  if (operationResult != NArchive::NExtract::NOperationResult::kOK) {
    currentFile_.Reset();
    WriteDiagnostic(L"数据校验失败:", item_.targetPath);
    if (!item_.targetPath.empty() && !item_.isDirectory)
      DeleteFileEvenIfReadOnly(item_.targetPath);
    return ItemFailure(operationResult);
  }
  if (item_.targetPath.empty()) {
    WriteDiagnostic(L"AllDone");
    if (observer_ != nullptr)
      observer_->ExtractionDone(folder_);
    return S_OK;
  }
  // On the disk before it may be renamed over the old file: a power loss after the rename must
  // not leave a file whose name is new and whose contents never reached the disk.
  if (currentFile_) {
    const HRESULT flushed = currentFile_->Flush();
    if (flushed != S_OK) {
      currentFile_.Reset();
      WriteDiagnostic(L"写入文件失败:", item_.targetPath);
      DeleteFileEvenIfReadOnly(item_.targetPath);
      return flushed;
    }
  }
  RestoreTimes();
  WriteDiagnostic(L"FileDone:", item_.targetPath);
  if (observer_ != nullptr) {
    if (!observer_->ItemFinishing(item_.targetPath, item_.size))
      return E_FAIL;
    observer_->ItemExtracted(item_.targetPath, item_.size);
  }
  return S_OK;
}

void ExtractCallback::RestoreTimes() {
  // The stored attributes were given when the file was created. The times go through the
  // handle the contents went through, before it closes; setting them is best effort.
  if (currentFile_ && (item_.hasCreationTime || item_.hasAccessTime || item_.hasModificationTime)) {
    currentFile_->SetTimes(item_.hasCreationTime ? &item_.creationTime : nullptr,
                           item_.hasAccessTime ? &item_.accessTime : nullptr,
                           item_.hasModificationTime ? &item_.modificationTime : nullptr);
  }
  currentFile_.Reset();
}

}  // namespace archive::detail
