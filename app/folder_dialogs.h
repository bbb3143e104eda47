#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Asks the user for a folder: the system's item dialog in folder mode, opened in initialFolder;
// when that dialog cannot be used (it cannot be created, initialFolder is empty or unknown, or
// it fails to hand back its choice), the older folder-tree dialog in the same call. Runs on the
// calling thread, which must pump messages; initialises COM for the call.
//
// Returns the chosen folder's parsing name, or nothing when the user cancelled (a cancel in the
// item dialog ends the choice without the folder-tree dialog). Both dialogs are titled
// "请选择安装目录" and owned by owner, which may be null.
std::optional<std::wstring> ChooseFolder(HWND owner, const std::wstring& initialFolder);
