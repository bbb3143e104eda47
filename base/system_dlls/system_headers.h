#pragma once

// The SDK headers that declare the wrapped functions, so that each wrapper is checked against
// the declaration its callers were compiled with.
#include <windows.h>

#include <bcrypt.h>
#include <commctrl.h>
#include <oleacc.h>
#include <restartmanager.h>
#include <wincred.h>
#include <wincrypt.h>
#include <winhttp.h>
