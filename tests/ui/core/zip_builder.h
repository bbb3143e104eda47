#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Writes zip archives in memory the way common archivers lay them out: a local header and the
// data of each entry, then the central directory and the end record. Deflate comes from zlib.
class ZipBuilder {
 public:
  enum class Method { Stored, Deflate };

  // |modified| adds an extended-timestamp ("UT") field with that Unix time to both headers.
  ZipBuilder& Add(const std::string& name,
                  const std::string& data,
                  Method method = Method::Deflate,
                  std::optional<int32_t> modified = std::nullopt);
  std::string Build() const;

 private:
  struct Entry {
    std::string name;
    std::string data;  // As stored in the archive.
    uint16_t method;
    uint32_t crc;
    uint32_t size;
    std::string extra;
  };
  std::vector<Entry> entries_;
};

// Little-endian field access for tests that damage archives on purpose.
uint32_t ReadLe(const std::string& bytes, size_t offset, int width);
void WriteLe(std::string& bytes, size_t offset, int width, uint32_t value);
// Offset of the central directory, read from an end record without a comment.
uint32_t DirectoryOffsetOf(const std::string& zip);
