#include "engine/transfer/transfer_attempt.h"

#include <algorithm>

#include "engine/transfer/proxy_credentials.h"
#include "engine/transfer/system_root_certificates.h"

namespace {

// Bytes libcurl hands over per receive call. Under Wine every receive has a fixed cost, so large
// calls matter.
constexpr long kReceiveBufferBytes = 1 << 20;
// A body of known size gets a buffer that holds it and the response's header with this much to
// spare, in steps of this much, and never less than libcurl's own default.
constexpr long kReceiveBufferStep = 16 << 10;

// The receive buffer for a body of expectedBytes (0: unknown). libcurl allocates the buffer for
// every transfer, and under Wine a fresh megabyte (its pages faulted in by the first receive)
// costs more than a small file's whole transfer.
long ReceiveBufferBytes(long long expectedBytes) {
  if (expectedBytes <= 0 || expectedBytes >= kReceiveBufferBytes)
    return kReceiveBufferBytes;
  const long long steps = expectedBytes / kReceiveBufferStep + 2;
  return static_cast<long>(std::min<long long>(steps * kReceiveBufferStep, kReceiveBufferBytes));
}

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
  const size_t written = bounded->writer(data, size, count, bounded->sink);
  if (bounded->onChunk != nullptr)
    bounded->onChunk(bounded->context, written);
  return written;
}

}  // namespace

bool ProxyFailed(int result, long httpStatus) {
  return result == CURLE_COULDNT_RESOLVE_PROXY || result == CURLE_COULDNT_CONNECT ||
         result == CURLE_PROXY || (result == CURLE_HTTP_RETURNED_ERROR && httpStatus == 502);
}

void ConfigureAttempt(CURL* curl,
                      const TransferRequest& request,
                      const std::string& route,
                      const ProxyCredentials* credentials,
                      BoundedSink& bounded) {
  const long long resumeFrom = request.resumeFrom;
  curl_easy_setopt(curl, CURLOPT_URL, request.address.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMostRedirects);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // A transfer ended while its name is still being looked up does not wait for the lookup:
  // libcurl's resolver thread is left to finish alone.
  curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
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
  const long long maxBytes = request.maxBytes;
  bounded.writer = request.writer;
  bounded.sink = request.sink;
  bounded.remaining = maxBytes < 0 ? -1 : std::max(maxBytes - resumeFrom, 0LL);
  bounded.tooLong = false;
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
  const long long expectedBytes = request.expectedBytes;
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                   ReceiveBufferBytes(expectedBytes > 0 ? expectedBytes - resumeFrom : 0));
  if (resumeFrom > 0)
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom));
}

RouteResult ReadAttempt(CURL* curl,
                        int code,
                        const std::string& route,
                        const BoundedSink& bounded) {
  RouteResult attempt;
  attempt.code = bounded.tooLong ? CURLE_FILESIZE_EXCEEDED : code;
  TransferOutcome& outcome = attempt.outcome;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &outcome.httpStatus);
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
