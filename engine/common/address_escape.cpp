#include "engine/common/address_escape.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte) {
  out += '%';
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 15];
}

bool IsAsciiLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsUnreserved(unsigned char c) {
  return IsAsciiLetterOrDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// Bytes that cannot stand in a request line as they are: controls, space, DEL and non-ASCII.
bool NeedsEscapeInAddress(unsigned char c) {
  return c <= 0x20 || c >= 0x7F;
}

// Length of "scheme://host[:port]" at the start of address, or 0 when it has no such start.
size_t SchemeAndHostLength(std::string_view address) {
  const size_t separator = address.find("://");
  if (separator == std::string_view::npos || separator == 0)
    return 0;
  for (size_t i = 0; i < separator; ++i) {
    const unsigned char c = static_cast<unsigned char>(address[i]);
    if (!IsAsciiLetterOrDigit(c) && c != '+' && c != '-' && c != '.')
      return 0;
  }
  const size_t hostStart = separator + 3;
  const size_t hostEnd = address.find_first_of("/?#", hostStart);
  return hostEnd == std::string_view::npos ? address.size() : hostEnd;
}

}  // namespace

std::string EscapeAddress(std::string_view utf8Address) {
  const size_t kept = SchemeAndHostLength(utf8Address);
  std::string out(utf8Address.substr(0, kept));
  out.reserve(utf8Address.size());
  for (unsigned char c : utf8Address.substr(kept)) {
    if (NeedsEscapeInAddress(c))
      AppendEscaped(out, c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string EscapePathSegment(std::string_view utf8Name) {
  std::string out;
  out.reserve(utf8Name.size());
  for (unsigned char c : utf8Name) {
    if (IsUnreserved(c))
      out += static_cast<char>(c);
    else
      AppendEscaped(out, c);
  }
  return out;
}

std::string PackageAddress(std::string_view utf8Url, std::string_view utf8Name) {
  return EscapeAddress(utf8Url) + EscapePathSegment(utf8Name);
}
