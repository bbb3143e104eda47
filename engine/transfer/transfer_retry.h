#pragma once

// When and how soon a failed transfer is tried again. A crowded network drops connections, stalls
// and answers "busy" now and then; such failures are tried again a few times, with growing waits
// and a random part, so that many installers do not come back in step.

// Retries after the first attempt.
constexpr int kTransferRetries = 3;

// Whether a transfer that ended with `resultCode` (libcurl's, or -1) after an HTTP status of
// `httpStatus` (0 when none arrived) may succeed when tried again: no connection, a timeout or
// stall, a partial body, a send or receive error, an empty reply, or the statuses 408, 429, 500,
// 502, 503 and 504. Other statuses, a local folder or file that cannot be written, and a refused
// write are not retried.
bool IsTransientFailure(int resultCode, long httpStatus);

// The wait before retry number `retry` (1 for the first): 1, 2, then 4 seconds, or the server's
// Retry-After when it asked for 1 to 30 seconds, plus `jitter` (in [0, 1)) of a second.
int RetryDelayMilliseconds(int retry, long retryAfterSeconds, double jitter);
