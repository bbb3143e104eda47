#pragma once

#include <cstddef>
#include <cstdint>

namespace ui {

class MarkupDocument;

// A light, copyable view of one element of a MarkupDocument. It owns nothing; its attributes are
// located the first time someone asks for them, at most kMaxAttributes of them.
class MarkupNode {
 public:
  static constexpr int kMaxAttributes = 64;

  MarkupNode() = default;

  bool IsValid() const { return document_ != nullptr; }
  // Null for an invalid node.
  const wchar_t* Name() const;
  MarkupNode FirstChild() const;
  MarkupNode NextSibling() const;
  bool HasChildren() const;

  bool HasAttributes() const { return AttributeCount() > 0; }
  int AttributeCount() const;
  // Null for an invalid node, "" for an index outside 0..AttributeCount()-1.
  const wchar_t* AttributeName(int index) const;
  const wchar_t* AttributeValue(int index) const;
  // Copies the value of the first attribute named exactly |name| (case matters) into |buffer|,
  // which holds |bufferSize| characters: at most bufferSize-1 of them, always terminated.
  bool FindAttribute(const wchar_t* name, wchar_t* buffer, size_t bufferSize) const;

 private:
  friend class MarkupDocument;

  struct Attribute {
    int32_t nameOffset;
    int32_t valueOffset;
  };

  MarkupNode(const MarkupDocument* document, int32_t element)
      : document_(document), element_(element) {}
  MarkupNode Linked(int32_t element) const;
  // Null when the document no longer holds this element.
  const wchar_t* Text() const;
  void MapAttributes() const;

  const MarkupDocument* document_ = nullptr;
  int32_t element_ = 0;
  mutable bool attributesMapped_ = false;
  mutable int attributeCount_ = 0;
  mutable Attribute attributes_[kMaxAttributes] = {};
};

}  // namespace ui
