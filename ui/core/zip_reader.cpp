#include "ui/core/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cwchar>

namespace ui {

namespace {

constexpr uint32_t kEndRecordSignature = 0x06054b50;
constexpr uint32_t kDirectoryRecordSignature = 0x02014b50;
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDirectoryRecordSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kMaxArchiveComment = 0xFFFF;
// A skin package's directory is a few kilobytes; anything near this is not a skin package.
constexpr uint32_t kMaxDirectorySize = 16u << 20;
// Deflate cannot expand one bit of input into more than 516 bytes of output (a 258-byte match
// per two bits), so a larger claim cannot be true.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint16_t kExtendedTimestampTag = 0x5455;  // "UT"
constexpr uint16_t kFlagEncrypted = 0x1;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr size_t kMaxLookupName = 256;

uint16_t ReadU16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t ReadU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// DOS date and time are local time; FILETIMEs are UTC.
FILETIME DosToFileTime(uint16_t date, uint16_t time) {
  FILETIME local = {};
  FILETIME utc = {};
  if (!::DosDateTimeToFileTime(date, time, &local) || !::LocalFileTimeToFileTime(&local, &utc))
    return FILETIME{};
  return utc;
}

FILETIME UnixToFileTime(int32_t seconds) {
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
  uint64_t ticks = static_cast<uint64_t>((seconds + kSecondsFrom1601To1970) * 10000000LL);
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}

// The "UT" extra field holds a flag byte and then, for each of its bits 0..2, the modification,
// access and creation time as signed Unix seconds. The central directory usually keeps only the
// modification time while the flags still announce all three.
void ApplyExtendedTimestamp(const uint8_t* extra, size_t length, ZipDirectoryEntry* entry) {
  size_t position = 0;
  while (length - position >= 4) {
    const uint16_t tag = ReadU16(extra + position);
    const size_t fieldSize = ReadU16(extra + position + 2);
    position += 4;
    if (fieldSize > length - position)
      return;
    if (tag == kExtendedTimestampTag && fieldSize >= 1) {
      const uint8_t* field = extra + position;
      FILETIME times[3];
      bool present[3] = {false, false, false};
      size_t at = 1;
      for (int bit = 0; bit < 3 && (field[0] & (1 << bit)) && at + 4 <= fieldSize; ++bit) {
        times[bit] = UnixToFileTime(static_cast<int32_t>(ReadU32(field + at)));
        present[bit] = true;
        at += 4;
      }
      if (present[0])
        entry->lastWriteTime = entry->lastAccessTime = entry->creationTime = times[0];
      if (present[1])
        entry->lastAccessTime = times[1];
      if (present[2])
        entry->creationTime = times[2];
      return;
    }
    position += fieldSize;
  }
}

bool IsPlausible(const ZipDirectoryEntry& entry, uint64_t directoryOffset) {
  if (uint64_t{entry.localHeaderOffset} + kLocalHeaderSize + entry.compressedSize > directoryOffset)
    return false;
  if (entry.method == kMethodStored && !(entry.flags & kFlagEncrypted) &&
      entry.compressedSize != entry.uncompressedSize)
    return false;
  return entry.uncompressedSize / kMaxDeflateRatio <= entry.compressedSize;
}

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Byte comparison of two names in the system ANSI code page. ASCII letters fold only where they
// stand for themselves: the second byte of a double-byte character is compared exactly, so two
// different Chinese characters never match.
bool NamesMatch(const std::string& stored, const std::string& wanted, IgnoreCase ignoreCase) {
  if (ignoreCase == IgnoreCase::No)
    return stored == wanted;
  if (stored.size() != wanted.size())
    return false;
  for (size_t i = 0; i < wanted.size(); ++i) {
    const char a = stored[i];
    const char b = wanted[i];
    if (FoldAscii(a) != FoldAscii(b))
      return false;
    if (::IsDBCSLeadByte(static_cast<BYTE>(b)) && i + 1 < wanted.size()) {
      ++i;
      if (stored[i] != wanted[i])
        return false;
    }
  }
  return true;
}

struct InflateStream {
  z_stream stream = {};
  bool initialised = false;
  ~InflateStream() {
    if (initialised)
      inflateEnd(&stream);
  }
};

// Inflates the raw Deflate data of one entry into |out|. With |wholeEntry| the buffer is exactly
// the recorded size and the stream must end there; otherwise the buffer is smaller than the entry
// and filling it is enough.
uint32_t InflateEntry(const SkinPackage& package,
                      uint64_t dataOffset,
                      uint32_t compressedSize,
                      uint8_t* out,
                      uint32_t outSize,
                      bool wholeEntry) {
  InflateStream inflater;
  z_stream& stream = inflater.stream;
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
    return kZipCorrupt;
  inflater.initialised = true;

  uint8_t input[16384];
  uint8_t overflow[64];
  uint64_t nextInput = dataOffset;
  uint32_t inputLeft = compressedSize;
  bool checkingEnd = false;
  stream.next_out = out;
  stream.avail_out = outSize;
  for (;;) {
    if (stream.avail_out == 0) {
      if (!wholeEntry)
        return kZipMoreData;
      if (checkingEnd)
        return kZipCorrupt;
      // The recorded size is reached: from here on the stream may only end.
      checkingEnd = true;
      stream.next_out = overflow;
      stream.avail_out = sizeof(overflow);
    }
    if (stream.avail_in == 0 && inputLeft > 0) {
      const uint32_t chunk = std::min<uint32_t>(sizeof(input), inputLeft);
      if (!package.ReadAt(nextInput, input, chunk))
        return kZipReadFailed;
      stream.next_in = input;
      stream.avail_in = chunk;
      nextInput += chunk;
      inputLeft -= chunk;
    }
    const uLong inBefore = stream.total_in;
    const uLong outBefore = stream.total_out;
    const int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END)
      break;
    if (status != Z_OK && status != Z_BUF_ERROR)
      return kZipCorrupt;
    // With input and room for output zlib always moves; standing still means the compressed
    // data ran out before the stream ended.
    if (stream.total_in == inBefore && stream.total_out == outBefore && stream.avail_out > 0)
      return kZipCorrupt;
  }
  if (checkingEnd)
    return stream.avail_out == sizeof(overflow) ? kZipMoreData : kZipCorrupt;
  // The stream ended before the buffer was full: the entry is shorter than its record says.
  return stream.avail_out == 0 ? kZipMoreData : kZipCorrupt;
}

}  // namespace

std::unique_ptr<SkinPackage> ZipReader::OpenFromFile(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid())
    return nullptr;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0)
    return nullptr;
  std::unique_ptr<SkinPackage> package =
      SkinPackage::FromFile(std::move(file), static_cast<uint64_t>(size.QuadPart));
  if (!ReadDirectory(package.get()))
    return nullptr;
  return package;
}

std::unique_ptr<SkinPackage> ZipReader::OpenFromMemory(const void* data, size_t size) {
  if (!data)
    return nullptr;
  std::unique_ptr<SkinPackage> package = SkinPackage::FromMemory(data, size);
  if (!ReadDirectory(package.get()))
    return nullptr;
  return package;
}

bool ZipReader::ReadDirectory(SkinPackage* package) {
  const uint64_t size = package->Size();
  if (size < kEndRecordSize)
    return false;
  const size_t tailSize =
      static_cast<size_t>(std::min<uint64_t>(size, kEndRecordSize + kMaxArchiveComment));
  const uint64_t tailOffset = size - tailSize;
  std::vector<uint8_t> tail(tailSize);
  if (!package->ReadAt(tailOffset, tail.data(), tailSize))
    return false;
  // The end record is the last thing in the archive apart from its comment.
  size_t endRecord = tailSize - kEndRecordSize + 1;
  while (endRecord-- > 0) {
    if (ReadU32(&tail[endRecord]) == kEndRecordSignature)
      break;
  }
  if (endRecord == static_cast<size_t>(-1))
    return false;

  const uint8_t* end = &tail[endRecord];
  const uint16_t diskNumber = ReadU16(end + 4);
  const uint16_t directoryDisk = ReadU16(end + 6);
  const uint16_t entriesOnDisk = ReadU16(end + 8);
  const uint16_t entryCount = ReadU16(end + 10);
  const uint32_t directorySize = ReadU32(end + 12);
  const uint32_t directoryOffset = ReadU32(end + 16);
  if (diskNumber != 0 || directoryDisk != 0 || entriesOnDisk != entryCount)
    return false;
  if (uint64_t{directoryOffset} + directorySize > tailOffset + endRecord)
    return false;
  if (directorySize > kMaxDirectorySize ||
      uint64_t{entryCount} * kDirectoryRecordSize > directorySize)
    return false;

  std::vector<uint8_t> directory(directorySize);
  if (!package->ReadAt(directoryOffset, directory.data(), directorySize))
    return false;
  std::vector<ZipDirectoryEntry> entries;
  entries.reserve(entryCount);
  size_t position = 0;
  for (uint16_t i = 0; i < entryCount; ++i) {
    if (directorySize - position < kDirectoryRecordSize)
      return false;
    const uint8_t* record = directory.data() + position;
    if (ReadU32(record) != kDirectoryRecordSignature)
      return false;
    const size_t nameLength = ReadU16(record + 28);
    const size_t extraLength = ReadU16(record + 30);
    const size_t commentLength = ReadU16(record + 32);
    const size_t recordSize = kDirectoryRecordSize + nameLength + extraLength + commentLength;
    if (recordSize > directorySize - position)
      return false;

    ZipDirectoryEntry entry;
    entry.flags = ReadU16(record + 8);
    entry.method = ReadU16(record + 10);
    entry.lastWriteTime = DosToFileTime(ReadU16(record + 14), ReadU16(record + 12));
    entry.lastAccessTime = entry.creationTime = entry.lastWriteTime;
    entry.crc32 = ReadU32(record + 16);
    entry.compressedSize = ReadU32(record + 20);
    entry.uncompressedSize = ReadU32(record + 24);
    entry.externalAttributes = ReadU32(record + 38);
    entry.localHeaderOffset = ReadU32(record + 42);
    const uint8_t* name = record + kDirectoryRecordSize;
    entry.name.assign(reinterpret_cast<const char*>(name), nameLength);
    ApplyExtendedTimestamp(name + nameLength, extraLength, &entry);
    entry.plausible = IsPlausible(entry, directoryOffset);
    entries.push_back(std::move(entry));
    position += recordSize;
  }
  // A directory that holds more than its count announces is as broken as one that holds less.
  if (position != directorySize)
    return false;
  package->entries_ = std::move(entries);
  package->directoryOffset_ = directoryOffset;
  return true;
}

NarrowingRule NarrowingRuleFor(UINT codePage) {
  if (codePage == CP_UTF8)
    return {WC_ERR_INVALID_CHARS, false};
  if (codePage == CP_UTF7)
    return {0, false};
  return {0, true};
}

bool EntryNameBytes(std::wstring_view name, UINT codePage, std::string* bytes) {
  bytes->clear();
  if (name.size() >= kMaxLookupName)
    return false;
  if (name.empty())
    return true;
  // Separators turn into "/" before the conversion: in double-byte code pages a "\" byte can be
  // the second half of a character.
  std::wstring wideName(name);
  std::replace(wideName.begin(), wideName.end(), L'\\', L'/');
  const NarrowingRule rule = NarrowingRuleFor(codePage);
  char narrow[kMaxLookupName * 4];
  BOOL usedDefault = FALSE;
  const int narrowLength = ::WideCharToMultiByte(
      codePage, rule.flags, wideName.data(), static_cast<int>(wideName.size()), narrow,
      sizeof(narrow), nullptr, rule.askUsedDefault ? &usedDefault : nullptr);
  if (narrowLength <= 0 || usedDefault)
    return false;
  bytes->assign(narrow, narrowLength);
  return true;
}

bool ZipReader::FindEntry(const SkinPackage& package,
                          const wchar_t* name,
                          IgnoreCase ignoreCase,
                          ZipEntryInfo* info) {
  if (!name || !info)
    return false;
  std::string wanted;
  if (!EntryNameBytes(name, ::GetACP(), &wanted))
    return false;

  const std::vector<ZipDirectoryEntry>& entries = package.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const ZipDirectoryEntry& entry = entries[i];
    if (!NamesMatch(entry.name, wanted, ignoreCase))
      continue;
    info->index = static_cast<int>(i);
    info->name.clear();
    if (!entry.name.empty()) {
      wchar_t wide[MAX_PATH] = {};
      const int wideLength = ::MultiByteToWideChar(
          CP_ACP, 0, entry.name.data(), static_cast<int>(entry.name.size()), wide, MAX_PATH - 1);
      if (wideLength > 0)
        info->name.assign(wide, wideLength);
    }
    info->attributes = entry.externalAttributes;
    info->creationTime = entry.creationTime;
    info->lastAccessTime = entry.lastAccessTime;
    info->lastWriteTime = entry.lastWriteTime;
    info->compressedSize = entry.compressedSize;
    info->uncompressedSize = entry.uncompressedSize;
    return true;
  }
  return false;
}

uint32_t ZipReader::ExtractToMemory(const SkinPackage& package,
                                    int index,
                                    void* buffer,
                                    uint32_t size) {
  const std::vector<ZipDirectoryEntry>& entries = package.entries();
  if (index < 0 || static_cast<size_t>(index) >= entries.size() || (!buffer && size > 0))
    return kZipBadArgument;
  const ZipDirectoryEntry& entry = entries[index];
  if ((entry.flags & kFlagEncrypted) ||
      (entry.method != kMethodStored && entry.method != kMethodDeflate))
    return kZipUnsupported;
  if (!entry.plausible)
    return kZipCorrupt;

  uint8_t local[kLocalHeaderSize];
  if (!package.ReadAt(entry.localHeaderOffset, local, sizeof(local)))
    return kZipReadFailed;
  if (ReadU32(local) != kLocalHeaderSignature)
    return kZipCorrupt;
  // The local header's name and extra field may differ in length from the directory's copy.
  const uint64_t dataOffset = uint64_t{entry.localHeaderOffset} + kLocalHeaderSize +
                              ReadU16(local + 26) + ReadU16(local + 28);
  if (dataOffset + entry.compressedSize > package.directoryOffset())
    return kZipCorrupt;
  if (entry.uncompressedSize == 0)
    return kZipDone;

  auto* out = static_cast<uint8_t*>(buffer);
  const bool wholeEntry = size >= entry.uncompressedSize;
  const uint32_t wanted = wholeEntry ? entry.uncompressedSize : size;
  if (entry.method == kMethodStored) {
    if (!package.ReadAt(dataOffset, out, wanted))
      return kZipReadFailed;
  } else {
    const uint32_t result =
        InflateEntry(package, dataOffset, entry.compressedSize, out, wanted, wholeEntry);
    if (result != kZipMoreData)
      return result;
  }
  if (wholeEntry && crc32(crc32(0, Z_NULL, 0), out, wanted) != entry.crc32)
    return kZipCorrupt;
  return kZipMoreData;
}

}  // namespace ui
