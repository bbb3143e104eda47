#include "engine/package_download.h"

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/install_engine.h"
#include "engine/common/text_convert.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_retry.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/scoped_engine_for_test.h"
#include "tests/support/temp_folder.h"

namespace {

struct Report {
  int stage, code, totalBytes, downloadedBytes, startTime;
  std::string fileName;
};

// Registers recording callbacks on the engine and serves files through the local update server.
class EngineTransferTest : public testing::Test {
 protected:
  void SetUp() override {
    server_ = EnvironmentValue(L"QUENBY_TEST_SERVER");
    tlsServer_ = EnvironmentValue(L"QUENBY_TEST_SERVER_TLS");
    servedRoot_ = EnvironmentValue(L"QUENBY_TEST_SERVER_ROOT");
    ASSERT_FALSE(server_.empty()) << "run through tools/update_server/with_server.py";
    // Retries wait in the tests only as long as it takes to write the wait down.
    InstallEngine& engine =
        scopedEngine_
            .emplace(prompt_, [this](int milliseconds) { waits_.push_back(milliseconds); })
            .engine();
    engine.downloadedBytes = 0;
    engine.totalBytes = 0;
    engine.startTime = 0;
    engine.SetCallbacks(
        [this](int stage, int code, int total, int downloaded, int start, const std::string& name) {
          reports_.push_back({stage, code, total, downloaded, start, name});
        },
        [](const RunOutcome&) {});
  }

  // Puts a manifest without files where CheckUpdate asks for it and returns it.
  std::string ServeEmptyManifest() {
    const std::wstring manifestDir = servedRoot_ + L"\\checkupdate\\tarskT\\shichang\\electron";
    std::filesystem::create_directories(std::filesystem::path(manifestDir));
    const std::string manifest = "<?xml version=\"1.0\"?><UpdateFiles></UpdateFiles>";
    EXPECT_TRUE(WriteFileBytes(manifestDir + L"\\update.xml", manifest));
    return manifest;
  }

  // How many requests the server has had for the address (its path).
  int RequestCount(const std::wstring& path) {
    std::string text;
    EXPECT_EQ(0, PerformTransfer(WideToAnsi((server_ + L"/-/count" + path).c_str()),
                                 &AppendToString, &text));
    return std::atoi(text.c_str());
  }

  // Puts bytes on the server under name and returns them.
  std::string Serve(const std::wstring& name, size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
      bytes[i] = static_cast<char>((i * 31 + i / 251) & 255);
    EXPECT_TRUE(WriteFileBytes(servedRoot_ + L"\\" + name, bytes));
    return bytes;
  }

  std::wstring server_, tlsServer_, servedRoot_;
  std::vector<Report> reports_;
  std::vector<int> waits_;
  RecordingPrompt prompt_;
  std::optional<ScopedEngineForTest> scopedEngine_;
  TempFolder folder_;
};

TEST_F(EngineTransferTest, WholeDownloadReportsEveryChunkAndTheEnd) {
  std::string body = Serve(L"client.pak", 700 * 1024 + 13);
  std::wstring target = folder_ / L"temp.pak";
  InstallEngine& engine = InstallEngine::Instance();
  engine.totalBytes = 12345;
  engine.startTime = 777;

  EXPECT_EQ(0, engine.DownloadFile(server_ + L"/client.pak", target, L"\u5BA2\u6237\u7AEF.dll"));

  EXPECT_EQ(body, ReadFileBytes(target));
  ASSERT_GE(reports_.size(), 2u);
  int previous = 0;
  for (const Report& r : reports_) {
    EXPECT_EQ(kStagePackageDownload, r.stage);
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(12345, r.totalBytes);
    EXPECT_EQ(777, r.startTime);
    EXPECT_EQ(WideToAnsi(L"\u5BA2\u6237\u7AEF.dll"), r.fileName);
    EXPECT_GE(r.downloadedBytes, previous);
    previous = r.downloadedBytes;
  }
  // Chunk reports advance the count; the end-of-file report repeats the final figure.
  EXPECT_EQ(static_cast<int>(body.size()), reports_.back().downloadedBytes);
  EXPECT_EQ(reports_.back().downloadedBytes, reports_[reports_.size() - 2].downloadedBytes);
  EXPECT_EQ(static_cast<int>(body.size()), engine.downloadedBytes);
  EXPECT_EQ(0, engine.resultCode);
  EXPECT_EQ(kStagePackageDownload, engine.stage);
}

// The manifest's size of a package only sizes the receive buffer: a body longer than said (read
// through a buffer far too small for it), shorter than said, or resumed after a dropped
// connection arrives whole all the same.
TEST_F(EngineTransferTest, ExpectedSizeOnlySizesTheReceiveBuffer) {
  struct Case {
    const wchar_t* name;
    size_t length;
    long long expectedBytes;
    const wchar_t* prefix;  // a fault before the file's path, or none
  };
  const Case kCases[] = {
      {L"exact.pak", 40000, 40000, L""},
      {L"longer.pak", 300000, 1000, L""},
      {L"shorter.pak", 3000, 5000000, L""},
      {L"resumed.pak", 200000, 200000, L"/-/droponce/5000"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << WideToAnsi(c.name));
    const std::string body = Serve(c.name, c.length);
    InstallEngine& engine = InstallEngine::Instance();
    engine.downloadedBytes = 0;
    const std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(0, engine.DownloadFile(server_ + c.prefix + L"/" + c.name, target, c.name,
                                     c.expectedBytes));
    EXPECT_TRUE(ReadFileBytes(target) == body);
    EXPECT_EQ(static_cast<int>(body.size()), engine.downloadedBytes);
  }
}

TEST_F(EngineTransferTest, DownloadedBytesAddUpOverFiles) {
  std::string first = Serve(L"a.pak", 5000);
  std::string second = Serve(L"b.pak", 70000);
  InstallEngine& engine = InstallEngine::Instance();
  EXPECT_EQ(0, engine.DownloadFile(server_ + L"/a.pak", folder_ / L"temp.pak", L"a"));
  EXPECT_EQ(0, engine.DownloadFile(server_ + L"/b.pak", folder_ / L"temp.pak", L"b"));
  EXPECT_EQ(75000, engine.downloadedBytes);
  EXPECT_EQ(second, ReadFileBytes(folder_ / L"temp.pak"));
}

// libcurl refused an address holding a space, and a Chinese name went out as its ANSI bytes, which
// name no file on the server. Escaped as UTF-8, both reach their files, through a redirect too.
TEST_F(EngineTransferTest, AddressWithSpacesAndCjkReachesTheFileOfThatName) {
  ASSERT_TRUE(::CreateDirectoryW((servedRoot_ + L"\\资料 1").c_str(), nullptr) ||
              ::GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string body = Serve(L"资料 1\\안 b.pak", 3000);
  for (const wchar_t* path : {L"/资料 1/안 b.pak", L"/-/redirect/资料 1/안 b.pak",
                              L"/%E8%B5%84%E6%96%99%201/%EC%95%88%20b.pak"}) {
    SCOPED_TRACE(WideToUtf8(path));
    const std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(0, InstallEngine::Instance().DownloadFile(server_ + path, target, L"안 b.pak"));
    EXPECT_TRUE(body == ReadFileBytes(target));
  }
}

TEST_F(EngineTransferTest, FailuresEndWithOneReportCarryingTheCode) {
  Serve(L"present.pak", 200000);
  struct Case {
    const wchar_t* path;
    int expectedCode;
    size_t expectedFileSize;
  };
  const Case kCases[] = {
      {L"/missing.pak", 22, 0},               // HTTP 404: nothing written
      {L"/-/status/500/present.pak", 22, 0},  // HTTP 500, on every try
      // The connection closes 1000 bytes into every answer; each of the four tries resumes
      // where the last one stopped.
      {L"/-/drop/1000/present.pak", 18, 4000},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << WideToAnsi(c.path));
    reports_.clear();
    std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(c.expectedCode,
              InstallEngine::Instance().DownloadFile(server_ + c.path, target, L"present.pak"));
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(c.expectedCode, reports_.back().code);
    EXPECT_EQ(kStagePackageDownload, reports_.back().stage);
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(c.expectedFileSize, ReadFileBytes(target).size());
  }
}

TEST_F(EngineTransferTest, TransientFailuresAreTriedAgainAndResume) {
  struct Case {
    const wchar_t* name;
    const wchar_t* prefix;  // the fault, before the file's path
    int expectedCode;
    int expectedRequests;
    std::vector<std::pair<int, int>> waitRanges;  // [low, high) of each wait, in milliseconds
  };
  const std::pair<int, int> kFirstWait{1000, 2000}, kSecondWait{2000, 3000}, kThirdWait{4000, 5000};
  const Case kCases[] = {
      {L"dropped.pak", L"/-/droponce/5000", 0, 2, {kFirstWait}},
      {L"busy.pak", L"/-/fail/2/503", 0, 3, {kFirstWait, kSecondWait}},
      {L"waited.pak", L"/-/fail/2/503+1", 0, 3, {kFirstWait, kFirstWait}},  // Retry-After: 1
      {L"toomany.pak", L"/-/fail/1/429", 0, 2, {kFirstWait}},
      // A server without ranges answers the resumed request whole: the file starts again.
      {L"norange.pak", L"/-/droponce/5000/-/norange", 0, 3, {kFirstWait}},
      {L"gone.pak", L"/-/fail/9/404", 22, 1, {}},
      {L"forbidden.pak", L"/-/fail/9/403", 22, 1, {}},
      {L"down.pak", L"/-/fail/9/503", 22, 4, {kFirstWait, kSecondWait, kThirdWait}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << WideToAnsi(c.name));
    const std::string body = Serve(c.name, 200000);
    reports_.clear();
    waits_.clear();
    InstallEngine& engine = InstallEngine::Instance();
    engine.downloadedBytes = 0;
    const std::wstring path = std::wstring(c.prefix) + L"/" + c.name;
    const std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(c.expectedCode, engine.DownloadFile(server_ + path, target, c.name));
    EXPECT_EQ(c.expectedRequests, RequestCount(path));
    ASSERT_EQ(c.waitRanges.size(), waits_.size());
    for (size_t i = 0; i < waits_.size(); ++i) {
      EXPECT_GE(waits_[i], c.waitRanges[i].first);
      EXPECT_LT(waits_[i], c.waitRanges[i].second);
    }
    // One end-of-file report, carrying the last try's code.
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(c.expectedCode, reports_.back().code);
    for (size_t i = 0; i + 1 < reports_.size(); ++i)
      EXPECT_EQ(0, reports_[i].code);
    if (c.expectedCode == 0) {
      // Byte for byte, and every byte counted once.
      EXPECT_TRUE(ReadFileBytes(target) == body);
      EXPECT_EQ(static_cast<int>(body.size()), engine.downloadedBytes);
    }
  }
}

TEST_F(EngineTransferTest, ManifestFetchIsTriedAgain) {
  const std::string manifest = ServeEmptyManifest();
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUpdateServer(server_ + L"/-/fail/2/502");
  EXPECT_EQ(0, engine.CheckUpdate());
  EXPECT_EQ(manifest, engine.manifestText);
  EXPECT_EQ(2u, waits_.size());
  ASSERT_EQ(1u, reports_.size());
  EXPECT_EQ(0, reports_[0].code);
}

TEST(TransferRetryTest, TransientFailures) {
  struct Case {
    int code;
    long status;
    bool transient;
  };
  const Case kCases[] = {
      {CURLE_COULDNT_CONNECT, 0, true},
      {CURLE_OPERATION_TIMEDOUT, 0, true},
      {CURLE_PARTIAL_FILE, 200, true},
      {CURLE_RECV_ERROR, 0, true},
      {CURLE_SEND_ERROR, 0, true},
      {CURLE_GOT_NOTHING, 0, true},
      {CURLE_HTTP_RETURNED_ERROR, 408, true},
      {CURLE_HTTP_RETURNED_ERROR, 429, true},
      {CURLE_HTTP_RETURNED_ERROR, 500, true},
      {CURLE_HTTP_RETURNED_ERROR, 502, true},
      {CURLE_HTTP_RETURNED_ERROR, 503, true},
      {CURLE_HTTP_RETURNED_ERROR, 504, true},
      {CURLE_HTTP_RETURNED_ERROR, 404, false},
      {CURLE_HTTP_RETURNED_ERROR, 403, false},
      {CURLE_HTTP_RETURNED_ERROR, 501, false},
      {CURLE_WRITE_ERROR, 200, false},
      {CURLE_COULDNT_RESOLVE_HOST, 0, false},
      {-1, 0, false},
      {CURLE_OK, 200, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.code << " " << c.status);
    EXPECT_EQ(c.transient, IsTransientFailure(c.code, c.status));
  }
}

TEST(TransferRetryTest, DelaysDoubleWithJitterAndHonourRetryAfter) {
  struct Case {
    int retry;
    long retryAfter;
    double jitter;
    int milliseconds;
  };
  const Case kCases[] = {
      {1, -1, 0.0, 1000},
      {2, -1, 0.5, 2500},
      {3, -1, 0.9995, 4999},
      {1, 10, 0.25, 10250},
      {3, 1, 0.0, 1000},
      {1, 30, 0.0, 30000},
      {1, 31, 0.0, 1000},  // a longer Retry-After is not
                           // waited for
      {2, 0, 0.0, 2000},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.retry << " " << c.retryAfter << " " << c.jitter);
    EXPECT_EQ(c.milliseconds, RetryDelayMilliseconds(c.retry, c.retryAfter, c.jitter));
  }
}

// An exception from the progress handler must not unwind through libcurl, which was not built
// to pass one on: the chunk counts as not written and the transfer fails.
TEST_F(EngineTransferTest, ExceptionInAChunkReportFailsTheTransfer) {
  Serve(L"client.pak", 300000);
  InstallEngine& engine = InstallEngine::Instance();
  int calls = 0;
  engine.SetCallbacks(
      [&](int stage, int code, int total, int downloaded, int start, const std::string& name) {
        if (++calls == 1)
          throw std::runtime_error("the handler failed");
        reports_.push_back({stage, code, total, downloaded, start, name});
      },
      [](const RunOutcome&) {});
  EXPECT_EQ(CURLE_WRITE_ERROR,
            engine.DownloadFile(server_ + L"/client.pak", folder_ / L"temp.pak", L"client.pak"));
  ASSERT_EQ(1u, reports_.size()) << "only the closing report follows the failed chunk";
  EXPECT_EQ(CURLE_WRITE_ERROR, reports_[0].code);
}

TEST_F(EngineTransferTest, NoTransferWithoutAddressPathOrFolder) {
  // A port nothing listens on: any attempted transfer would end with code 7, not -1.
  const std::wstring unreachable = L"http://127.0.0.1:9/x.pak";
  EXPECT_EQ(-1, DownloadToFile(L"", folder_ / L"temp.pak"));
  EXPECT_EQ(-1, DownloadToFile(unreachable, L""));
  EXPECT_EQ(
      -1, InstallEngine::Instance().DownloadFile(unreachable, folder_ / L"no\\temp.pak", L"x.pak"));
  ASSERT_EQ(1u, reports_.size());
  EXPECT_EQ(-1, reports_[0].code);
  EXPECT_EQ(-1, InstallEngine::Instance().resultCode);
}

TEST_F(EngineTransferTest, FollowsRedirectsIncludingToSelfSignedHttps) {
  std::string body = Serve(L"moved.pak", 4096);
  for (const wchar_t* path : {L"/-/redirect/moved.pak", L"/-/https/moved.pak"}) {
    SCOPED_TRACE(testing::Message() << WideToAnsi(path));
    std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(0, DownloadToFile(server_ + path, target));
    EXPECT_EQ(body, ReadFileBytes(target));
  }
}

TEST_F(EngineTransferTest, StalledTransferEndsWithFailure) {
  // What the installer waits before it gives a silent connection up; the fixture restores it.
  EXPECT_EQ(60, TransferStallLimit());
  Serve(L"stuck.pak", 100000);
  SetTransferStallLimit(2);
  int code = DownloadToFile(server_ + L"/-/stall/1000/stuck.pak", folder_ / L"temp.pak");
  EXPECT_EQ(28, code);  // CURLE_OPERATION_TIMEDOUT
}

// An elevated installer once wrote whatever a server sent, for as long as it sent it: an
// endless body filled the system drive, and a redirect could lead anywhere.
TEST_F(EngineTransferTest, HostileTransfersFailWithinTheirBounds) {
  Serve(L"hostile.pak", 50000);
  Serve(L"slow.pak", 5000);
  const long long length = 10000;  // the manifest's Length: less than what is served
  struct Case {
    const char* description;
    const wchar_t* path;
    int code;
  };
  const Case kCases[] = {
      {"an endless body", L"/-/endless/x", CURLE_FILESIZE_EXCEEDED},
      {"a body past Length, announced", L"/hostile.pak", CURLE_FILESIZE_EXCEEDED},
      {"a body past Length, unannounced", L"/-/nolength/hostile.pak", CURLE_FILESIZE_EXCEEDED},
      {"a redirect loop", L"/-/loop/x", CURLE_TOO_MANY_REDIRECTS},
      // libcurl knows no file: scheme here, and would refuse it by the protocol list.
      {"a redirect to another scheme", L"/-/scheme/x", CURLE_URL_MALFORMAT},
      // 20 bytes a second: a stall, however long it would go on.
      {"a trickle", L"/-/trickle/1/slow.pak", CURLE_OPERATION_TIMEDOUT},
  };
  SetTransferStallLimit(2);
  InstallEngine& engine = InstallEngine::Instance();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.description);
    const std::wstring target = folder_ / L"temp.pak";
    EXPECT_EQ(c.code,
              engine.DownloadFile(server_ + c.path, target, L"hostile.pak", length, length));
    EXPECT_LE(std::filesystem::file_size(target), static_cast<uintmax_t>(length));
  }
  // A package that arrives whole within its Length is untouched by the bound.
  const std::wstring target = folder_ / L"exact.pak";
  EXPECT_EQ(0, engine.DownloadFile(server_ + L"/hostile.pak", target, L"hostile.pak", 50000,
                                   50000));
  EXPECT_EQ(50000u, std::filesystem::file_size(target));
}

TEST_F(EngineTransferTest, ManifestPastItsBoundIsRefusedUnread) {
  const std::wstring manifestDir = servedRoot_ + L"\\checkupdate\\tarskT\\shichang\\electron";
  std::filesystem::create_directories(std::filesystem::path(manifestDir));
  std::string manifest = "<?xml version=\"1.0\"?><UpdateFiles>";
  manifest.resize((8 << 20) + 1, ' ');
  ASSERT_TRUE(WriteFileBytes(manifestDir + L"\\update.xml", manifest));
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUpdateServer(server_);
  EXPECT_EQ(CURLE_FILESIZE_EXCEEDED, engine.CheckUpdate());
  EXPECT_TRUE(engine.manifestText.empty());
}

// The progress contract's counts are int: a run past 2 GiB once wrapped them negative.
TEST_F(EngineTransferTest, ReceivedBytesPast2GiBHoldAtTheLargestInt) {
  InstallEngine& engine = InstallEngine::Instance();
  engine.CountReceived(3LL << 30);
  EXPECT_EQ(INT_MAX, engine.downloadedBytes);
  engine.CountReceived(2LL << 30);
  EXPECT_EQ(INT_MAX, engine.downloadedBytes);
  // The count under the int is still the true one.
  engine.CountReceived(-(5LL << 30) + 5);
  EXPECT_EQ(5, engine.downloadedBytes);
}

TEST_F(EngineTransferTest, CertificatesAreCheckedOnlyWhenTheBuildAsks) {
  const std::string body = Serve(L"secure.pak", 4096);
  const std::wstring target = folder_ / L"temp.pak";
  EXPECT_FALSE(TlsVerification()) << "the default build does not check certificates";
  EXPECT_EQ(0, DownloadToFile(tlsServer_ + L"/secure.pak", target));
  EXPECT_EQ(body, ReadFileBytes(target));
  SetTlsVerification(true);
  const int code = DownloadToFile(tlsServer_ + L"/secure.pak", target);
  SetTlsVerification(false);
  // The test server's certificate is its own: Schannel refuses it.
  EXPECT_TRUE(code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CONNECT_ERROR) << code;
}

TEST_F(EngineTransferTest, CheckUpdateFetchesTheManifestAndReportsStageOne) {
  const std::string manifest = ServeEmptyManifest();
  InstallEngine& engine = InstallEngine::Instance();

  engine.SetUpdateServer(server_);
  EXPECT_EQ(0, engine.CheckUpdate());
  EXPECT_EQ(manifest, engine.manifestText);
  ASSERT_EQ(1u, reports_.size());
  EXPECT_EQ(kStageUpdateCheck, reports_[0].stage);
  EXPECT_EQ(0, reports_[0].code);
  EXPECT_EQ("", reports_[0].fileName);
  EXPECT_EQ(0, reports_[0].downloadedBytes);

  // A server without the manifest: code 22, still one stage-1 report, no body kept.
  engine.SetUpdateServer(server_ + L"/-/status/404");
  EXPECT_EQ(22, engine.CheckUpdate());
  EXPECT_EQ("", engine.manifestText);
  ASSERT_EQ(2u, reports_.size());
  EXPECT_EQ(22, reports_[1].code);
}

// The stage-1 report starts the install worker, which writes resultCode at once; CheckUpdate once
// read that field back after reporting and returned the worker's code instead of its own.
TEST_F(EngineTransferTest, CheckUpdateReturnsItsOwnResultWhateverTheWorkerWrites) {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetCallbacks(
      [&engine](int, int, int, int, int, const std::string&) { engine.resultCode = 7; }, [](const RunOutcome&) {});
  engine.SetUpdateServer(server_ + L"/-/status/404");
  EXPECT_EQ(22, engine.CheckUpdate());
}

TEST(UpdateManifestAddressTest, CarriesTheCacheDefeatingQuery) {
  InstallEngine& engine = InstallEngine::Instance();
  engine.SetUpdateServer(L"http://h");
  std::wstring first = engine.UpdateManifestAddress();
  std::wstring prefix = L"http://h/checkupdate/tarskT/shichang/electron/update.xml?ts=8000";
  ASSERT_EQ(prefix, first.substr(0, prefix.size()));
  std::wstring number = first.substr(prefix.size());
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(std::wstring::npos, number.find_first_not_of(L"0123456789"));
  EXPECT_LE(std::stoi(number), 32767);
}

}  // namespace
