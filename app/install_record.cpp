#include "app/install_record.h"

#include <cstdio>
#include <memory>

#include "app/product_names.h"

namespace {

constexpr int kRecordResourceId = 138;

struct FileClose {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string_view InstallRecordResource(HMODULE module) {
  // Resources live as long as the module; there is nothing to free.
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(kRecordResourceId), L"KEYRES");
  if (!found)
    return {};
  const DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0)
    return {};
  return {static_cast<const char*>(bytes), size};
}

bool WriteInstallRecord(const std::wstring& installDir) {
  const std::string_view record = InstallRecordResource(::GetModuleHandleW(nullptr));
  if (record.empty())
    return false;
  const std::wstring path = installDir + L"\\" + product::kInstallRecordName;
  std::unique_ptr<FILE, FileClose> file(_wfopen(path.c_str(), L"wb"));
  if (!file)
    return false;
  const bool written = std::fwrite(record.data(), 1, record.size(), file.get()) == record.size();
  // The close flushes: a full disk shows here.
  return std::fclose(file.release()) == 0 && written;
}
