#include "ui/core/skin_settings.h"

#include <vector>

#include "ui/core/zip_reader.h"

namespace ui {

namespace {

struct SkinSettings {
  HMODULE programModule = nullptr;
  std::wstring skinFolder;
  std::wstring packageName;
  PackageHandling handling = PackageHandling::KeepOpen;
  std::unique_ptr<SkinPackage> keptPackage;
  // The memory package's block, so that lookups can open it when the package is not kept.
  const void* memoryBlock = nullptr;
  size_t memorySize = 0;
};

SkinSettings& Settings() {
  static SkinSettings settings;
  return settings;
}

}  // namespace

void SetProgramModule(HMODULE module) {
  Settings().programModule = module;
}

HMODULE ProgramModule() {
  return Settings().programModule;
}

HMODULE ResourceModule() {
  return Settings().programModule;
}

std::wstring ProgramFolder() {
  HMODULE module = Settings().programModule;
  if (!module)
    return std::wstring();
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return std::wstring();
    if (length < path.size()) {
      std::wstring folder(path.data(), length);
      const size_t separator = folder.rfind(L'\\');
      return separator == std::wstring::npos ? std::wstring() : folder.substr(0, separator + 1);
    }
    if (path.size() >= 32768)
      return std::wstring();
    path.resize(path.size() * 2);
  }
}

void SetSkinFolder(const std::wstring& path) {
  std::wstring& folder = Settings().skinFolder;
  folder = path;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
    folder += L'\\';
}

const std::wstring& SkinFolder() {
  return Settings().skinFolder;
}

void UsePackageFile(const std::wstring& name, PackageHandling handling) {
  SkinSettings& settings = Settings();
  if (name == settings.packageName && handling == settings.handling)
    return;
  settings.keptPackage.reset();
  settings.memoryBlock = nullptr;
  settings.memorySize = 0;
  settings.packageName = name;
  settings.handling = handling;
  if (handling == PackageHandling::KeepOpen && !name.empty())
    settings.keptPackage = ZipReader::OpenFromFile(settings.skinFolder + name);
}

void UsePackageMemory(const void* data, size_t size) {
  SkinSettings& settings = Settings();
  if (settings.packageName == kMemoryPackageName)
    return;
  settings.keptPackage.reset();
  settings.packageName = kMemoryPackageName;
  settings.memoryBlock = data;
  settings.memorySize = size;
  if (settings.handling == PackageHandling::KeepOpen)
    settings.keptPackage = ZipReader::OpenFromMemory(data, size);
}

const std::wstring& SkinPackageName() {
  return Settings().packageName;
}

PackageForLookup::PackageForLookup() {
  const SkinSettings& settings = Settings();
  if (settings.packageName.empty())
    return;
  if (settings.handling == PackageHandling::KeepOpen) {
    package_ = settings.keptPackage.get();
    return;
  }
  if (settings.packageName == kMemoryPackageName)
    opened_ = ZipReader::OpenFromMemory(settings.memoryBlock, settings.memorySize);
  else
    opened_ = ZipReader::OpenFromFile(settings.skinFolder + settings.packageName);
  package_ = opened_.get();
}

PackageForLookup::~PackageForLookup() = default;

}  // namespace ui
