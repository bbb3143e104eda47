#include "ui/core/markup_node.h"

#include <cwchar>

#include "ui/core/markup_document.h"

namespace ui {

const wchar_t* MarkupNode::Text() const {
  if (!document_ || !document_->text_ || element_ <= 0 ||
      static_cast<size_t>(element_) >= document_->elements_.size())
    return nullptr;
  return document_->text_.get();
}

MarkupNode MarkupNode::Linked(int32_t element) const {
  return element ? MarkupNode(document_, element) : MarkupNode();
}

const wchar_t* MarkupNode::Name() const {
  const wchar_t* text = Text();
  return text ? text + document_->elements_[element_].nameOffset : nullptr;
}

MarkupNode MarkupNode::FirstChild() const {
  return Text() ? Linked(document_->elements_[element_].firstChild) : MarkupNode();
}

MarkupNode MarkupNode::NextSibling() const {
  return Text() ? Linked(document_->elements_[element_].nextSibling) : MarkupNode();
}

bool MarkupNode::HasChildren() const {
  return Text() && document_->elements_[element_].firstChild != 0;
}

int MarkupNode::AttributeCount() const {
  MapAttributes();
  return attributeCount_;
}

const wchar_t* MarkupNode::AttributeName(int index) const {
  if (!IsValid())
    return nullptr;
  MapAttributes();
  if (index < 0 || index >= attributeCount_)
    return L"";
  return Text() + attributes_[index].nameOffset;
}

const wchar_t* MarkupNode::AttributeValue(int index) const {
  if (!IsValid())
    return nullptr;
  MapAttributes();
  if (index < 0 || index >= attributeCount_)
    return L"";
  return Text() + attributes_[index].valueOffset;
}

bool MarkupNode::FindAttribute(const wchar_t* name, wchar_t* buffer, size_t bufferSize) const {
  if (!name)
    return false;
  MapAttributes();
  const wchar_t* text = Text();
  for (int i = 0; i < attributeCount_; ++i) {
    if (std::wcscmp(text + attributes_[i].nameOffset, name) != 0)
      continue;
    if (buffer && bufferSize > 0) {
      const wchar_t* value = text + attributes_[i].valueOffset;
      size_t length = 0;
      for (; length + 1 < bufferSize && value[length] != L'\0'; ++length)
        buffer[length] = value[length];
      buffer[length] = L'\0';
    }
    return true;
  }
  return false;
}

// The parser left an element's tag as: name NUL, then for each attribute blanks, the name, NUL,
// blanks (the former "="), a double quote, the value, NUL, and blanks or the closing quote. The
// walk stays between the end of the name and the element's data.
void MarkupNode::MapAttributes() const {
  if (attributesMapped_)
    return;
  attributesMapped_ = true;
  attributeCount_ = 0;
  const wchar_t* text = Text();
  if (!text)
    return;
  const MarkupDocument::Element& element = document_->elements_[element_];
  const wchar_t* position = text + element.nameOffset;
  const wchar_t* stop = text + element.dataOffset;
  while (position < stop && *position != L'\0')
    ++position;
  ++position;
  while (position < stop && attributeCount_ < kMaxAttributes) {
    while (position < stop && MarkupDocument::IsWhitespace(*position))
      ++position;
    if (position >= stop)
      break;
    const wchar_t* name = position;
    while (position < stop && *position != L'\0')
      ++position;
    if (position >= stop)
      break;
    ++position;
    while (position < stop && MarkupDocument::IsWhitespace(*position))
      ++position;
    if (position >= stop || *position != L'"')
      break;
    ++position;
    attributes_[attributeCount_].nameOffset = static_cast<int32_t>(name - text);
    attributes_[attributeCount_].valueOffset = static_cast<int32_t>(position - text);
    ++attributeCount_;
    while (position < stop && *position != L'\0')
      ++position;
    ++position;
  }
}

}  // namespace ui
