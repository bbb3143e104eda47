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
//
// A skin cannot make the build exhaust the stack, memory or time: controls nest at most
// kMaxDepth levels, includes at most kMaxIncludeDepth, and one build makes at most kMaxBuildSteps
// controls and included copies together. A skin past any of these fails like bad markup: the
// build returns null and leaves nothing behind in the parent it was given.
class SkinBuilder {
 public:
  static constexpr int kMaxDepth = 256;
  static constexpr int kMaxIncludeDepth = 16;
  static constexpr int kMaxBuildSteps = 10000;

  SkinBuilder();
  SkinBuilder(const SkinBuilder&) = delete;
  SkinBuilder& operator=(const SkinBuilder&) = delete;

  // source: markup text starting with "<", a skin file name, or an integer resource identifier
  // (MAKEINTRESOURCE) of the given type in the resource module. Null when nothing was built, the
  // document cannot be loaded or parsed, or the skin goes past the limits above.
  Control* BuildFrom(const wchar_t* source,
                     const wchar_t* resourceType,
                     IBuilderCallback* callback,
                     PaintManager* manager,
                     Control* parent);
  // Builds the already loaded document again (an "Include" with a count builds several copies).
  Control* Build(IBuilderCallback* callback, PaintManager* manager, Control* parent);

  const MarkupDocument& Document() const { return document_; }

 private:
  // What one build (with all its includes) has used of the limits.
  struct Budget {
    int steps = 0;
    bool exceeded = false;
    // Counts one control or included copy; false (and exceeded from then on) past the limit.
    bool Take();
  };

  // A builder for an "Include": its controls go in at depth, its budget is the includer's.
  SkinBuilder(Budget* budget, int depth, int includeDepth);

  // depth: the nesting level of the controls made for element's children (1 at the top).
  Control* BuildChildren(const MarkupNode& element,
                         Control* parent,
                         PaintManager* manager,
                         int depth);
  void RegisterResources(const MarkupNode& root, PaintManager* manager);
  void BuildInclude(const MarkupNode& element, Control* parent, PaintManager* manager, int depth);
  Control* CreateControl(const wchar_t* elementName);
  bool IsInclude() const { return budget_ != &ownBudget_; }

  MarkupDocument document_;
  IBuilderCallback* callback_ = nullptr;
  std::wstring resourceType_;
  bool fromResource_ = false;
  Budget ownBudget_;
  Budget* budget_ = &ownBudget_;
  int depth_ = 1;
  int includeDepth_ = 0;
};

}  // namespace ui
