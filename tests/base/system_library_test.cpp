#include "base/system_library.h"

#include <gtest/gtest.h>

#include <string>

namespace base {
namespace {

TEST(SystemLibraryTest, LoadsFromTheSystemFolderOnly) {
  HMODULE module = LoadSystemLibrary(L"msimg32.dll");
  ASSERT_NE(nullptr, module);
  wchar_t path[MAX_PATH], folder[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(module, path, MAX_PATH), 0u);
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(0, ::_wcsnicmp(path, folder, length)) << testing::PrintToString(std::wstring(path));
  EXPECT_NE(nullptr, GetProcedure<FARPROC>(module, "AlphaBlend"));
  EXPECT_EQ(nullptr, GetProcedure<FARPROC>(module, "NoSuchRoutine"));
  EXPECT_EQ(nullptr, GetProcedure<FARPROC>(nullptr, "AlphaBlend"));
}

TEST(SystemLibraryTest, RefusesAnythingButAPlainFileName) {
  for (const wchar_t* name :
       {L"..\\msimg32.dll", L"C:\\msimg32.dll", L"sub/msimg32.dll", L"C:msimg32.dll", L""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
    EXPECT_EQ(nullptr, LoadSystemLibrary(name));
  }
  EXPECT_EQ(nullptr, LoadSystemLibrary(nullptr));
}

}  // namespace
}  // namespace base
