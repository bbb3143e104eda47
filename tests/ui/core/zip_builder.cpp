#include "tests/ui/core/zip_builder.h"

#include <zlib.h>

namespace {

void Append(std::string& out, int width, uint32_t value) {
  for (int i = 0; i < width; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string RawDeflate(const std::string& data) {
  z_stream stream = {};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

ZipBuilder& ZipBuilder::Add(const std::string& name,
                            const std::string& data,
                            Method method,
                            std::optional<int32_t> modified) {
  Entry entry;
  entry.name = name;
  entry.method = method == Method::Stored ? 0 : 8;
  entry.data = method == Method::Stored ? data : RawDeflate(data);
  entry.crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  entry.size = static_cast<uint32_t>(data.size());
  if (modified) {
    Append(entry.extra, 2, 0x5455);
    Append(entry.extra, 2, 5);
    Append(entry.extra, 1, 1);
    Append(entry.extra, 4, static_cast<uint32_t>(*modified));
  }
  entries_.push_back(std::move(entry));
  return *this;
}

std::string ZipBuilder::Build() const {
  constexpr uint16_t kDosTime = (12 << 11) | (30 << 5);     // 12:30:00
  constexpr uint16_t kDosDate = (44 << 9) | (3 << 5) | 15;  // 2024-03-15
  std::string out;
  std::string directory;
  for (const Entry& entry : entries_) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    Append(out, 4, 0x04034b50);
    Append(out, 2, 20);
    Append(out, 2, 0);
    Append(out, 2, entry.method);
    Append(out, 2, kDosTime);
    Append(out, 2, kDosDate);
    Append(out, 4, entry.crc);
    Append(out, 4, static_cast<uint32_t>(entry.data.size()));
    Append(out, 4, entry.size);
    Append(out, 2, static_cast<uint32_t>(entry.name.size()));
    Append(out, 2, static_cast<uint32_t>(entry.extra.size()));
    out += entry.name + entry.extra + entry.data;

    Append(directory, 4, 0x02014b50);
    Append(directory, 2, 20);
    Append(directory, 2, 20);
    Append(directory, 2, 0);
    Append(directory, 2, entry.method);
    Append(directory, 2, kDosTime);
    Append(directory, 2, kDosDate);
    Append(directory, 4, entry.crc);
    Append(directory, 4, static_cast<uint32_t>(entry.data.size()));
    Append(directory, 4, entry.size);
    Append(directory, 2, static_cast<uint32_t>(entry.name.size()));
    Append(directory, 2, static_cast<uint32_t>(entry.extra.size()));
    Append(directory, 2, 0);
    Append(directory, 2, 0);
    Append(directory, 2, 0);
    Append(directory, 4, 0x20);  // FILE_ATTRIBUTE_ARCHIVE
    Append(directory, 4, offset);
    directory += entry.name + entry.extra;
  }
  const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
  out += directory;
  Append(out, 4, 0x06054b50);
  Append(out, 2, 0);
  Append(out, 2, 0);
  Append(out, 2, static_cast<uint32_t>(entries_.size()));
  Append(out, 2, static_cast<uint32_t>(entries_.size()));
  Append(out, 4, static_cast<uint32_t>(directory.size()));
  Append(out, 4, directoryOffset);
  Append(out, 2, 0);
  return out;
}

uint32_t ReadLe(const std::string& bytes, size_t offset, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

void WriteLe(std::string& bytes, size_t offset, int width, uint32_t value) {
  for (int i = 0; i < width; ++i)
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t DirectoryOffsetOf(const std::string& zip) {
  return ReadLe(zip, zip.size() - 22 + 16, 4);
}
