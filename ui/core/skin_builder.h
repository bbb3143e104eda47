#pragma once

#include <windows.h>

#include <string>

#include "ui/core/markup_document.h"

namespace ui {

class Control;
class PaintManager;

// Lets a window create controls for element names the framework does not know.
class IBuilderCallback {
 public:
  virtual Control* CreateCustomControl(const wchar_t* elementName) = 0;

 protected:
  ~IBuilderCallback() = default;
};

// Turns a skin document into live objects: the resources it declares are registered with the
// manager, the attributes of a top-level "Window" element go to the window, and each element
// below becomes a control with the element's attributes. Controls built under a parent belong to
// it; the first top-level control is returned to the caller, who owns it.
class SkinBuilder {
 public:
  SkinBuilder();
  SkinBuilder(const SkinBuilder&) = delete;
  SkinBuilder& operator=(const SkinBuilder&) = delete;

  // source: markup text starting with "<", a skin file name, or an integer resource identifier
  // (MAKEINTRESOURCE) of the given type in the resource module. Null when nothing was built or the
  // document cannot be loaded or parsed.
  Control* BuildFrom(const wchar_t* source,
                     const wchar_t* resourceType,
                     IBuilderCallback* callback,
                     PaintManager* manager,
                     Control* parent);
  // Builds the already loaded document again (an "Include" with a count builds several copies).
  Control* Build(IBuilderCallback* callback, PaintManager* manager, Control* parent);

  const MarkupDocument& Document() const { return document_; }

 private:
  Control* BuildChildren(const MarkupNode& element, Control* parent, PaintManager* manager);
  void RegisterResources(const MarkupNode& root, PaintManager* manager);
  void BuildInclude(const MarkupNode& element, Control* parent, PaintManager* manager);
  Control* CreateControl(const wchar_t* elementName);

  MarkupDocument document_;
  IBuilderCallback* callback_ = nullptr;
  std::wstring resourceType_;
  bool fromResource_ = false;
};

}  // namespace ui
