#pragma once

#include <string>

// Starts program through the desktop's shell (Explorer), so that it runs as the desktop's user
// with the desktop's token: an elevated installer's own token would make the client an
// administrator's program. The way there: the shell windows' desktop, its top-level browser, the
// active view's background object and the shell's IShellDispatch2::ShellExecute, the same as a
// double-click on the desktop. True when the shell took the start; otherwise false with why in
// failure (the step that failed and its HRESULT), nothing started.
bool StartThroughDesktopShell(const std::wstring& program,
                              const std::wstring& currentFolder,
                              std::string& failure);
