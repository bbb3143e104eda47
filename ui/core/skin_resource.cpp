#include "ui/core/skin_resource.h"

#include <windows.h>

#include <cwchar>

#include "base/scoped_handle.h"
#include "ui/core/process_elevation.h"
#include "ui/core/skin_settings.h"
#include "ui/core/zip_reader.h"

namespace ui {

namespace {

enum class ReadStatus { Ok, CannotOpen, Empty, TooLarge, ShortRead };

ReadStatus ReadWholeFile(const std::wstring& path, uint64_t maxSize, std::vector<uint8_t>* bytes) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return ReadStatus::CannotOpen;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size))
    return ReadStatus::ShortRead;
  if (size.QuadPart == 0)
    return ReadStatus::Empty;
  if (static_cast<uint64_t>(size.QuadPart) > maxSize)
    return ReadStatus::TooLarge;
  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  bytes->resize(wanted);
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes->data(), wanted, &read, nullptr) || read != wanted) {
    bytes->clear();
    return ReadStatus::ShortRead;
  }
  return ReadStatus::Ok;
}

enum class EntryStatus { Ok, NoPackage, NotFound, Empty, TooLarge, ExtractFailed };

EntryStatus ReadPackageEntry(const wchar_t* name, uint32_t maxSize, std::vector<uint8_t>* bytes) {
  PackageForLookup package;
  if (!package.get())
    return EntryStatus::NoPackage;
  ZipEntryInfo info;
  if (!ZipReader::FindEntry(*package.get(), name, IgnoreCase::Yes, &info))
    return EntryStatus::NotFound;
  if (info.uncompressedSize == 0)
    return EntryStatus::Empty;
  if (info.uncompressedSize > maxSize)
    return EntryStatus::TooLarge;
  bytes->resize(info.uncompressedSize);
  const uint32_t result =
      ZipReader::ExtractToMemory(*package.get(), info.index, bytes->data(), info.uncompressedSize);
  if (result != kZipDone && result != kZipMoreData) {
    bytes->clear();
    return EntryStatus::ExtractFailed;
  }
  return EntryStatus::Ok;
}

std::vector<uint8_t> ReadProgramResource(const wchar_t* name, const wchar_t* type) {
  HMODULE module = ResourceModule();
  HRSRC resource = ::FindResourceW(module, name, type);
  if (!resource)
    return {};
  const DWORD size = ::SizeofResource(module, resource);
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0)
    return {};
  // Resources of a module need no release: they live as long as the module.
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

bool ReadSkinDocument(const wchar_t* name, std::vector<uint8_t>* bytes, std::wstring* error) {
  bytes->clear();
  error->clear();
  if (!name)
    name = L"";
  if (SkinPackageName().empty()) {
    switch (ReadWholeFile(SkinFolder() + name, kMaxSkinDocumentSize, bytes)) {
      case ReadStatus::Ok:
        return true;
      case ReadStatus::CannotOpen:
        *error = L"Error opening file";
        return false;
      case ReadStatus::Empty:
        *error = L"File is empty";
        return false;
      case ReadStatus::TooLarge:
        *error = L"File too large";
        return false;
      case ReadStatus::ShortRead:
        *error = L"Could not read file";
        return false;
    }
  }
  switch (ReadPackageEntry(name, kMaxSkinDocumentSize, bytes)) {
    case EntryStatus::Ok:
      return true;
    case EntryStatus::NoPackage:
      *error = L"Error opening zip file";
      return false;
    case EntryStatus::NotFound:
      *error = L"Could not find ziped file";
      return false;
    case EntryStatus::Empty:
      *error = L"File is empty";
      return false;
    case EntryStatus::TooLarge:
      *error = L"File too large";
      return false;
    case EntryStatus::ExtractFailed:
      *error = L"Could not unzip file";
      return false;
  }
  return false;
}

bool IsAbsolutePath(const wchar_t* path) {
  if (!path)
    return false;
  auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (isSlash(path[0]))
    return isSlash(path[1]);
  const bool isLetter =
      (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
  return isLetter && path[1] == L':' && isSlash(path[2]);
}

std::vector<uint8_t> ReadSkinImage(const wchar_t* name, const wchar_t* type, ImageName kind) {
  return ReadSkinResource(name, type,
                          kind == ImageName::Variant ? PathFallback::Never : PathFallback::Allowed);
}

std::vector<uint8_t> ReadSkinResource(const wchar_t* name,
                                      const wchar_t* type,
                                      PathFallback fallback) {
  if (!name)
    return {};
  std::vector<uint8_t> bytes;
  if (type) {
    if (!IS_INTRESOURCE(type) && std::wcscmp(type, L"*COLOR*") == 0)
      return {};
    bytes = ReadProgramResource(name, type);
    if (!bytes.empty())
      return bytes;
  } else if (SkinPackageName().empty()) {
    if (ReadWholeFile(SkinFolder() + name, kMaxSkinResourceSize, &bytes) == ReadStatus::Ok)
      return bytes;
  } else {
    if (ReadPackageEntry(name, kMaxSkinResourceSize, &bytes) == EntryStatus::Ok)
      return bytes;
  }
  // Last resort: the name as a path of its own. An integer identifier has no path.
  if (fallback == PathFallback::Never || IS_INTRESOURCE(name))
    return {};
  if (!IsAbsolutePath(name) && ProcessIsElevated())
    return {};
  bytes.clear();
  if (ReadWholeFile(name, kMaxSkinResourceSize, &bytes) != ReadStatus::Ok)
    return {};
  return bytes;
}

}  // namespace ui
