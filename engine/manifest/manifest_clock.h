#pragma once

#include <string>

// The signing time and digest of the newest update manifest this machine installed from, kept in
// two values ("ManifestSignedAt", seconds since 1970, and "ManifestSha256") of a key of the
// installer's own under HKEY_LOCAL_MACHINE, in the program's own registry view, created with
// rules that let only administrators change it: a local user cannot wind it back to make a
// replayed older release acceptable, and removing the uninstall entry does not take it.

struct KeptManifest {
  long long signedAt = 0;  // 0: none kept
  std::string sha256;      // lowercase hexadecimal; empty when none is kept
};

// What is kept under keyPath; nothing when none is kept or keyPath is empty.
KeptManifest NewestInstalledManifest(const std::wstring& keyPath);

// The time kept under keyPath; 0 when none is kept or keyPath is empty.
long long NewestManifestSigningTime(const std::wstring& keyPath);

// Whether a signed manifest (signing time, SHA-256 of its bytes) is older than what this machine
// may install: signed before notBefore (the oldest the build takes) or before the kept one, or at
// the kept time but another manifest (a release signed in the same second as the last one is no
// newer than it).
bool IsRolledBack(long long signedAt,
                  const std::string& sha256,
                  long long notBefore,
                  const KeptManifest& kept);

// Keeps signedAt and sha256 under keyPath when signedAt is newer than what is kept; true when
// what is kept is now at least signedAt.
bool KeepManifestSigningTime(const std::wstring& keyPath,
                             long long signedAt,
                             const std::string& sha256);
