#pragma once

#include <string>
#include <string_view>

// Request addresses as libcurl must be given them: ASCII only. A raw space is no URL (libcurl
// refuses it), a raw non-ASCII byte reaches the server in whatever encoding the client happened
// to use, and '#', '%', '?' in a file name change what the address means.

// An address as a publisher writes it (UTF-8), made fit for a request the way browsers do: after
// the scheme and host, every space, control character and non-ASCII byte is written %XX.
// Everything else is kept as written, escapes such as "%20" included. The host is left alone:
// percent-encoding a host name would name another host.
std::string EscapeAddress(std::string_view utf8Address);

// A file name (UTF-8) as one path segment (RFC 3986): every byte outside the unreserved set
// (letters, digits, "-._~") is written %XX, separators and '%' included.
std::string EscapePathSegment(std::string_view utf8Name);

// Where a manifest entry's package is fetched from: its "Url" escaped as an address, followed
// directly by its "Name" as one path segment. Both are the manifest's UTF-8 text.
std::string PackageAddress(std::string_view utf8Url, std::string_view utf8Name);
