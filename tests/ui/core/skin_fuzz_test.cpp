// Mutation fuzzing of what takes skin data: the markup parser, the zip reader and the skin
// builder. The seed is fixed, so every run sees the same inputs and a failure reproduces. An
// input that ever breaks one of them is kept as a named case in markup_document_test.cpp,
// zip_reader_test.cpp or skin_builder_test.cpp.

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/paint_surface.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_window.h"
#include "tests/ui/core/zip_builder.h"
#include "ui/controls/container.h"
#include "ui/core/control.h"
#include "ui/core/markup_document.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_resource.h"
#include "ui/core/skin_settings.h"
#include "ui/core/zip_reader.h"
#include "ui/skin/skin_builder.h"

namespace ui {
namespace {

constexpr uint32_t kSeed = 20241210;
constexpr int kMarkupRounds = 30000;
constexpr int kPackageRounds = 20000;
constexpr int kBuilderRounds = 600;

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

// Edits that keep a skin well formed, so that most inputs reach the builder: elements inserted
// between tags (deeper nesting, includes of looping or large pages, huge counts), attributes
// added to start tags, attribute values replaced, elements doubled or cut out.
class SkinMutator {
 public:
  explicit SkinMutator(Mutator& random) : random_(random) {}

  void Mutate(std::string& markup) {
    static const char* const kElements[] = {
        "<Container><Container><Control/></Container></Container>",
        "<VerticalLayout><Label text=\"x\"/></VerticalLayout>",
        "<Include source=\"loop.xml\"/>",
        "<Include source=\"configpage.xml\" count=\"2\"/>",
        "<Include source=\"missing.xml\"/>",
        "<Include source=\"&lt;P&gt;&lt;Button/&gt;&lt;/P&gt;\" count=\"3\"/>",
        "<Font id=\"2\" name=\"Arial\" size=\"0\" default=\"true\"/>",
        "<Default name=\"Label\" value=\"width=&quot;-3&quot; text=&quot;d&quot;\"/>",
        "<Button cover=\"true\"/>",
        "<Unknown><Control/></Unknown>",
    };
    // Each of these builds up to the limit of one build, which takes a while: used sparingly.
    static const char* const kLimitElements[] = {
        "<Include source=\"many.xml\" count=\"100\"/>",
        "<Include source=\"leaf.xml\" count=\"2000000000\"/>",
        "<Include source=\"empty.xml\" count=\"2000000000\"/>",
    };
    static const char* const kAttributes[] = {
        " count=\"2000000000\"",
        " cover=\"true\"",
        " float=\"true\"",
        " float=\"0.5,0.5,1,1\"",
        " pos=\"-5,-5,99999,99999\"",
        " width=\"-1\"",
        " height=\"2147483647\"",
        " font=\"-7\"",
        " font=\"2\"",
        " padding=\"99999,-99999,1,1\"",
        " showhtml=\"true\"",
        " multiline=\"true\"",
        " text=\"{b}x&lt;n&gt;y{i missing.png 3 9}\"",
        " selected=\"true\"",
        " group=\"g\"",
        " name=\"deepest\"",
        " visible=\"false\"",
        " enabled=\"false\"",
        " bkimage=\"file='logo.png' source='0,0,-1,99999' corner='9999,9999,9999,9999'\"",
        " fivestatusimage=\"btn_start.png\"",
        " inset=\"300,300,300,300\"",
        " childpadding=\"-50\"",
        " selectedid=\"7\"",
        " min=\"10\"",
        " max=\"-10\"",
        " value=\"2147483647\"",
        " thumbsize=\"-1,99999\"",
        " textpadding=\"9999,0,9999,0\"",
        " fadedelta=\"255\"",
    };
    static const char* const kValues[] = {
        "",
        "-1",
        "0",
        "2147483647",
        "-2147483648",
        "99999,99999,99999,99999",
        "0,0,0,0",
        "1,2",
        "true",
        "#FFFFFFFF",
        "0x",
        "file='missing.png'",
        "file='logo.png' fade='300'",
        "a,b,c",
        "0.5,0.5,1,1",
        "&amp;&lt;&quot;",
        "{b}{/b}&lt;n&gt;",
        "%{3}",
        "1e308",
    };
    const int edits = 1 + random_.Below(3);
    for (int i = 0; i < edits; ++i) {
      switch (random_.Below(4)) {
        case 0:
          if (const size_t at = Pick(markup, '>'); at != std::string::npos) {
            markup.insert(at + 1, random_.Below(24) == 0
                                      ? kLimitElements[random_.Below(std::size(kLimitElements))]
                                      : kElements[random_.Below(std::size(kElements))]);
          }
          break;
        case 1:
          if (const size_t at = PickStartTagEnd(markup); at != std::string::npos)
            markup.insert(at, kAttributes[random_.Below(std::size(kAttributes))]);
          break;
        case 2: {
          const size_t quote = Pick(markup, '=');
          if (quote == std::string::npos || quote + 1 >= markup.size() || markup[quote + 1] != '"')
            break;
          const size_t end = markup.find('"', quote + 2);
          if (end != std::string::npos)
            markup.replace(quote + 2, end - quote - 2, kValues[random_.Below(std::size(kValues))]);
          break;
        }
        default: {
          // An empty element doubled, or cut out.
          const size_t end = Pick(markup, '/');
          if (end == std::string::npos || end + 1 >= markup.size() || markup[end + 1] != '>')
            break;
          const size_t start = markup.rfind('<', end);
          if (start == std::string::npos)
            break;
          const std::string element = markup.substr(start, end + 2 - start);
          if (random_.Below(2))
            markup.insert(start, element);
          else
            markup.erase(start, element.size());
          break;
        }
      }
    }
  }

 private:
  // A random occurrence of c, or npos.
  size_t Pick(const std::string& text, char c) {
    std::vector<size_t> places;
    for (size_t at = text.find(c); at != std::string::npos; at = text.find(c, at + 1))
      places.push_back(at);
    return places.empty() ? std::string::npos : places[random_.Below(places.size())];
  }
  // Where a start tag's attributes end: before its "/>" or ">".
  size_t PickStartTagEnd(const std::string& text) {
    std::vector<size_t> places;
    for (size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open + 1)) {
      if (open + 1 >= text.size() || !std::isalpha(static_cast<unsigned char>(text[open + 1])))
        continue;
      const size_t close = text.find('>', open);
      if (close == std::string::npos)
        break;
      places.push_back(close > open && text[close - 1] == '/' ? close - 1 : close);
    }
    return places.empty() ? std::string::npos : places[random_.Below(places.size())];
  }

  Mutator& random_;
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

// Everything a control of the tree can be reached by, walked without recursion.
void CheckTree(Control* root) {
  std::vector<std::pair<Control*, int>> pending = {{root, 1}};
  int controls = 0;
  while (!pending.empty()) {
    auto [control, depth] = pending.back();
    pending.pop_back();
    ASSERT_LE(depth, SkinBuilder::kMaxDepth + 1);  // an overlay sits one below its control
    ASSERT_LE(++controls, SkinBuilder::kMaxBuildSteps);
    if (Control* overlay = control->GetOverlay())
      pending.push_back({overlay, depth + 1});
    if (auto* container = static_cast<IContainer*>(control->CastTo(L"IContainer"))) {
      for (int i = 0; i < container->Count(); ++i)
        pending.push_back({container->ItemAt(i), depth + 1});
    }
  }
}

// Offers a plain control for every element name the framework does not build, so that unknown
// names in mutated skins still make controls.
struct AnyNameCallback : IBuilderCallback {
  Control* CreateCustomControl(const wchar_t*) override { return new Control; }
};

// Mutated skins, with nesting near the cap, includes of pages that include themselves or others
// many times, counts and attribute values of every kind: the build either fails or makes a tree
// within the limits that can be registered, laid out, hit-tested, painted and destroyed.
TEST(SkinFuzzTest, MutatedSkinsNeverBreakTheBuilder) {
  // The real skin with its images in a package, and pages for includes to reach.
  ZipBuilder package;
  const DWORD start = ::GetTickCount();
  const std::wstring skinFolder = std::wstring(QUENBY_SOURCE_DIR) + L"\\resources\\install_online";
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((skinFolder + L"\\*").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    const std::wstring name = found.cFileName;
    package.Add(std::string(name.begin(), name.end()), ReadFileBytes(skinFolder + L"\\" + name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  package.Add("loop.xml", "<Page><Include source=\"loop.xml\"/></Page>");
  package.Add("leaf.xml", "<Page><Control width=\"5\"/></Page>");
  package.Add("empty.xml", "<Page/>");
  package.Add("many.xml", "<Page><Include source=\"leaf.xml\" count=\"300\"/></Page>");
  const std::string archive = package.Build();
  UsePackageFile(L"", PackageHandling::KeepOpen);
  UsePackageMemory(archive.data(), archive.size());

  std::string deep = "<Window>";
  for (int i = 0; i < SkinBuilder::kMaxDepth - 2; ++i)
    deep += "<Container>";
  deep += "<Label name=\"deepest\" text=\"d\"/>";
  for (int i = 0; i < SkinBuilder::kMaxDepth - 2; ++i)
    deep += "</Container>";
  deep += "</Window>";
  std::vector<std::string> seeds = {
      ReadSkinFile("install.xml"),
      ReadSkinFile("configpage.xml"),
      deep,
      "<Window><VerticalLayout><Include source=\"many.xml\"/>"
      "<Include source=\"&lt;P&gt;&lt;Option group=&quot;g&quot; selected=&quot;true&quot;/&gt;"
      "&lt;/P&gt;\" count=\"4\"/><Include "
      "source=\"installingpage.xml\"/></VerticalLayout></Window>",
      "<Window size=\"600,400\" caption=\"0,0,0,220\" roundcorner=\"5,5\" mininfo=\"10,10\" "
      "showdirty=\"true\" opacity=\"128\"><Font id=\"1\" name=\"Arial\" size=\"-5\" "
      "default=\"true\"/><Default name=\"Button\" value=\"width=&quot;20&quot;\"/>"
      "<HorizontalLayout inset=\"1,2,3,4\" childpadding=\"3\"><Label text=\"&lt;b&gt;x&lt;/b&gt;\" "
      "showhtml=\"true\" multiline=\"true\" font=\"1\" textpadding=\"1,1,1,1\"/>"
      "<Button fivestatusimage=\"btn_start.png\" float=\"0.5,0.5,1,1\" pos=\"1,2,30,40\"/>"
      "<TabLayout selectedid=\"1\"><Control/><Control cover=\"true\"/></TabLayout>"
      "<Slider min=\"0\" max=\"10\" value=\"5\" thumbsize=\"3,3\"/><Progress value=\"50\"/>"
      "<CheckBox selected=\"true\"/><Unknown/></HorizontalLayout></Window>",
  };
  for (const std::string& seed : seeds)
    ASSERT_FALSE(seed.empty());

  TestWindow window(600, 400);
  ASSERT_NE(nullptr, window.Get());
  testing_support::PaintSurface surface(600, 400);
  AnyNameCallback callback;
  Mutator mutator(kSeed + 2);
  SkinMutator skinMutator(mutator);
  int built = 0;
  int refused = 0;
  for (int round = 0; round < kBuilderRounds; ++round) {
    std::string input = seeds[mutator.Below(seeds.size())];
    // Mostly edits that keep the markup well formed; now and then the byte edits as well.
    skinMutator.Mutate(input);
    if (mutator.Below(8) == 0)
      mutator.Mutate(input);
    std::wstring text(input.size() + 1, L'\0');
    text.resize(::MultiByteToWideChar(CP_UTF8, 0, input.data(), static_cast<int>(input.size()),
                                      text.data(), static_cast<int>(text.size())));
    if (text.empty() || text[0] != L'<')
      text.insert(0, L"<");

    PaintManager manager;
    manager.AttachWindow(window.Get(), L"fuzz");
    SkinBuilder builder;
    Control* root = builder.BuildFrom(text.c_str(), nullptr, mutator.Below(2) ? &callback : nullptr,
                                      &manager, nullptr);
    if (!root) {
      if (builder.Document().IsLoaded())
        ++refused;
      continue;
    }
    ++built;
    CheckTree(root);
    if (HasFatalFailure()) {
      root->Destroy();
      FAIL() << "round " << round;
    }
    manager.AttachRoot(root);
    root->SetRect({0, 0, 600, 400}, false);
    manager.FindControlAt(
        {static_cast<LONG>(mutator.Below(600)), static_cast<LONG>(mutator.Below(400))});
    if (round % 4 == 0)
      root->Paint(surface.dc(), {0, 0, 600, 400}, nullptr);
  }
  UsePackageFile(L"", PackageHandling::KeepOpen);
  // Most inputs must reach the tree checks, and some must go past the limits.
  EXPECT_GT(built, kBuilderRounds / 2);
  EXPECT_GT(refused, 0);
  std::printf("%d of %d mutated skins built, %d refused at a limit, in %lu ms\n", built,
              kBuilderRounds, refused, ::GetTickCount() - start);
}

}  // namespace
}  // namespace ui
