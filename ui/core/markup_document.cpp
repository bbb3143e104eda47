#include "ui/core/markup_document.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

#include "ui/core/skin_resource.h"

namespace ui {

namespace {

constexpr wchar_t kNul = L'\0';

constexpr wchar_t kExpectedStartTag[] = L"Expected start tag";
constexpr wchar_t kErrorParsingElementName[] = L"Error parsing element name";
constexpr wchar_t kExpectedStartTagClosing[] = L"Expected start-tag closing";
constexpr wchar_t kExpectedEndTagStart[] = L"Expected end-tag start";
constexpr wchar_t kUnmatchedClosingTag[] = L"Unmatched closing tag";
constexpr wchar_t kErrorParsingAttributes[] = L"Error while parsing attributes";
constexpr wchar_t kExpectedAttributeValue[] = L"Expected attribute value";
constexpr wchar_t kErrorParsingAttributeString[] = L"Error while parsing attribute string";
constexpr wchar_t kExpectedByteOrderMark[] = L"Expected byte-order mark";
constexpr wchar_t kErrorDecodingText[] = L"Error decoding text";

// Skin names are ASCII; code units beyond it are let through as letters.
bool IsNameCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L':' || c == L'_' || c >= 0x80;
}

// Every scan below stops at the text's terminating NUL: none of the characters it looks for is
// NUL, and a two-character look-ahead only happens after a non-NUL first character.
void SkipWhitespace(wchar_t*& position) {
  while (*position >= 1 && *position <= 32)
    ++position;
}

void SkipIdentifier(wchar_t*& position) {
  while (IsNameCharacter(*position))
    ++position;
}

// Skips a comment or declaration from its "!" or "?" to the end "->" or "?>"; a text that ends
// first ends the skip.
void SkipDeclaration(wchar_t*& position) {
  const wchar_t closing = *position == L'!' ? L'-' : L'?';
  while (*position != kNul && !(position[0] == closing && position[1] == L'>'))
    ++position;
  if (*position != kNul)
    position += 2;
}

struct Entity {
  const wchar_t* text;
  size_t length;
  wchar_t value;
};

constexpr Entity kEntities[] = {
    {L"&amp;", 5, L'&'},  {L"&lt;", 4, L'<'},    {L"&gt;", 4, L'>'},
    {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

const Entity* MatchEntity(const wchar_t* position) {
  for (const Entity& entity : kEntities) {
    size_t i = 0;
    while (i < entity.length && position[i] == entity.text[i])
      ++i;
    if (i == entity.length)
      return &entity;
  }
  return nullptr;
}

std::unique_ptr<wchar_t[]> EmptyText() {
  return std::make_unique<wchar_t[]>(1);
}

std::unique_ptr<wchar_t[]> DecodeMultiByte(UINT codePage, const uint8_t* bytes, size_t size) {
  if (size == 0)
    return EmptyText();
  if (size > INT_MAX)
    return nullptr;
  const char* input = reinterpret_cast<const char*>(bytes);
  const int length = ::MultiByteToWideChar(codePage, 0, input, static_cast<int>(size), nullptr, 0);
  if (length <= 0)
    return nullptr;
  auto text = std::make_unique<wchar_t[]>(static_cast<size_t>(length) + 1);
  if (::MultiByteToWideChar(codePage, 0, input, static_cast<int>(size), text.get(), length) !=
      length)
    return nullptr;
  return text;
}

// UTF-16 input starts with its byte-order mark; the code units after it are copied, swapped when
// the mark says big-endian.
std::unique_ptr<wchar_t[]> DecodeUtf16(const uint8_t* bytes, size_t size) {
  if (size < 2)
    return nullptr;
  bool bigEndian;
  if (bytes[0] == 0xFF && bytes[1] == 0xFE)
    bigEndian = false;
  else if (bytes[0] == 0xFE && bytes[1] == 0xFF)
    bigEndian = true;
  else
    return nullptr;
  const size_t units = size / 2 - 1;
  auto text = std::make_unique<wchar_t[]>(units + 1);
  const uint8_t* unit = bytes + 2;
  for (size_t i = 0; i < units; ++i, unit += 2) {
    text[i] = bigEndian ? static_cast<wchar_t>((unit[0] << 8) | unit[1])
                        : static_cast<wchar_t>(unit[0] | (unit[1] << 8));
  }
  return text;
}

}  // namespace

MarkupDocument::MarkupDocument() = default;

MarkupDocument::MarkupDocument(const wchar_t* text) {
  LoadText(text);
}

MarkupDocument::~MarkupDocument() = default;

bool MarkupDocument::LoadText(const wchar_t* text) {
  Unload();
  SetError(L"");
  if (!text)
    text = L"";
  const size_t length = std::wcslen(text);
  text_ = std::make_unique<wchar_t[]>(length + 1);
  std::copy(text, text + length, text_.get());
  return ParseOrClear();
}

bool MarkupDocument::LoadBytes(const void* bytes, size_t size, MarkupEncoding encoding) {
  Unload();
  SetError(L"");
  const auto* data = static_cast<const uint8_t*>(bytes);
  if (!data)
    size = 0;
  switch (encoding) {
    case MarkupEncoding::Utf8:
      if (size > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
      }
      text_ = DecodeMultiByte(CP_UTF8, data, size);
      break;
    case MarkupEncoding::Ansi:
      text_ = DecodeMultiByte(CP_ACP, data, size);
      break;
    case MarkupEncoding::Utf16:
      text_ = DecodeUtf16(data, size);
      if (!text_) {
        SetError(kExpectedByteOrderMark);
        return false;
      }
      break;
  }
  if (!text_) {
    SetError(kErrorDecodingText);
    return false;
  }
  return ParseOrClear();
}

bool MarkupDocument::LoadFile(const wchar_t* fileName, MarkupEncoding encoding) {
  Unload();
  std::vector<uint8_t> bytes;
  std::wstring error;
  if (!ReadSkinDocument(fileName, &bytes, &error)) {
    SetError(error.c_str());
    return false;
  }
  return LoadBytes(bytes.data(), bytes.size(), encoding);
}

void MarkupDocument::Unload() {
  text_.reset();
  std::vector<Element>().swap(elements_);
  capacity_ = 0;
}

MarkupNode MarkupDocument::Root() const {
  if (elements_.size() < 2)
    return MarkupNode();
  return MarkupNode(this, 1);
}

bool MarkupDocument::ParseOrClear() {
  if (Parse())
    return true;
  Unload();
  return false;
}

bool MarkupDocument::Parse() {
  ReserveElement();  // The placeholder: index 0 means "none" in every link.
  SetError(L"");
  wchar_t* position = text_.get();
  return ParseElements(position);
}

int32_t MarkupDocument::ReserveElement() {
  if (static_cast<int32_t>(elements_.size()) == capacity_) {
    capacity_ = capacity_ + capacity_ / 2 + 500;
    elements_.reserve(capacity_);
  }
  elements_.push_back(Element{0, 0, 0, 0, 0});
  return static_cast<int32_t>(elements_.size()) - 1;
}

// One loop over the input with an explicit stack of open elements, kept on the heap rather than
// in recursion, so that deeply nested input cannot exhaust the stack.
bool MarkupDocument::ParseElements(wchar_t*& position) {
  std::vector<ParseLevel> levels;
  levels.push_back(ParseLevel{0, nullptr, nullptr, 0});

  SkipWhitespace(position);
  for (;;) {
    const int32_t parent = levels.back().parent;
    // The end of the text closes the top level and the root; an end tag closes any level.
    bool levelEnds = *position == kNul && parent <= 1;
    if (!levelEnds) {
      SkipWhitespace(position);
      if (*position != L'<')
        return Fail(kExpectedStartTag, position);
      levelEnds = position[1] == L'/';
    }
    if (levelEnds) {
      if (levels.size() == 1)
        return true;
      const ParseLevel finished = levels.back();
      levels.pop_back();
      if (position[0] == L'<' && position[1] == L'/') {
        *finished.parentDataEnd = kNul;
        if (!MatchEndTag(finished.parent, finished.parentNameEnd, position))
          return false;
      }
      FinishElement(finished.parentNameEnd, position);
      levels.back().previous = finished.parent;
      continue;
    }

    *position++ = kNul;  // Ends the text content that precedes this tag.
    SkipWhitespace(position);
    if (*position == L'!' || *position == L'?') {
      SkipDeclaration(position);
      SkipWhitespace(position);
      continue;
    }
    if (!ParseElement(levels, position))
      return false;
  }
}

bool MarkupDocument::ParseElement(std::vector<ParseLevel>& levels, wchar_t*& position) {
  const int32_t parent = levels.back().parent;
  const int32_t element = ReserveElement();
  elements_[element] = Element{OffsetOf(position), 0, 0, parent, 0};
  const int32_t previous = levels.back().previous;
  if (previous)
    elements_[previous].nextSibling = element;
  else if (parent)
    elements_[parent].firstChild = element;

  SkipIdentifier(position);
  if (*position == kNul)
    return Fail(kErrorParsingElementName, position);
  wchar_t* nameEnd = position;
  if (!ParseAttributes(position))
    return false;
  SkipWhitespace(position);
  if (position[0] == L'/' && position[1] == L'>') {
    elements_[element].dataOffset = OffsetOf(position);
    *position = kNul;
    position += 2;
  } else {
    if (*position != L'>')
      return Fail(kExpectedStartTagClosing, position);
    ++position;
    elements_[element].dataOffset = OffsetOf(position);
    wchar_t* dataEnd = ParseData(position, L'<');
    if (*position == kNul && parent <= 1) {
      // The text ends inside the root or one of its children: that closes them. The parse
      // loop's next round ends this level.
      FinishElement(nameEnd, position);
      levels.back().previous = element;
      return true;
    }
    if (*position != L'<')
      return Fail(kExpectedEndTagStart, position);
    if (position[1] != L'/') {
      levels.push_back(ParseLevel{element, nameEnd, dataEnd, 0});
      return true;
    }
    *dataEnd = kNul;
    if (!MatchEndTag(element, nameEnd, position))
      return false;
  }
  FinishElement(nameEnd, position);
  levels.back().previous = element;
  return true;
}

bool MarkupDocument::ParseAttributes(wchar_t*& position) {
  if (*position == L'>')
    return true;
  // A "/" stays for the empty-element check; anything else after the name ends it.
  if (*position != L'/')
    *position++ = kNul;
  for (;;) {
    SkipWhitespace(position);
    if (*position == kNul || *position == L'/' || *position == L'>')
      return true;
    wchar_t* nameEnd = position;
    SkipIdentifier(nameEnd);
    position = nameEnd;
    SkipWhitespace(position);
    if (*position != L'=')
      return Fail(kErrorParsingAttributes, position);
    *position = L' ';
    *nameEnd = kNul;
    ++position;
    SkipWhitespace(position);
    if (*position != L'"')
      return Fail(kExpectedAttributeValue, position);
    ++position;
    wchar_t* valueEnd = ParseData(position, L'"');
    if (*position == kNul)
      return Fail(kErrorParsingAttributeString, position);
    *valueEnd = kNul;
    if (valueEnd != position)
      *position = L' ';
    ++position;
  }
}

wchar_t* MarkupDocument::ParseData(wchar_t*& position, wchar_t terminator) {
  wchar_t* write = position;
  while (*position != kNul && *position != terminator) {
    if (*position == L'&') {
      if (const Entity* entity = MatchEntity(position)) {
        *write++ = entity->value;
        position += entity->length;
        continue;
      }
    }
    const wchar_t c = *position++;
    *write++ = c;
    if (c == L' ' && !keepWhitespace_)
      SkipWhitespace(position);
  }
  // Text shortened by entities or dropped white space leaves no stale characters behind.
  std::fill(write, position, L' ');
  return write;
}

bool MarkupDocument::MatchEndTag(int32_t element, const wchar_t* nameEnd, wchar_t*& position) {
  *position = kNul;
  position += 2;
  SkipWhitespace(position);
  const wchar_t* name = text_.get() + elements_[element].nameOffset;
  for (; name < nameEnd; ++name, ++position) {
    if (*position != *name)
      return Fail(kUnmatchedClosingTag, position);
  }
  SkipWhitespace(position);
  if (*position != L'>')
    return Fail(kUnmatchedClosingTag, position);
  ++position;
  return true;
}

void MarkupDocument::FinishElement(wchar_t* nameEnd, wchar_t*& position) {
  *nameEnd = kNul;
  SkipWhitespace(position);
}

bool MarkupDocument::Fail(const wchar_t* message, const wchar_t* location) {
  SetError(message);
  size_t i = 0;
  for (; i < kMaxErrorLocation && location[i] != kNul; ++i)
    errorLocation_[i] = location[i];
  errorLocation_[i] = kNul;
  return false;
}

void MarkupDocument::SetError(const wchar_t* message) {
  size_t i = 0;
  for (; i < kMaxErrorMessage && message[i] != kNul; ++i)
    errorMessage_[i] = message[i];
  errorMessage_[i] = kNul;
  errorLocation_[0] = kNul;
}

}  // namespace ui
