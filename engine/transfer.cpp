#include "engine/transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "engine/proxy_credentials.h"
#include "engine/proxy_routes.h"
#include "engine/system_root_certificates.h"
#include "engine/transfer_session.h"

namespace {

std::atomic<int> stallLimitSeconds{60};

#ifndef QUENBY_VERIFY_TLS
#error "QUENBY_VERIFY_TLS must say whether servers' certificates are checked (0 or 1)"
#endif
std::atomic<bool> tlsVerification{QUENBY_VERIFY_TLS != 0};

// Bytes libcurl hands over per receive call. Under Wine every receive has a fixed cost, so large
// calls matter; each chunk still makes one progress report.
constexpr long kReceiveBufferBytes = 1 << 20;
// A body of known size gets a buffer that holds it and the response's header with this much to
// spare, in steps of this much, and never less than libcurl's own default.
constexpr long kReceiveBufferStep = 16 << 10;

// The receive buffer for a body of expectedBytes (0: unknown).
long ReceiveBufferBytes(long long expectedBytes) {
  if (expectedBytes <= 0 || expectedBytes >= kReceiveBufferBytes)
    return kReceiveBufferBytes;
  const long long steps = expectedBytes / kReceiveBufferStep + 2;
  return static_cast<long>(std::min<long long>(steps * kReceiveBufferStep, kReceiveBufferBytes));
}

// Connections and name lookups shared by every transfer of the process, so that the packages of
// an install (and the manifest before them) travel over one kept-alive connection instead of a
// new one per file. The manifest and the packages are fetched on different threads, one after
// the other; the locks are what libcurl asks of a share used from more than one thread.
class TransferShare {
 public:
  TransferShare() : share_(curl_share_init()) {
    if (share_ == nullptr)
      return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
  TransferShare(const TransferShare&) = delete;
  TransferShare& operator=(const TransferShare&) = delete;

  CURLSH* Get() const { return share_; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<TransferShare*>(self)->MutexFor(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<TransferShare*>(self)->MutexFor(data).unlock();
  }
  std::mutex& MutexFor(curl_lock_data data) {
    return mutexes_[static_cast<size_t>(data) < kMutexCount ? data : 0];
  }

  static constexpr size_t kMutexCount = CURL_LOCK_DATA_LAST;
  CURLSH* share_;
  std::mutex mutexes_[kMutexCount];
};

CURLSH* SharedConnections() {
  // Never destroyed: a detached worker may still be transferring when the process exits.
  static TransferShare* const share = new TransferShare;
  return share->Get();
}

// Whether a transfer through a proxy failed at the proxy itself, before anything of the body
// arrived: the proxy's name or connection, its handshake, or its 502 for a server it could not
// reach. Such a transfer is tried by the next route at once.
bool ProxyFailed(int result, long httpStatus) {
  return result == CURLE_COULDNT_RESOLVE_PROXY || result == CURLE_COULDNT_CONNECT ||
         result == CURLE_PROXY || (result == CURLE_HTTP_RETURNED_ERROR && httpStatus == 502);
}

constexpr long kProxyAuthenticationRequired = 407;

// The body's bound, between libcurl and the caller's writer: a chunk that would pass it ends the
// transfer (libcurl then reports a write error, which the attempt turns into the bound's code).
struct BoundedSink {
  TransferWriter writer;
  void* sink;
  long long remaining;  // negative: no bound
  bool tooLong = false;
};

size_t WriteWithinBound(char* data, size_t size, size_t count, void* boundedSink) {
  auto* bounded = static_cast<BoundedSink*>(boundedSink);
  const long long bytes = static_cast<long long>(size) * static_cast<long long>(count);
  if (bounded->remaining >= 0) {
    if (bytes > bounded->remaining) {
      bounded->tooLong = true;
      return 0;
    }
    bounded->remaining -= bytes;
  }
  return bounded->writer(data, size, count, bounded->sink);
}

// What one transfer asks for, whichever route takes it (see PerformTransfer).
struct TransferRequest {
  const std::string& address;
  TransferWriter writer;
  void* sink;
  long long resumeFrom;
  long long expectedBytes;
  long long maxBytes;
};

// What one attempt by one route came to: libcurl's result, the outcome, and the proxy's own
// answer when it refused the request or the tunnel (else 0).
struct RouteResult {
  int code = CURLE_FAILED_INIT;
  TransferOutcome outcome;
  long proxyStatus = 0;
};

// One attempt by one route: a proxy, or empty for libcurl's own choice (direct, or the
// environment's proxy variables where a developer has set them). With credentials, the proxy
// gets them by whatever method it asks for.
RouteResult PerformByRoute(const TransferRequest& request,
                           const std::string& route,
                           const ProxyCredentials* credentials) {
  RouteResult attempt;
  TransferOutcome& outcome = attempt.outcome;
  TransferSession& session = TransferSession::ForThisThread();
  CURL* curl = session.Prepare();
  if (curl == nullptr)
    return attempt;
  const long long resumeFrom = request.resumeFrom;
  const long long expectedBytes = request.expectedBytes;
  const long long maxBytes = request.maxBytes;
  curl_easy_setopt(curl, CURLOPT_URL, request.address.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMostRedirects);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  const long verify = TlsVerification() ? 1L : 0L;
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, verify);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, verify * 2);
  if (verify) {
    // libcurl checks the chain and the name itself against the system's roots; a revocation
    // list that cannot be reached does not fail an install.
    const std::string& roots = SystemRootCertificatesPem();
    curl_blob blob{const_cast<char*>(roots.data()), roots.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  }
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  // Under kStallBytesPerSecond over the limit counts as a stalled transfer (code 28).
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallLimitSeconds.load()));
  BoundedSink bounded{request.writer, request.sink,
                      maxBytes < 0 ? -1 : std::max(maxBytes - resumeFrom, 0LL)};
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteWithinBound);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bounded);
  // The bound is kept in the writer alone: libcurl's own size limit would also stop on the
  // pages of a proxy's authentication answers (407), which it reads and drops on the way to the
  // body, and end the transfer before the proxy was ever answered.
  if (!route.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXY, route.c_str());
    // The bypass list has been applied already; the environment's no_proxy must not undo it.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    // An office proxy that asks who we are gets the logged-on user through SSPI (the empty
    // name and password), without asking the user anything.
    if (credentials == nullptr) {
      curl_easy_setopt(curl, CURLOPT_PROXYAUTH,
                       static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
      curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
    } else {
      curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
      curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, credentials->userName.c_str());
      curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, credentials->password.c_str());
    }
  }
  // Options that only change speed.
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                   ReceiveBufferBytes(expectedBytes > 0 ? expectedBytes - resumeFrom : 0));
  if (CURLSH* share = SharedConnections())
    curl_easy_setopt(curl, CURLOPT_SHARE, share);
  if (resumeFrom > 0)
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom));
  int& result = attempt.code;
  result = session.Run();
  outcome.httpStatus = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &outcome.httpStatus);
  if (bounded.tooLong)
    result = CURLE_FILESIZE_EXCEEDED;
  curl_off_t retryAfter = 0;
  const bool known = curl_easy_getinfo(curl, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK;
  outcome.retryAfterSeconds = known && retryAfter > 0 ? static_cast<long>(retryAfter) : -1;
  if (!route.empty()) {
    long connectStatus = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    if (connectStatus >= 300)
      attempt.proxyStatus = connectStatus;
    else if (outcome.httpStatus == kProxyAuthenticationRequired)
      attempt.proxyStatus = outcome.httpStatus;
  }
  return attempt;
}

// A proxy that still answers 407 after the logged-on user's credentials wants a password: the
// user is asked (once a run) and the attempt is made again with what was given. A 407 that
// stays ends the transfer as an HTTP error, which is not tried again.
RouteResult PerformByProxyRoute(const TransferRequest& request, const std::string& route) {
  RouteResult attempt = PerformByRoute(request, route, nullptr);
  if (attempt.proxyStatus == kProxyAuthenticationRequired) {
    ProxyCredentials credentials;
    if (ProxyCredentialStore::Instance().CredentialsFor(route, credentials))
      attempt = PerformByRoute(request, route, &credentials);
  }
  if (attempt.proxyStatus == kProxyAuthenticationRequired && attempt.code != CURLE_OK) {
    attempt.outcome.httpStatus = kProxyAuthenticationRequired;
    attempt.code = CURLE_HTTP_RETURNED_ERROR;
  }
  return attempt;
}

}  // namespace

void SetTlsVerification(bool verify) {
  tlsVerification = verify;
}

bool TlsVerification() {
  return tlsVerification;
}

void SetTransferStallLimit(int seconds) {
  stallLimitSeconds = seconds;
}

int TransferStallLimit() {
  return stallLimitSeconds;
}

int PerformTransfer(const std::string& address,
                    TransferWriter writer,
                    void* sink,
                    long long resumeFrom,
                    TransferOutcome* outcome,
                    long long expectedBytes,
                    long long maxBytes) {
  ProxyRoutes& proxyRoutes = ProxyRoutes::Instance();
  std::vector<std::string> routes = proxyRoutes.RoutesFor(address);
  // When every proxy fails, direct is tried once before the caller's retry rules apply.
  if (std::find(routes.begin(), routes.end(), std::string()) == routes.end())
    routes.push_back(std::string());
  const TransferRequest request{address, writer, sink, resumeFrom, expectedBytes, maxBytes};
  RouteResult attempt;
  for (const std::string& route : routes) {
    attempt = PerformByProxyRoute(request, route);
    // A proxy that asks for credentials is reached; going past it would only hide the question.
    const bool askedForCredentials = attempt.outcome.httpStatus == kProxyAuthenticationRequired;
    if (askedForCredentials || !ProxyFailed(attempt.code, attempt.outcome.httpStatus)) {
      proxyRoutes.RememberWorking(address, route);
      break;
    }
  }
  if (outcome != nullptr)
    *outcome = attempt.outcome;
  return attempt.code;
}
