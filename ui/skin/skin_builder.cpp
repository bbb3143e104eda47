#include "ui/skin/skin_builder.h"

#include <cwchar>
#include <cwctype>

#include "ui/controls/container.h"
#include "ui/controls/control_factory.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"

namespace ui {

namespace {

bool NameIs(const wchar_t* name, const wchar_t* expected) {
  return name && _wcsicmp(name, expected) == 0;
}

// The value of the first attribute whose name matches without regard to case, or null.
const wchar_t* Attribute(const MarkupNode& node, const wchar_t* name) {
  for (int i = 0; i < node.AttributeCount(); ++i) {
    if (NameIs(node.AttributeName(i), name))
      return node.AttributeValue(i);
  }
  return nullptr;
}

bool BoolAttribute(const MarkupNode& node, const wchar_t* name) {
  return NameIs(Attribute(node, name), L"true");
}

// The set a resource element registers into: its "shared" attribute.
ResourceSet SetOf(const MarkupNode& node) {
  return BoolAttribute(node, L"shared") ? ResourceSet::Shared : ResourceSet::Window;
}

int IntAttribute(const MarkupNode& node, const wchar_t* name, int fallback) {
  const wchar_t* value = Attribute(node, name);
  return value ? static_cast<int>(std::wcstol(value, nullptr, 10)) : fallback;
}

bool IsResourceElement(const wchar_t* name) {
  return NameIs(name, L"Image") || NameIs(name, L"Font") || NameIs(name, L"Default") ||
         NameIs(name, L"MultiLanguage");
}

}  // namespace

SkinBuilder::SkinBuilder() {
  document_.SetKeepWhitespace(true);
}

SkinBuilder::SkinBuilder(Budget* budget, int depth, int includeDepth)
    : budget_(budget), depth_(depth), includeDepth_(includeDepth) {
  document_.SetKeepWhitespace(true);
}

bool SkinBuilder::Budget::Take() {
  if (!exceeded && ++steps > kMaxBuildSteps)
    exceeded = true;
  return !exceeded;
}

Control* SkinBuilder::BuildFrom(const wchar_t* source,
                                const wchar_t* resourceType,
                                IBuilderCallback* callback,
                                PaintManager* manager,
                                Control* parent) {
  if (!source)
    return nullptr;
  if (IS_INTRESOURCE(source)) {
    HMODULE module = ResourceModule();
    HRSRC resource = ::FindResourceW(module, source, resourceType);
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
      return nullptr;
    callback_ = callback;
    if (!document_.LoadBytes(bytes, ::SizeofResource(module, resource), MarkupEncoding::Utf8))
      return nullptr;
    fromResource_ = true;
    resourceType_ = resourceType ? resourceType : L"";
  } else if (source[0] == L'<') {
    if (!document_.LoadText(source))
      return nullptr;
  } else if (!document_.LoadFile(source, MarkupEncoding::Utf8)) {
    return nullptr;
  }
  return Build(callback, manager, parent);
}

Control* SkinBuilder::Build(IBuilderCallback* callback, PaintManager* manager, Control* parent) {
  callback_ = callback;
  MarkupNode root = document_.Root();
  if (!root.IsValid())
    return nullptr;
  // Resources first, then the window's attributes, then the controls that use both.
  if (manager) {
    RegisterResources(root, manager);
    if (NameIs(root.Name(), L"Window") && manager->PaintWindow()) {
      for (int i = 0; i < root.AttributeCount(); ++i)
        manager->SetWindowAttribute(root.AttributeName(i), root.AttributeValue(i));
    }
  }
  // An include's controls are cleaned up by the build that included it.
  if (IsInclude())
    return BuildChildren(root, parent, manager, depth_);

  ownBudget_ = Budget();
  auto* container = parent ? static_cast<IContainer*>(parent->CastTo(L"IContainer")) : nullptr;
  const int countBefore = container ? container->Count() : 0;
  Control* const overlayBefore = parent ? parent->GetOverlay() : nullptr;
  Control* first = BuildChildren(root, parent, manager, depth_);
  if (!ownBudget_.exceeded)
    return first;
  // Past a limit: take back everything this build made.
  if (!parent) {
    if (first)
      first->Destroy();
    return nullptr;
  }
  if (container) {
    while (container->Count() > countBefore)
      container->RemoveAt(container->Count() - 1);
  }
  if (parent->GetOverlay() != overlayBefore)
    parent->SetOverlay(nullptr);
  return nullptr;
}

void SkinBuilder::RegisterResources(const MarkupNode& root, PaintManager* manager) {
  for (MarkupNode node = root.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    const wchar_t* element = node.Name();
    if (NameIs(element, L"Image")) {
      const wchar_t* name = Attribute(node, L"name");
      if (!name)
        continue;
      const wchar_t* type = Attribute(node, L"restype");
      const wchar_t* mask = Attribute(node, L"mask");
      if (mask && *mask == L'#')
        ++mask;
      uint32_t maskValue = mask ? static_cast<uint32_t>(std::wcstoul(mask, nullptr, 16)) : 0;
      // "shared" puts the image into the table every window of the process sees.
      manager->AddImage(name, type, maskValue, /*followsShift=*/false, SetOf(node));
    } else if (NameIs(element, L"Font")) {
      int id = IntAttribute(node, L"id", -1);
      const wchar_t* face = Attribute(node, L"name");
      if (id < 0 || !face)
        continue;
      int size = IntAttribute(node, L"size", 12);
      bool bold = BoolAttribute(node, L"bold");
      bool underline = BoolAttribute(node, L"underline");
      bool italic = BoolAttribute(node, L"italic");
      const ResourceSet set = SetOf(node);
      manager->AddFont(id, face, size, bold, underline, italic, set);
      if (BoolAttribute(node, L"default"))
        manager->SetDefaultFont(face, size, bold, underline, italic, set);
    } else if (NameIs(element, L"Default")) {
      const wchar_t* name = Attribute(node, L"name");
      const wchar_t* value = Attribute(node, L"value");
      if (name)
        manager->AddDefaultAttributeList(name, value ? value : L"", SetOf(node));
    } else if (NameIs(element, L"MultiLanguage")) {
      int id = IntAttribute(node, L"id", -1);
      const wchar_t* value = Attribute(node, L"value");
      if (id >= 0 && value)
        manager->AddLanguageText(id, value);
    }
  }
}

void SkinBuilder::BuildInclude(const MarkupNode& element,
                               Control* parent,
                               PaintManager* manager,
                               int depth) {
  wchar_t count[500] = {};
  wchar_t source[500] = {};
  int copies = element.FindAttribute(L"count", count, 500) ? std::wcstol(count, nullptr, 10) : 1;
  if (!element.FindAttribute(L"source", source, 500))
    return;
  if (copies > 0 && includeDepth_ >= kMaxIncludeDepth) {
    // A page that includes itself, directly or through others, would never end.
    budget_->exceeded = true;
    return;
  }
  SkinBuilder included(budget_, depth, includeDepth_ + 1);
  for (int i = 0; i < copies && budget_->Take(); ++i) {
    Control* built;
    if (included.document_.IsLoaded()) {
      built = included.Build(callback_, manager, parent);
    } else if (fromResource_) {
      const wchar_t* identifier = MAKEINTRESOURCEW(std::wcstol(source, nullptr, 10) & 0xFFFF);
      built = included.BuildFrom(identifier, resourceType_.c_str(), callback_, manager, parent);
    } else {
      built = included.BuildFrom(source, nullptr, callback_, manager, parent);
    }
    // Without a parent nothing would own what the include built.
    if (built && !parent)
      built->Destroy();
  }
}

Control* SkinBuilder::CreateControl(const wchar_t* elementName) {
  // "GifAnim" is the one name compared with case; this framework has no class for it either way.
  if (Control* control = CreateControlForElement(elementName))
    return control;
  return callback_ ? callback_->CreateCustomControl(elementName) : nullptr;
}

Control* SkinBuilder::BuildChildren(const MarkupNode& element,
                                    Control* parent,
                                    PaintManager* manager,
                                    int depth) {
  Control* first = nullptr;
  IContainer* container = nullptr;
  bool containerLookedUp = false;
  for (MarkupNode node = element.FirstChild(); node.IsValid() && !budget_->exceeded;
       node = node.NextSibling()) {
    const wchar_t* name = node.Name();
    if (IsResourceElement(name))
      continue;
    if (NameIs(name, L"Include")) {
      if (node.HasAttributes())
        BuildInclude(node, parent, manager, depth);
      continue;
    }
    // Without a parent only the first control is kept: nothing would own the later ones.
    if (!parent && first)
      break;
    Control* control = CreateControl(name);
    if (!control)
      continue;
    if (depth > kMaxDepth || !budget_->Take()) {
      budget_->exceeded = true;
      control->Destroy();
      break;
    }
    if (node.HasChildren()) {
      BuildChildren(node, control, manager, depth + 1);
      // Past a limit the control, with what it holds so far, is not added anywhere.
      if (budget_->exceeded) {
        control->Destroy();
        break;
      }
    }
    if (parent) {
      wchar_t cover[256] = {};
      node.FindAttribute(L"cover", cover, 256);
      if (std::wcscmp(cover, L"true") == 0) {
        parent->SetOverlay(control);
      } else {
        if (!containerLookedUp) {
          container = static_cast<IContainer*>(parent->CastTo(L"IContainer"));
          containerLookedUp = true;
        }
        if (!container) {
          // A control cannot hold children: the rest of this element's children are skipped.
          control->Destroy();
          return nullptr;
        }
        if (!container->Add(control)) {
          control->Destroy();
          continue;
        }
      }
    }
    if (manager) {
      control->Attach(manager, nullptr, /*initialize=*/false);
      if (const wchar_t* defaults = manager->GetDefaultAttributeList(name))
        control->ApplyAttributeList(defaults);
    }
    for (int i = 0; i < node.AttributeCount(); ++i)
      control->SetAttribute(node.AttributeName(i), node.AttributeValue(i));
    if (manager)
      control->Attach(nullptr, nullptr, /*initialize=*/false);
    if (!first)
      first = control;
  }
  return first;
}

}  // namespace ui
