#pragma once

#include <string>

// The folder of the logs of an elevated installer: "<ProgramData>\Quenby\logs\" (with its
// trailing backslash), where only administrators and the system may write, as Program Files has
// it. Both levels are created with the protected access rules; a level that already existed (a
// standard user may create folders in ProgramData) is refused when it is a link of any kind, and
// otherwise taken over: owner Administrators, the protected rules. Both stay open without delete
// sharing until the process ends, so that neither can be renamed or replaced while the installer
// writes there. Empty when the folder cannot be had (the logs are then skipped).
std::wstring ProtectedLogFolder();
