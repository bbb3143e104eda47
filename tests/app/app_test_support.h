#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "base/scoped_reg_key.h"

// Helpers of the installer application's tests that run real programs and read back what the
// installer leaves on the system.

// A shell folder's path as the shell's known-folder interface gives it (SHGetKnownFolderPath):
// an answer independent of the older lookup by CSIDL that the installer makes. Empty when the
// folder is unknown.
std::wstring KnownFolderPath(REFKNOWNFOLDERID folder);

// Opens the uninstall entry for reading in the registry view of this build, the one its
// installer writes; empty when it is missing.
base::ScopedRegKey OpenUninstallEntry();

// Runs a program with its folder as current folder and waits at most 60 s for it to end;
// returns its exit code, or -1 when it could not be started or did not end in time.
int RunProgram(const std::wstring& program);

// Copies one of the built stand-in client programs ("tarsklogin.exe", "Uninstall.exe") into
// folder.
bool CopyStandIn(const wchar_t* name, const std::wstring& folder);

// Waits at most timeoutMs for a file to exist.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs);

// What the stand-in launcher recorded when it started: its current folder and command line.
struct LaunchRecord {
  std::wstring currentFolder;
  std::wstring commandLine;
};
// Waits at most 30 s for the stand-in launcher's record in installDir and reads it.
bool ReadLaunchRecord(const std::wstring& installDir, LaunchRecord& record);

