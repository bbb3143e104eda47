#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/core/markup_node.h"

namespace ui {

// How LoadBytes and LoadFile decode their input.
enum class MarkupEncoding { Utf8 = 0, Utf16 = 1, Ansi = 2 };

// One skin document parsed in place: the document owns the decoded text, overwrites the parts of
// it that end names and values, and records every element in a flat table (element 0 is a
// placeholder, element 1 the root). It knows elements, double-quoted attributes, text content and
// the entities &amp; &lt; &gt; &quot; &apos;; declarations and comments are skipped. Nodes handed
// out point into the document and lose their meaning when it is unloaded or reloaded.
class MarkupDocument {
 public:
  MarkupDocument();
  explicit MarkupDocument(const wchar_t* text);
  ~MarkupDocument();
  MarkupDocument(const MarkupDocument&) = delete;
  MarkupDocument& operator=(const MarkupDocument&) = delete;

  // Every load clears the document first; a failed load leaves it cleared with the error message
  // and location readable.
  bool LoadText(const wchar_t* text);
  // UTF-8 input may start with a byte-order mark; UTF-16 input must start with one (either byte
  // order). |bytes| is not changed.
  bool LoadBytes(const void* bytes, size_t size, MarkupEncoding encoding);
  // Reads the skin file |fileName| through ReadSkinDocument, then decodes it as LoadBytes does.
  bool LoadFile(const wchar_t* fileName, MarkupEncoding encoding);
  void Unload();
  bool IsLoaded() const { return capacity_ > 0; }

  MarkupNode Root() const;

  // On by default; when off, white space after a blank in text and values is dropped.
  void SetKeepWhitespace(bool keep) { keepWhitespace_ = keep; }

  const wchar_t* ErrorMessage() const { return errorMessage_; }
  // Up to 49 characters of the text where parsing failed; empty for file and package failures.
  const wchar_t* ErrorLocation() const { return errorLocation_; }

 private:
  friend class MarkupNode;

  // Offsets count UTF-16 code units from the start of the text; index 0 means "none".
  struct Element {
    int32_t nameOffset;
    int32_t firstChild;
    int32_t nextSibling;
    int32_t parent;
    int32_t dataOffset;
  };

  static bool IsWhitespace(wchar_t c) { return c >= 1 && c <= 32; }

  static constexpr size_t kMaxErrorMessage = 99;
  static constexpr size_t kMaxErrorLocation = 49;

  // An element whose children are being parsed.
  struct ParseLevel {
    int32_t parent;
    wchar_t* parentNameEnd;
    wchar_t* parentDataEnd;
    int32_t previous;  // The last element parsed at this level, 0 before the first.
  };

  bool Parse();
  bool ParseElements(wchar_t*& position);
  // One element from its name on, linked into the innermost level; an element with children
  // opens a level of its own.
  bool ParseElement(std::vector<ParseLevel>& levels, wchar_t*& position);
  bool ParseAttributes(wchar_t*& position);
  // Copies text content or an attribute value onto itself up to |terminator|, decoding entities;
  // returns the end of the decoded text.
  wchar_t* ParseData(wchar_t*& position, wchar_t terminator);
  // Steps over "</name>" for |element|, whose name ends at |nameEnd|.
  bool MatchEndTag(int32_t element, const wchar_t* nameEnd, wchar_t*& position);
  void FinishElement(wchar_t* nameEnd, wchar_t*& position);
  int32_t ReserveElement();
  int32_t OffsetOf(const wchar_t* position) const {
    return static_cast<int32_t>(position - text_.get());
  }
  bool Fail(const wchar_t* message, const wchar_t* location);
  void SetError(const wchar_t* message);
  bool ParseOrClear();

  std::unique_ptr<wchar_t[]> text_;
  std::vector<Element> elements_;  // size() is the count of records in use.
  int32_t capacity_ = 0;
  wchar_t errorMessage_[kMaxErrorMessage + 1] = {};
  wchar_t errorLocation_[kMaxErrorLocation + 1] = {};
  bool keepWhitespace_ = true;
};

}  // namespace ui
