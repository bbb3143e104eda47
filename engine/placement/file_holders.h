#pragma once

#include <string>
#include <vector>

// The programs that hold the file at path open, as the Restart Manager names them (their
// application name, or their executable's name when they have none). Empty when none is known:
// no program holds it, the system cannot tell (rstrtmgr.dll missing or refusing), or the only
// holder is this process.
std::vector<std::wstring> ProgramsHoldingFile(const std::wstring& path);
