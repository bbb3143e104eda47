#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ui/core/skin_package.h"

namespace ui {

// What a lookup tells about one entry of a skin package.
struct ZipEntryInfo {
  int index = -1;           // Position in the central directory.
  std::wstring name;        // Converted from the system ANSI code page, at most 259 characters.
  uint32_t attributes = 0;  // External file attributes as stored.
  FILETIME creationTime = {};
  FILETIME lastAccessTime = {};
  FILETIME lastWriteTime = {};
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
};

enum class IgnoreCase { No, Yes };

// Results of ZipReader::ExtractToMemory. Callers treat kZipDone and kZipMoreData as success.
constexpr uint32_t kZipDone = 0;          // The entry had nothing (left) to deliver.
constexpr uint32_t kZipMoreData = 0x600;  // Bytes were delivered into the buffer.
constexpr uint32_t kZipReadFailed = 0x800;
constexpr uint32_t kZipCorrupt = 0x900;      // Data that does not match its directory record.
constexpr uint32_t kZipUnsupported = 0xA00;  // Encrypted, or neither stored nor Deflate.
constexpr uint32_t kZipBadArgument = 0x10000;

// How a conversion into a code page tells that a character has no form there. Windows refuses
// a used-default pointer for UTF-8 and UTF-7 (the call fails), which would fail every lookup on
// a system whose ANSI code page is UTF-8; UTF-8 reports such characters through a flag instead.
struct NarrowingRule {
  DWORD flags = 0;             // Flags for WideCharToMultiByte.
  bool askUsedDefault = true;  // Whether to pass a used-default pointer.
};
NarrowingRule NarrowingRuleFor(UINT codePage);

// |name| in |codePage| with every "\" turned into "/", as entry names are stored; false when a
// character has no form in that code page or the name is 256 characters or longer.
bool EntryNameBytes(std::wstring_view name, UINT codePage, std::string* bytes);

// Reads skin packages: standard zip archives (no ZIP64, no spanning, no encryption) whose entries
// are stored or compressed with Deflate. Every offset and size read from the archive is checked
// against the archive before use, so a damaged archive fails to open or fails a lookup.
class ZipReader {
 public:
  static std::unique_ptr<SkinPackage> OpenFromFile(const std::wstring& path);
  // The block is not copied; it must stay alive as long as the package is open.
  static std::unique_ptr<SkinPackage> OpenFromMemory(const void* data, size_t size);
  static void Close(std::unique_ptr<SkinPackage>& package) { package.reset(); }

  // Finds the first entry, in central-directory order, whose stored name equals |name| converted
  // to the system ANSI code page with every "\" turned into "/". With IgnoreCase::Yes, ASCII
  // letters compare without regard to case. Names of 256 characters or more are never found.
  static bool FindEntry(const SkinPackage& package,
                        const wchar_t* name,
                        IgnoreCase ignoreCase,
                        ZipEntryInfo* info);

  // Inflates or copies entry |index| into |buffer|. A buffer smaller than the entry receives its
  // first |size| bytes; a buffer at least as large receives the whole entry, which must then
  // match its recorded size and checksum exactly.
  static uint32_t ExtractToMemory(const SkinPackage& package,
                                  int index,
                                  void* buffer,
                                  uint32_t size);

 private:
  static bool ReadDirectory(SkinPackage* package);
};

}  // namespace ui
