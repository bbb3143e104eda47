#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "ui/core/skin_package.h"

namespace ui {

// Where a window takes its skin from.
enum class SkinSourceKind {
  FolderFiles = 1,
  PackageFile = 2,
  ProgramResource = 3,
  PackageResource = 4,
};

// Whether the skin package is opened once and kept, or opened and closed for every lookup.
enum class PackageHandling { KeepOpen, OpenPerLookup };

// The package name that stands for a package held in memory.
inline constexpr wchar_t kMemoryPackageName[] = L"membuffer";

// Process-wide skin settings: the program module, the folder of loose skin files and the skin
// package. They belong to the UI thread and are not synchronised.
void SetProgramModule(HMODULE module);
HMODULE ProgramModule();
// The module whose resources skin lookups search: always the program module.
HMODULE ResourceModule();
// The program file's folder, ending with "\"; empty when no module is set.
std::wstring ProgramFolder();

// Stores |path|, appending "\" when it is not empty and ends with neither "\" nor "/".
void SetSkinFolder(const std::wstring& path);
const std::wstring& SkinFolder();

// Switches to the package file |name| (relative to the skin folder) when the name or the handling
// differs from the current one. With KeepOpen the file is opened at once and kept; if it cannot
// be opened, lookups fail until the next switch. An empty name means loose files.
void UsePackageFile(const std::wstring& name, PackageHandling handling);
// Switches to a package held in |data|, which must live until the process ends. Ignored when a
// memory package is already in use: the first block stays.
void UsePackageMemory(const void* data, size_t size);
// The current package name: empty for loose files, kMemoryPackageName for a memory package.
const std::wstring& SkinPackageName();

// The package one skin lookup reads from: the kept package, or one opened for this lookup and
// closed again when the object goes away. get() is null when no package can be had.
class PackageForLookup {
 public:
  PackageForLookup();
  ~PackageForLookup();
  PackageForLookup(const PackageForLookup&) = delete;
  PackageForLookup& operator=(const PackageForLookup&) = delete;

  const SkinPackage* get() const { return package_; }

 private:
  std::unique_ptr<SkinPackage> opened_;
  const SkinPackage* package_ = nullptr;
};

}  // namespace ui
