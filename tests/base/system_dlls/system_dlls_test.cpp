#include "base/system_library.h"

#include <gtest/gtest.h>

#include <bcrypt.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace {

std::wstring ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// A file that is no DLL, named like one, where the default search order would look first.
class PlantedDll {
 public:
  explicit PlantedDll(const std::wstring& name) {
    path_ = ModuleFolder(nullptr) + L"\\" + name;
    planted_ = WriteFileBytes(path_, "MZ not a library");
  }
  ~PlantedDll() { ::DeleteFileW(path_.c_str()); }
  bool planted() const { return planted_; }

 private:
  std::wstring path_;
  bool planted_ = false;
};

TEST(SystemDllsTest, PlantedCopyBesideTheProgramIsNeverLoaded) {
  PlantedDll planted(L"uxtheme.dll");
  ASSERT_TRUE(planted.planted());
  HMODULE module = base::LoadSystemLibrary(L"uxtheme.dll");
  ASSERT_NE(nullptr, module);
  EXPECT_TRUE(SameText(SystemFolder(), ModuleFolder(module)));
}

// libcurl's calls: crypt32 through dllimport declarations, bcrypt through plain ones.
TEST(SystemDllsTest, CryptoFunctionsWorkThroughTheWrappers) {
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  ASSERT_NE(nullptr, store);
  EXPECT_EQ(nullptr, ::CertEnumCertificatesInStore(store, nullptr));
  EXPECT_TRUE(::CertCloseStore(store, 0));

  BYTE decoded[8] = {};
  DWORD size = sizeof(decoded);
  ASSERT_TRUE(
      ::CryptStringToBinaryA("cXVlbmJ5", 0, CRYPT_STRING_BASE64, decoded, &size, nullptr, nullptr));
  EXPECT_EQ("quenby", std::string(reinterpret_cast<char*>(decoded), size));

  BYTE random[32] = {};
  EXPECT_EQ(0, ::BCryptGenRandom(nullptr, random, sizeof(random), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
  EXPECT_NE(std::string(32, '\0'), std::string(reinterpret_cast<char*>(random), 32));

  EXPECT_TRUE(SameText(SystemFolder(), ModuleFolder(::GetModuleHandleW(L"crypt32.dll"))));
}

// The manifest's side-by-side activation still redirects the wrapper's load to version 6: the
// module comes from the 6.0 common-controls assembly, not from the system folder's version 5.
// (Wine's version 6 reports 5.81 from DllGetVersion and in its version resource, so the
// assembly's folder is what tells them apart.)
TEST(SystemDllsTest, CommonControlsComeInVersion6) {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
  ASSERT_TRUE(::InitCommonControlsEx(&classes));
  HMODULE commonControls = ::GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(nullptr, commonControls);
  std::wstring folder = ModuleFolder(commonControls);
  ::CharLowerW(folder.data());
  // The assembly of the program's own processor, which the manifest's "*" asks for.
#if defined(_WIN64)
  const wchar_t assembly[] = L"\\winsxs\\amd64_microsoft.windows.common-controls_";
#else
  const wchar_t assembly[] = L"\\winsxs\\x86_microsoft.windows.common-controls_";
#endif
  EXPECT_NE(std::wstring::npos, folder.find(assembly)) << testing::PrintToString(folder);
  EXPECT_NE(std::wstring::npos, folder.find(L"_6.0.")) << testing::PrintToString(folder);

  HWND tooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, nullptr, nullptr);
  EXPECT_NE(nullptr, tooltip);
  if (tooltip)
    ::DestroyWindow(tooltip);
}

// Runs last: it changes the search order of the whole test process.
TEST(SystemDllsTest, RestrictedSearchSkipsTheProgramsFolder) {
  PlantedDll planted(L"quenby_planted.dll");
  ASSERT_TRUE(planted.planted());
  // Before the restriction, the loader finds the planted file and refuses it as no image.
  ::SetLastError(0);
  EXPECT_EQ(nullptr, ::LoadLibraryW(L"quenby_planted.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_EXE_FORMAT), ::GetLastError());

  ASSERT_TRUE(base::RestrictDllSearchToSystemFolder());
  ::SetLastError(0);
  EXPECT_EQ(nullptr, ::LoadLibraryW(L"quenby_planted.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), ::GetLastError());
}

}  // namespace
