// Shows the installer's skin in a real skinned window, as the installer does (created at 0 × 0
// with the installer's style, centred, shown, served by the message loop), so that real input
// can be tried on it and its screen pixels captured:  skin-window <layout file> [page]
// Once the window is shown, writes to the layout file one line per item, "name left top right
// bottom": "window" in screen coordinates, then the buttons and the folder field's text area in
// client coordinates. The folder field shows the default folder, disabled, as the wizard sets it
// up. A click on the install button shows the installing page; the close button, Escape or
// closing the window ends the program with exit code 0. With a page number (0 configuration,
// 1 installing, 2 finish) the window opens on that page. The window takes the display's DPI as
// the installer does.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/scoped_file.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/control.h"
#include "ui/core/message_loop.h"
#include "ui/core/skin_settings.h"
#include "ui/skin/skin_window.h"

namespace {

// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU.
constexpr DWORD kInstallerStyle = 0x96C80000;
constexpr const wchar_t* kButtons[] = {L"btn_min", L"btn_close", L"btn_install"};

class PreviewWindow : public ui::SkinWindow {
 public:
  const wchar_t* WindowClassName() const override { return L"SkinWindowPreview"; }
  std::wstring SkinFolderName() const override { return L"install_online"; }
  std::wstring SkinFileName() const override { return L"install.xml"; }
  ui::SkinSourceKind SkinSource() const override { return ui::SkinSourceKind::PackageResource; }
  std::wstring SkinResourceId() const override { return L"136"; }

  void OnSkinReady() override {
    auto* folder = static_cast<ui::RichEdit*>(FolderField());
    if (!folder)
      return;
    folder->SetText(L"  默认目录：C:\\Program Files\\Cobalind\\velmora");
    folder->SetEnabled(false);
  }

  ui::RichEdit* FolderField() {
    ui::Control* control = GetPaintManager().FindControlByName(L"edit_dir");
    return control ? static_cast<ui::RichEdit*>(control->CastTo(L"RichEdit")) : nullptr;
  }

  void ReceiveNotification(ui::Notification& notification) override {
    if (notification.type != L"click" || !notification.sender)
      return;
    const std::wstring name = notification.sender->GetName();
    std::printf("click %ls\n", name.c_str());
    std::fflush(stdout);
    if (name == L"btn_close") {
      RequestClose(1);
    } else if (name == L"btn_install") {
      auto* tabs =
          static_cast<ui::TabLayout*>(GetPaintManager().FindControlByName(L"wizard_setup_tab"));
      if (tabs)
        tabs->SelectItem(1, ui::Notify::Yes);
    }
  }

  LRESULT HandleDestroy(UINT, WPARAM, LPARAM, bool& handled) override {
    ::PostQuitMessage(0);
    handled = false;
    return 0;
  }

  bool WriteLayout(const std::wstring& path) {
    base::ScopedFile file(_wfopen(path.c_str(), L"w"));
    if (!file)
      return false;
    RECT bounds = {0, 0, 0, 0};
    ::GetWindowRect(NativeWindow(), &bounds);
    std::fprintf(file.get(), "window %ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right,
                 bounds.bottom);
    for (const wchar_t* name : kButtons) {
      if (ui::Control* control = GetPaintManager().FindControlByName(name)) {
        const RECT& rect = control->GetRect();
        std::fprintf(file.get(), "%ls %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right,
                     rect.bottom);
      }
    }
    if (ui::RichEdit* folder = FolderField()) {
      const RECT text = folder->TextArea();
      std::fprintf(file.get(), "edit_dir %ld %ld %ld %ld\n", text.left, text.top, text.right,
                   text.bottom);
    }
    return std::fclose(file.release()) == 0;
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: skin-window <layout file> [page]\n");
    return 2;
  }
  const int page = argc == 3 ? _wtoi(argv[2]) : 0;
  ui::SetProgramModule(::GetModuleHandleW(nullptr));
  PreviewWindow window;
  if (!window.CreateNativeWindow(nullptr, L"skin-window", kInstallerStyle, 0, 0, 0, 0, 0)) {
    std::fprintf(stderr, "skin-window: the window could not be created\n");
    return 1;
  }
  if (page != 0) {
    auto* tabs = static_cast<ui::TabLayout*>(
        window.GetPaintManager().FindControlByName(L"wizard_setup_tab"));
    if (tabs)
      tabs->SelectItem(page, ui::Notify::No);
  }
  window.CenterOnMonitor();
  window.ShowNativeWindow(true, true);
  // The first paint lays the tree out; the layout file then holds the laid-out rectangles.
  ::UpdateWindow(window.NativeWindow());
  // Written under another name and renamed, so that a reader never sees half a file.
  const std::wstring layout = argv[1];
  const std::wstring partial = layout + L".partial";
  if (!window.WriteLayout(partial) ||
      !::MoveFileExW(partial.c_str(), layout.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    std::fprintf(stderr, "skin-window: could not write %ls\n", layout.c_str());
    return 1;
  }
  return ui::RunMessageLoop() == 0 ? 0 : 1;
}
