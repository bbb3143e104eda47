#pragma once

#include <cstddef>
#include <string>

#include "engine/common/windows_errors.h"
#include "engine/transfer/transfer.h"

// Downloads url into the file at localPath ("wb+": created or truncated). The url is escaped as a
// browser would (EscapeAddress): spaces and non-ASCII characters become UTF-8 escapes. Returns 0
// when the whole body was written, libcurl's result code when the transfer failed, and -1 without
// any traffic when the url or the path is empty or the file cannot be opened (a link in the
// file's place is refused: outcome.writeError is then ERROR_REPARSE_POINT_ENCOUNTERED).
int DownloadToFile(const std::wstring& url, const std::wstring& localPath);

// The same transfer continuing a partial file: with resumeFrom above 0 the file is opened for
// appending and only the bytes from resumeFrom on are asked for (see PerformTransfer); 0 is
// DownloadToFile. Fills outcome. expectedBytes, when above 0, is the whole file's size as the
// manifest gives it, and maxBytes, when not negative, the most it may hold (see PerformTransfer).
int DownloadToFile(const std::wstring& url,
                   const std::wstring& localPath,
                   long long resumeFrom,
                   TransferOutcome& outcome,
                   long long expectedBytes = 0,
                   long long maxBytes = -1);

// libcurl write callbacks. WriteToFile writes a package chunk to the FILE* sink, advances the
// engine's downloadedBytes and makes a stage-2 report; AppendToString appends a manifest chunk
// to the std::string sink. Neither lets an exception out: the transfer fails instead.
size_t WriteToFile(char* data, size_t size, size_t count, void* file);
size_t AppendToString(char* data, size_t size, size_t count, void* text);
