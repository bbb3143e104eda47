#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The client's configuration record: the bytes of the program's resource "KEYRES" 138, empty
// when the module has no such resource. The view stays valid while the module is loaded.
std::string_view InstallRecordResource(HMODULE module);

// Writes the record of the running program byte for byte to installDir\install.dat (created or
// truncated). The path is UTF-16, so any folder name works. False when the resource is missing
// or the file cannot be written completely.
bool WriteInstallRecord(const std::wstring& installDir);
