#include <gtest/gtest.h>

#include <string>

#include "engine/manifest/manifest_reader.h"
#include "tests/support/manifest_text.h"
#include "tests/support/temp_folder.h"

namespace {

// Published by tools/publisher from the same release with and without patches from the one
// before (testdata/make_patch_fixtures.py).
const std::wstring kReleases = std::wstring(QUENBY_PATCH_FIXTURE_DIR) + L"\\releases\\";
const wchar_t kManifest[] = L"\\checkupdate\\tarskT\\shichang\\electron\\update.xml";

class ManifestPatchesTest : public testing::Test {
 protected:
  // An installation of the first release.
  void SetUp() override {
    ASSERT_TRUE(::CreateDirectoryW((folder_ / L"res").c_str(), nullptr));
    for (const wchar_t* file : {L"client.dll", L"readme.txt", L"res\\skin.dat"})
      ASSERT_TRUE(WriteFileBytes(folder_ / file, ReadFileBytes(kReleases + L"v1\\" + file)));
  }
  TempFolder folder_;
};

// Everything an installer that knows nothing of patches reads stays as it was.
TEST_F(ManifestPatchesTest, ManifestWithPatchesReadsAsWithout) {
  const std::string with = ReadFileBytes(kReleases + L"with_patches" + kManifest);
  const std::string without = ReadFileBytes(kReleases + L"without" + kManifest);
  ASSERT_NE(std::string::npos, with.find("<Patch "));
  const ManifestContents patched = ReadManifest(with, folder_.path());
  const ManifestContents plain = ReadManifest(without, folder_.path());
  EXPECT_TRUE(patched.readable);
  EXPECT_TRUE(plain.readable);
  EXPECT_EQ(plain.unchanged, patched.unchanged);
  ASSERT_EQ(3u, patched.items.size());
  ASSERT_EQ(plain.items.size(), patched.items.size());
  for (size_t i = 0; i < plain.items.size(); ++i) {
    const UpdateItem& a = plain.items[i];
    const UpdateItem& b = patched.items[i];
    SCOPED_TRACE(testing::Message() << a.name);
    EXPECT_EQ(a.url, b.url);
    EXPECT_EQ(a.length, b.length);
    EXPECT_EQ(a.targetPath, b.targetPath);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.sha256, b.sha256);
    EXPECT_EQ(a.sha256Malformed, b.sha256Malformed);
    EXPECT_TRUE(a.patches.empty());
  }
  // added.txt is new, so nothing patches it; the two changed files each have one patch.
  EXPECT_TRUE(patched.items[0].patches.empty());
  for (size_t i : {1u, 2u}) {
    const UpdateItem& item = patched.items[i];
    SCOPED_TRACE(testing::Message() << item.name);
    ASSERT_EQ(1u, item.patches.size());
    const PatchSource& patch = item.patches[0];
    EXPECT_EQ(32u, patch.fromMd5.size());
    EXPECT_EQ(0u, patch.url.find(L"http://127.0.0.1:1/r/patches/"));
    EXPECT_GT(patch.length, 0);
    EXPECT_EQ(64u, patch.sha256.size());
    EXPECT_LT(patch.length, item.length);
  }
}

// A patch entry the reader cannot trust is left out; the file is still listed with what stays.
TEST_F(ManifestPatchesTest, LeavesOutMalformedPatchEntries) {
  const std::string md5(32, 'a');
  const std::string sha(64, 'b');
  const std::string url = "http://h/p/a.patch";
  auto patch = [](const std::string& from, const std::string& address, const std::string& length,
                  const std::string& sha256) {
    return "<Patch FromMD5=\"" + from + "\" Url=\"" + address + "\" Length=\"" + length +
           "\" SHA256=\"" + sha256 + "\"/>";
  };
  struct Case {
    const char* description;
    std::string patches;
    size_t listed;
  };
  const Case kCases[] = {
      {"well formed", patch(md5, url, "12", sha), 1},
      {"digests in capitals and blanks",
       patch(" AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", url, "12", std::string(64, 'B')), 1},
      {"no FromMD5", "<Patch Url=\"" + url + "\" Length=\"12\" SHA256=\"" + sha + "\"/>", 0},
      {"short FromMD5", patch("abc", url, "12", sha), 0},
      {"from the listed file itself", patch(std::string(32, 'c'), url, "12", sha), 0},
      {"no SHA256", patch(md5, url, "12", ""), 0},
      {"SHA256 not hex", patch(md5, url, "12", std::string(64, 'g')), 0},
      {"relative address", patch(md5, "p/a.patch", "12", sha), 0},
      {"address with a blank", patch(md5, "http://h/p/a b.patch", "12", sha), 0},
      {"address beyond ASCII", patch(md5, "http://h/\xe5\xae\x89.patch", "12", sha), 0},
      {"length zero", patch(md5, url, "0", sha), 0},
      {"length negative", patch(md5, url, "-5", sha), 0},
      {"length with letters", patch(md5, url, "12x", sha), 0},
      {"length beyond int", patch(md5, url, "99999999999", sha), 0},
      {"second from the same file", patch(md5, url, "12", sha) + patch(md5, url, "13", sha), 1},
      {"bad beside good", patch("x", url, "1", sha) + patch(md5, url, "12", sha), 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    std::string entry = ManifestFileEntry("client.dll", "", std::string(32, 'c'), "100");
    entry.insert(entry.rfind("</File>"), c.patches);
    const std::vector<UpdateItem> items = ReadUpdateItems(ManifestText(entry), folder_.path());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(100, items[0].length);
    ASSERT_EQ(c.listed, items[0].patches.size());
    if (c.listed == 1) {
      EXPECT_EQ(md5, items[0].patches[0].fromMd5);
      EXPECT_EQ(L"http://h/p/a.patch", items[0].patches[0].url);
      EXPECT_EQ(12, items[0].patches[0].length);
      EXPECT_EQ(sha, items[0].patches[0].sha256);
    }
  }
}

}  // namespace
