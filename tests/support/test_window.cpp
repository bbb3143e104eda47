#include "tests/support/test_window.h"

TestWindow::TestWindow(int width, int height, Visibility visibility)
    : window_(::CreateWindowExW(0,
                                L"STATIC",
                                L"",
                                WS_POPUP | (visibility == Visibility::Shown ? WS_VISIBLE : 0),
                                0,
                                0,
                                width,
                                height,
                                nullptr,
                                nullptr,
                                ::GetModuleHandleW(nullptr),
                                nullptr)) {}

TestWindow::~TestWindow() {
  if (window_)
    ::DestroyWindow(window_);
}
