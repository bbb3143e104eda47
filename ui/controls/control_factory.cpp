#include "ui/controls/control_factory.h"

#include <cwchar>

#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/container.h"
#include "ui/controls/horizontal_layout.h"
#include "ui/controls/label.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/controls/tab_layout.h"
#include "ui/controls/vertical_layout.h"
#include "ui/core/control.h"

namespace ui {

namespace {

template <typename T>
Control* Make() {
  return new T();
}

struct ElementClass {
  const wchar_t* name;
  Control* (*create)();
};

// Element names of the controls this framework provides. Names of the further controls (lists,
// combos, trees, edits, date-time pickers, ActiveX and browser hosts, GIF images, tile and child
// layouts) are not here: they are skipped like unknown names.
const ElementClass kElementClasses[] = {
    {L"Control", &Make<Control>},
    {L"Container", &Make<Container>},
    {L"VerticalLayout", &Make<VerticalLayout>},
    {L"VBox", &Make<VerticalLayout>},
    {L"HorizontalLayout", &Make<HorizontalLayout>},
    {L"HBox", &Make<HorizontalLayout>},
    {L"TabLayout", &Make<TabLayout>},
    {L"Label", &Make<Label>},
    {L"Button", &Make<Button>},
    {L"Option", &Make<Option>},
    {L"CheckBox", &Make<CheckBox>},
    {L"Progress", &Make<Progress>},
    {L"Slider", &Make<Slider>},
    {L"RichEdit", &Make<RichEdit>},
    {L"ScrollBar", &Make<ScrollBar>},
};

}  // namespace

Control* CreateControlForElement(const wchar_t* elementName) {
  if (!elementName)
    return nullptr;
  for (const ElementClass& entry : kElementClasses) {
    if (_wcsicmp(entry.name, elementName) == 0)
      return entry.create();
  }
  return nullptr;
}

}  // namespace ui
