#include "base/secret_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/freed_memory.h"

namespace base {
namespace {

// Longer than any string keeps inside its object, so that a plain string would use the heap.
constexpr char kSecret[] = "correct horse battery staple";
constexpr wchar_t kWideSecret[] = L"correct horse battery staple";

TEST(SecretStringTest, FreedMemoryWatchSeesAPlainStringsCopy) {
  FreedMemoryWatch watch(kSecret);
  { std::wstring plain(kWideSecret); }
  { std::string plain(kSecret); }
  EXPECT_EQ(2, watch.BlocksHoldingTheSecret());
}

TEST(SecretStringTest, NoStorageIsFreedWithTheSecretInIt) {
  FreedMemoryWatch watch(kSecret);
  {
    SecretWString wide;
    wide.Assign(L"short");
    wide.Assign(kWideSecret);  // grows: the first storage goes back
    SecretWString copy = wide;
    SecretWString moved = std::move(copy);
    SecretWString assigned;
    assigned = moved;
    const SecretString utf8 = SecretToUtf8(wide);
    EXPECT_STREQ(kSecret, utf8.c_str());
    EXPECT_EQ(std::wstring_view(kWideSecret), moved.view());
    EXPECT_TRUE(copy.empty());
    EXPECT_STREQ(L"", copy.c_str());

    // As a system call fills it.
    SecretWString buffer;
    buffer.Resize(256);
    wcscpy(buffer.data(), kWideSecret);
    buffer.TrimAtNul();
    EXPECT_EQ(wide.size(), buffer.size());
    buffer.Clear();
    EXPECT_TRUE(buffer.empty());
  }
  EXPECT_EQ(0, watch.BlocksHoldingTheSecret());
}

TEST(SecretStringTest, ConvertsEveryCharacterToUtf8) {
  EXPECT_STREQ("p\xC3\xA4ss \xE5\xAF\x86\xF0\x9F\x98\x80",
               SecretToUtf8(SecretWString(L"p\u00E4ss \u5BC6\U0001F600")).c_str());
  EXPECT_STREQ("", SecretToUtf8(SecretWString()).c_str());
}

}  // namespace
}  // namespace base
