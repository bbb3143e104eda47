#pragma once

#include <string>
#include <vector>

// Reading the proxy settings Windows keeps for the user: the named-proxy string, its bypass list
// and the answers of a PAC script. Pure text work, so that every form is tested without Windows.
//
// A route is what libcurl's CURLOPT_PROXY takes ("http://host:port", "socks5://host:port"), or
// an empty string for a direct connection.

// The parts of a transfer's address that proxy settings look at.
struct AddressParts {
  std::string scheme;  // lower case: "http", "https"
  std::string host;    // lower case, without the brackets of an IPv6 address
  int port = 0;        // the given port, else the scheme's default
};

// Splits "scheme://[user@]host[:port]/..." into its parts; false when the address has no host.
bool SplitAddress(const std::string& address, AddressParts& parts);

// The proxy the named-proxy setting gives for scheme: "host:port" for every scheme, or a list per
// scheme ("http=a:8080;https=b:8443", separated by ';' or spaces, where a "socks=" entry serves
// the schemes without their own). A proxy without a port gets 80, as Windows gives it. Empty when
// the setting gives no proxy for the scheme.
std::string NamedProxyFor(const std::wstring& proxySetting, const std::string& scheme);

// Whether the bypass list sends the address past the proxy. Entries are separated by ';', ',' or
// spaces and match the host, or host:port, case-insensitively with '*' as a wildcard
// ("*.corp.example", "10.*", "intranet:8080"); "<local>" matches names without a dot. Loopback
// (localhost, 127.x.x.x, ::1) is never sent to a proxy unless the list holds "<-loopback>".
bool IsBypassed(const AddressParts& address, const std::wstring& bypassList);

// The routes a PAC answer names, in its order and without repeats: "PROXY a:1; PROXY b:2; DIRECT"
// (also "HTTP", "HTTPS", "SOCKS", "SOCKS4", "SOCKS5") or WinHTTP's list of bare "host:port"
// entries. Entries of unknown kinds are skipped; an answer that names nothing usable is direct.
std::vector<std::string> ParsePacAnswer(const std::wstring& answer);
