// Mutation fuzzing of the two readers that take skin data: the markup parser and the zip reader.
// The seed is fixed, so every run sees the same inputs and a failure reproduces. An input that
// ever breaks either reader is kept as a named case in markup_document_test.cpp or
// zip_reader_test.cpp.

#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/ui/core/zip_builder.h"
#include "ui/core/markup_document.h"
#include "ui/core/skin_resource.h"
#include "ui/core/skin_settings.h"
#include "ui/core/zip_reader.h"

namespace ui {
namespace {

constexpr uint32_t kSeed = 20241210;
constexpr int kMarkupRounds = 30000;
constexpr int kPackageRounds = 20000;

const char* const kSkinFiles[] = {"install.xml", "configpage.xml", "installingpage.xml",
                                  "finishpage.xml"};

std::string ReadSkinFile(const char* name) {
  return ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\install_online\\" +
                       std::wstring(name, name + strlen(name)));
}

// Bytes placed directly before an inaccessible page, with another one in front, so that any read
// or write outside them faults at once instead of passing unnoticed.
class GuardedBytes {
 public:
  explicit GuardedBytes(size_t size) : size_(size) {
    const size_t pages = (size + kPage - 1) / kPage;
    base_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, (pages + 2) * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(base_, kPage, PAGE_NOACCESS, &old);
    VirtualProtect(base_ + (pages + 1) * kPage, kPage, PAGE_NOACCESS, &old);
    data_ = base_ + (pages + 1) * kPage - size;
  }
  GuardedBytes(const std::string& bytes) : GuardedBytes(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), data_);
  }
  ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  uint8_t* data() { return data_; }
  size_t size() const { return size_; }

 private:
  static constexpr size_t kPage = 4096;
  uint8_t* base_;
  uint8_t* data_;
  size_t size_;
};

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : random_(seed) {}

  uint32_t Below(uint32_t bound) { return bound ? random_() % bound : 0; }

  // One to four edits: flipped bits, random bytes, inserted markup tokens, cut or doubled
  // ranges, a truncation, or a little-endian boundary value, which is what breaks length fields.
  void Mutate(std::string& bytes, const std::vector<size_t>& hotSpots = {}) {
    static const char* const kTokens[] = {
        "<",    ">",       "/>",        "</",           "\"",       "'",         "=",  " ",
        "&",    "&amp;",   "&quot;",    "<!--",         "-->",      "<?",        "?>", "<a>",
        "</a>", "<Window", "</Window>", "\xEF\xBB\xBF", "\xFF\xFE", "PK\x05\x06"};
    static const uint32_t kValues[] = {0,      1,      0x7F,       0x80,       0xFF,       0x100,
                                       0x7FFF, 0xFFFF, 0x10000,    0x7FFFFFFF, 0xFFFFFFFF, 46,
                                       22,     30,     0xFFFFFFF0, 4194304,    4194305};
    const int edits = 1 + Below(4);
    for (int i = 0; i < edits; ++i) {
      size_t at = hotSpots.empty() || Below(2) ? Below(bytes.size() + 1)
                                               : hotSpots[Below(hotSpots.size())] + Below(46);
      at = std::min(at, bytes.size());
      switch (Below(8)) {
        case 0:
          if (at < bytes.size())
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << Below(8)));
          break;
        case 1:
          if (at < bytes.size())
            bytes[at] = static_cast<char>(Below(256));
          break;
        case 2:
          bytes.insert(at, kTokens[Below(std::size(kTokens))]);
          break;
        case 3:
          bytes.erase(at, Below(64));
          break;
        case 4:
          bytes.insert(at, bytes.substr(Below(bytes.size() + 1), Below(256)));
          break;
        case 5:
          bytes.resize(Below(bytes.size() + 1));
          break;
        default: {
          const int width = Below(2) ? 2 : 4;
          if (at + width <= bytes.size()) {
            uint32_t value = kValues[Below(std::size(kValues))];
            if (Below(4) == 0)
              value += Below(3) - 1;
            WriteLe(bytes, at, width, value);
          }
          break;
        }
      }
    }
  }

 private:
  std::mt19937 random_;
};

// Walks the whole tree and every attribute, as the skin builder would.
void WalkTree(const MarkupDocument& document, size_t inputSize) {
  std::vector<MarkupNode> pending = {document.Root()};
  size_t visited = 0;
  while (!pending.empty()) {
    MarkupNode node = pending.back();
    pending.pop_back();
    if (!node.IsValid())
      continue;
    // Every element needs a "<" of its own, so more visits would mean the links form a cycle.
    ASSERT_LE(++visited, inputSize + 1);
    ASSERT_NE(nullptr, node.Name());
    const int count = node.AttributeCount();
    ASSERT_LE(count, MarkupNode::kMaxAttributes);
    for (int i = 0; i < count; ++i) {
      ASSERT_NE(nullptr, node.AttributeName(i));
      ASSERT_NE(nullptr, node.AttributeValue(i));
      wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
      node.FindAttribute(node.AttributeName(i), buffer, 4);
      ASSERT_EQ(L'#', buffer[4]);
      ASSERT_NE(nullptr, wmemchr(buffer, L'\0', 4));
    }
    pending.push_back(node.NextSibling());
    pending.push_back(node.FirstChild());
  }
}

TEST(SkinFuzzTest, MutatedDocumentsNeverBreakTheParser) {
  std::vector<std::string> seeds;
  for (const char* file : kSkinFiles)
    seeds.push_back(ReadSkinFile(file));
  seeds.push_back("<a b=\"x&amp;y&lt;\" c=\"&&quot;\"><!-- c --><d/><?p?>t&gt;</a>");
  seeds.push_back("<r><a><b><c>text</c></b></a></r>");
  for (const std::string& seed : seeds)
    ASSERT_FALSE(seed.empty());

  Mutator mutator(kSeed);
  int loaded = 0;
  for (int round = 0; round < kMarkupRounds; ++round) {
    std::string input = seeds[mutator.Below(seeds.size())];
    mutator.Mutate(input);
    MarkupEncoding encoding = MarkupEncoding::Utf8;
    switch (mutator.Below(8)) {
      case 0:
        encoding = MarkupEncoding::Ansi;
        break;
      case 1:
        encoding = MarkupEncoding::Utf16;
        break;
    }
    GuardedBytes bytes(input);
    MarkupDocument document;
    if (document.LoadBytes(bytes.data(), bytes.size(), encoding)) {
      ++loaded;
      WalkTree(document, input.size());
    } else {
      ASSERT_NE(L'\0', document.ErrorMessage()[0]) << "round " << round;
      ASSERT_FALSE(document.IsLoaded());
    }
    if (HasFatalFailure())
      FAIL() << "round " << round;
  }
  // The mutations must leave enough documents intact to reach the tree walk.
  EXPECT_GT(loaded, kMarkupRounds / 10);
}

TEST(SkinFuzzTest, MutatedPackagesNeverBreakTheZipReader) {
  ZipBuilder builder;
  for (const char* file : kSkinFiles)
    builder.Add(file, ReadSkinFile(file), ZipBuilder::Method::Deflate, 1700000000);
  builder.Add("img/readme.txt", "stored, not deflated", ZipBuilder::Method::Stored);
  const std::string good = builder.Build();
  // Headers are where lengths and offsets live: aim half of the edits at them.
  std::vector<size_t> headers = {good.size() - 22};
  for (size_t at = good.find("PK"); at != std::string::npos; at = good.find("PK", at + 1))
    headers.push_back(at);

  Mutator mutator(kSeed + 1);
  int extracted = 0;
  for (int round = 0; round < kPackageRounds; ++round) {
    std::string zip = good;
    mutator.Mutate(zip, headers);
    GuardedBytes block(zip);
    std::unique_ptr<SkinPackage> package = ZipReader::OpenFromMemory(block.data(), block.size());
    if (!package)
      continue;
    for (size_t index = 0; index < package->entries().size(); ++index) {
      ZipEntryInfo info;
      const std::string& stored = package->entries()[index].name;
      if (!ZipReader::FindEntry(*package, std::wstring(stored.begin(), stored.end()).c_str(),
                                IgnoreCase::Yes, &info))
        continue;
      const uint32_t size = std::min<uint32_t>(info.uncompressedSize, 1 << 20);
      GuardedBytes whole(size);
      const uint32_t result = ZipReader::ExtractToMemory(*package, info.index, whole.data(), size);
      if (result == kZipMoreData)
        ++extracted;
      GuardedBytes start(16);
      ZipReader::ExtractToMemory(*package, info.index, start.data(), 16);
    }
    // The same archive through the settings, as the window's skin loading reads it.
    if (round % 4 == 0) {
      UsePackageFile(L"", PackageHandling::KeepOpen);
      UsePackageMemory(block.data(), block.size());
      MarkupDocument document;
      document.LoadFile(L"install.xml", MarkupEncoding::Utf8);
      ReadSkinResource(L"img/readme.txt");
      UsePackageFile(L"", PackageHandling::KeepOpen);
    }
  }
  EXPECT_GT(extracted, kPackageRounds / 4);
}

}  // namespace
}  // namespace ui
