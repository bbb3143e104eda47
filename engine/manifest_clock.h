#pragma once

#include <string>

// The signing time of the newest update manifest this machine installed from, kept in a value
// ("ManifestSignedAt", seconds since 1970) of a key under HKEY_LOCAL_MACHINE, in the program's
// own registry view: only administrators can change it, so a local user cannot wind it back to
// make a replayed older release acceptable.

// The time kept under keyPath; 0 when none is kept or keyPath is empty.
long long NewestManifestSigningTime(const std::wstring& keyPath);

// Keeps signedAt under keyPath when it is newer than what is kept; true when what is kept is now
// at least signedAt.
bool KeepManifestSigningTime(const std::wstring& keyPath, long long signedAt);
