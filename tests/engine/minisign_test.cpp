#include "engine/manifest/minisign.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/temp_folder.h"

// Signatures made by the `minisign` tool itself over tests/engine/testdata/minisign/manifest.xml,
// in its default (hashed) mode and in its plain mode ("-l"), with the project's test key; and one
// made with a key that no build pins.
namespace {

std::string Fixture(const std::wstring& name) {
  return ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) + L"\\tests\\engine\\testdata\\minisign\\" +
                       name);
}

// The project's test key, as minisign wrote its ".pub" file.
std::string TestKeyFile() {
  return ReadFileBytes(std::wstring(QUENBY_SOURCE_DIR) +
                       L"\\tools\\publisher\\test_key\\quenby-test.pub");
}

std::vector<minisign::PublicKey> TestKey() {
  const std::optional<minisign::PublicKey> key = minisign::ParsePublicKey(TestKeyFile());
  EXPECT_TRUE(key.has_value());
  return key ? std::vector<minisign::PublicKey>{*key} : std::vector<minisign::PublicKey>{};
}

// The signature file's lines, to alter one of them.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

// Flips one bit of the byte that base64 character `at` of `line` encodes part of, keeping the
// text valid base64.
std::string FlipBase64Bit(std::string line, size_t at) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  line[at] = kAlphabet[kAlphabet.find(line[at]) ^ 1];
  return line;
}

}  // namespace

TEST(MinisignTest, AcceptsTheToolsSignaturesInBothModes) {
  const std::string manifest = Fixture(L"manifest.xml");
  ASSERT_FALSE(manifest.empty());
  for (const wchar_t* signature : {L"manifest.xml.hashed.minisig", L"manifest.xml.plain.minisig"}) {
    SCOPED_TRACE(testing::Message() << signature);
    std::string comment;
    EXPECT_EQ(minisign::Verdict::kValid,
              minisign::Verify(manifest, Fixture(signature), TestKey(), &comment));
    EXPECT_EQ("timestamp:1765000000 file:update.xml", comment);
  }
  // An empty file has a signature too.
  EXPECT_EQ(minisign::Verdict::kValid,
            minisign::Verify("", Fixture(L"empty.bin.minisig"), TestKey()));
}

TEST(MinisignTest, AcceptsLineEndsOfEitherKind) {
  std::string signature = Fixture(L"manifest.xml.hashed.minisig");
  std::string crlf;
  for (char c : signature)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(minisign::Verdict::kValid,
            minisign::Verify(Fixture(L"manifest.xml"), crlf, TestKey()));
}

TEST(MinisignTest, RefusesWhatTheKeyDidNotSign) {
  const std::string manifest = Fixture(L"manifest.xml");
  const std::string hashed = Fixture(L"manifest.xml.hashed.minisig");
  const std::vector<std::string> lines = SplitLines(hashed);
  ASSERT_EQ(4u, lines.size());

  std::string flippedData = manifest;
  flippedData[10] ^= 0x01;
  auto withLine = [&](size_t index, const std::string& line) {
    std::vector<std::string> changed = lines;
    changed[index] = line;
    return JoinLines(changed);
  };

  struct Case {
    const char* description;
    std::string data;
    std::string signature;
    minisign::Verdict verdict;
  };
  const Case kCases[] = {
      {"one bit of the file", flippedData, hashed, minisign::Verdict::kBadSignature},
      {"one bit of the plain signature's file", flippedData,
       Fixture(L"manifest.xml.plain.minisig"), minisign::Verdict::kBadSignature},
      {"one bit of the signature", manifest, withLine(1, FlipBase64Bit(lines[1], 40)),
       minisign::Verdict::kBadSignature},
      {"one bit of the trusted comment", manifest, withLine(2, lines[2] + "1"),
       minisign::Verdict::kBadTrustedComment},
      {"one bit of the trusted comment's signature", manifest,
       withLine(3, FlipBase64Bit(lines[3], 20)), minisign::Verdict::kBadTrustedComment},
      {"a key the build does not pin", manifest, Fixture(L"manifest.xml.foreign.minisig"),
       minisign::Verdict::kUnknownKey},
      {"the key id changed", manifest, withLine(1, FlipBase64Bit(lines[1], 4)),
       minisign::Verdict::kUnknownKey},
      {"an unknown algorithm", manifest, withLine(1, "RVg" + lines[1].substr(3)),
       minisign::Verdict::kMalformed},
      {"truncated base64", manifest, withLine(1, lines[1].substr(0, lines[1].size() - 4)),
       minisign::Verdict::kMalformed},
      {"base64 padded once more", manifest, withLine(1, lines[1] + "===="),
       minisign::Verdict::kMalformed},
      {"base64 with a space", manifest, withLine(3, std::string(" ").append(lines[3], 1)),
       minisign::Verdict::kMalformed},
      {"no trusted comment line", manifest, withLine(2, "comment: " + lines[2]),
       minisign::Verdict::kMalformed},
      {"only the first two lines", manifest, lines[0] + "\n" + lines[1] + "\n",
       minisign::Verdict::kMalformed},
      {"an empty signature file", manifest, "", minisign::Verdict::kMalformed},
      {"an empty file", "", hashed, minisign::Verdict::kBadSignature},
      {"an XML error page instead", manifest, "<html>404 Not Found</html>\n",
       minisign::Verdict::kMalformed},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.verdict, minisign::Verify(c.data, c.signature, TestKey()));
  }
  // Without a pinned key nothing verifies.
  EXPECT_EQ(minisign::Verdict::kUnknownKey, minisign::Verify(manifest, hashed, {}));
}

TEST(MinisignTest, ReadsPublicKeysAndPinnedLists) {
  const std::string testPub = TestKeyFile();
  const std::string foreignPub = Fixture(L"foreign.pub");
  const std::string testLine = SplitLines(testPub)[1];
  const std::string foreignLine = SplitLines(foreignPub)[1];

  ASSERT_TRUE(minisign::ParsePublicKey(testPub));
  ASSERT_TRUE(minisign::ParsePublicKey(testLine));
  EXPECT_FALSE(minisign::ParsePublicKey(""));
  EXPECT_FALSE(minisign::ParsePublicKey(testLine.substr(0, testLine.size() - 4)));
  EXPECT_FALSE(minisign::ParsePublicKey("RUR" + testLine.substr(3)));  // not an Ed key

  const auto both = minisign::ParsePinnedKeys(testLine + "; " + foreignLine);
  ASSERT_TRUE(both);
  EXPECT_EQ(2u, both->size());
  EXPECT_EQ(minisign::Verdict::kValid,
            minisign::Verify(Fixture(L"manifest.xml"), Fixture(L"manifest.xml.foreign.minisig"),
                             *both));
  const auto none = minisign::ParsePinnedKeys("");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  // A key pinned twice, or a list with something that is no key, is no list.
  EXPECT_FALSE(minisign::ParsePinnedKeys(testLine + ";" + testLine));
  EXPECT_FALSE(minisign::ParsePinnedKeys(testLine + ";not a key"));
}

TEST(MinisignTest, DecodesStrictBase64) {
  struct Case {
    const char* text;
    bool valid;
    const char* bytes;
  };
  const Case kCases[] = {
      {"", true, ""},           {"Zg==", true, "f"},  {"Zm8=", true, "fo"},
      {"Zm9v", true, "foo"},    {"Zh==", false, ""},  {"Zm9=", false, ""},
      {"Zg=", false, ""},       {"Z===", false, ""},  {"Zg==Zg==", false, ""},
      {"Zm9v\n", false, ""},    {"Zm-v", false, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    const auto bytes = minisign::DecodeBase64(c.text);
    ASSERT_EQ(c.valid, bytes.has_value());
    if (c.valid) {
      EXPECT_EQ(std::string(c.bytes), std::string(bytes->begin(), bytes->end()));
    }
  }
}

namespace {

TEST(MinisignTest, ReadsTheSigningTimeOfATrustedComment) {
  struct Case {
    const char* comment;
    std::optional<long long> seconds;
  };
  const Case kCases[] = {
      {"timestamp:1700000000\tfile:update.xml\thashed", 1700000000},
      {"timestamp:1700000000", 1700000000},
      {"file:update.xml\ttimestamp:42", 42},
      {"file:update.xml", std::nullopt},
      {"", std::nullopt},
      {"timestamp:", std::nullopt},
      {"timestamp:-5", std::nullopt},
      {"timestamp:12ab", std::nullopt},
      {"a timestamp:5", std::nullopt},
      {"timestamp:9999999999999", std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.comment);
    EXPECT_EQ(c.seconds, minisign::SigningTime(c.comment));
  }
}

}  // namespace
