// Renders the three wizard pages of the embedded skin at 600 × 400 into PNG files, so the wizard
// can be looked at without its window:  skin-preview <output folder>
// Writes page0_config.png, page1_installing.png and page2_finish.png; the configuration page
// shows the default folder in the folder field and the installing page sample progress texts, as
// the wizard would.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/scoped_file.h"
#include "base/scoped_gdi.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "ui/core/control.h"
#include "ui/core/paint_manager.h"
#include "ui/core/skin_settings.h"
#include "ui/render/gdi_helpers.h"
#include "ui/skin/skin_builder.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;

bool UseEmbeddedSkin() {
  HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(136), L"ZIPRES");
  HGLOBAL loaded = resource ? ::LoadResource(nullptr, resource) : nullptr;
  if (!loaded)
    return false;
  ui::UsePackageMemory(::LockResource(loaded), ::SizeofResource(nullptr, resource));
  return true;
}

// Paints the tree into a 32-bit top-down bitmap and writes it as an opaque PNG.
bool WritePage(ui::PaintManager& manager, ui::Control* root, const std::wstring& path) {
  uint32_t* bits = nullptr;
  base::ScopedBitmap bitmap = ui::CreateDibSection(kWidth, kHeight, &bits);
  base::ScopedMemoryDC dc(::CreateCompatibleDC(nullptr));
  if (!bitmap.Get() || !dc.Get())
    return false;
  {
    base::ScopedSelectObject select(dc.Get(), bitmap.Get());
    RECT client = {0, 0, kWidth, kHeight};
    ::FillRect(dc.Get(), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    manager.RunLayoutPass(client);
    root->Paint(dc.Get(), client, nullptr);
    ::GdiFlush();
  }

  const uint8_t* bgra = reinterpret_cast<const uint8_t*>(bits);
  std::vector<uint8_t> rgb(kWidth * kHeight * 3);
  for (int i = 0; i < kWidth * kHeight; ++i) {
    rgb[i * 3] = bgra[i * 4 + 2];
    rgb[i * 3 + 1] = bgra[i * 4 + 1];
    rgb[i * 3 + 2] = bgra[i * 4];
  }
  int length = 0;
  unsigned char* png = stbi_write_png_to_mem(rgb.data(), kWidth * 3, kWidth, kHeight, 3, &length);
  if (!png)
    return false;
  base::ScopedFile file(_wfopen(path.c_str(), L"wb"));
  bool written = file && std::fwrite(png, 1, length, file.get()) == static_cast<size_t>(length);
  STBIW_FREE(png);
  // A file whose buffered end could not be written is not a written page.
  return written && std::fclose(file.release()) == 0;
}

void SetText(ui::PaintManager& manager, const wchar_t* name, const wchar_t* text) {
  if (ui::Control* control = manager.FindControlByName(name))
    control->SetText(text);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin-preview <output folder>\n");
    return 2;
  }
  std::wstring folder = argv[1];
  ::CreateDirectoryW(folder.c_str(), nullptr);
  if (!UseEmbeddedSkin()) {
    std::fprintf(stderr, "skin-preview: no embedded skin\n");
    return 1;
  }
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                                  nullptr, nullptr, nullptr);
  ui::PaintManager manager;
  manager.AttachWindow(window, L"preview");
  ui::SkinBuilder builder;
  ui::Control* root = builder.BuildFrom(L"install.xml", nullptr, nullptr, &manager, nullptr);
  if (!root || !manager.AttachRoot(root)) {
    std::fprintf(stderr, "skin-preview: the skin did not build\n");
    return 1;
  }
  auto* tabs = static_cast<ui::TabLayout*>(manager.FindControlByName(L"wizard_setup_tab"));
  if (!tabs) {
    std::fprintf(stderr, "skin-preview: no wizard_setup_tab\n");
    return 1;
  }

  // The folder field as the wizard sets it up: the default folder, disabled.
  SetText(manager, L"edit_dir", L"  默认目录：C:\\Program Files\\Cobalind\\velmora");
  if (ui::Control* folder = manager.FindControlByName(L"edit_dir"))
    folder->SetEnabled(false);

  // What the installing page shows while a file downloads.
  SetText(manager, L"progress_file", L"正在下载：QuenbyClient.dll");
  SetText(manager, L"progress_pos", L"37%");
  SetText(manager, L"progress_tip", L"共 48.6MB，已下载 18.0MB，速度 2.4MB/s，剩余时间 00:00:12");
  ui::Control* slider = manager.FindControlByName(L"slr_progress");
  if (auto* bar = slider ? static_cast<ui::Progress*>(slider->CastTo(L"Progress")) : nullptr)
    bar->SetValue(37);

  const wchar_t* kPages[] = {L"page0_config.png", L"page1_installing.png", L"page2_finish.png"};
  int failures = 0;
  for (int page = 0; page < 3; ++page) {
    tabs->SelectItem(page, ui::Notify::No);
    std::wstring path = folder + L"\\" + kPages[page];
    if (WritePage(manager, root, path)) {
      std::printf("wrote %ls\n", path.c_str());
    } else {
      std::fprintf(stderr, "skin-preview: could not write %ls\n", path.c_str());
      ++failures;
    }
  }
  manager.AttachWindow(nullptr, L"");
  ::DestroyWindow(window);
  return failures == 0 ? 0 : 1;
}
