// The least work an installer of this design must do under Wine for each file, and nothing
// else: connect, one GET received with 1 MiB calls into "temp.pak", read the package back and
// write it out as name + ".tmp", delete "temp.pak", and replace the file. The unpack does what
// decoding stored data costs: each block is copied into a dictionary buffer and checked with
// CRC-32 before it is written, as an LZMA2 copy chunk is decoded and a 7z folder checked (7zz
// stores incompressible data that way). The benchmark compares the engine with it.
//
//   wine-floor <list file>
// Each line of the list: port|path|folder|name (folder is a Windows path ending in "\").
// winsock2.h goes first: windows.h would otherwise bring in the older winsock.h.
#include <winsock2.h>

#include <windows.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kChunk = 1 << 20;

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length : 0);
  return wide;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
  DWORD written = 0;
  return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Fetches http://127.0.0.1:port/path into the file at packagePath.
bool Fetch(int port,
           const std::string& path,
           const std::wstring& packagePath,
           std::vector<char>& buffer) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::closesocket(s);
    return false;
  }
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  ::send(s, request.data(), static_cast<int>(request.size()), 0);
  HANDLE file = ::CreateFileW(packagePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  bool headerDone = false;
  std::string header;
  bool ok = file != INVALID_HANDLE_VALUE;
  for (int received; ok && (received = ::recv(s, buffer.data(), kChunk, 0)) > 0;) {
    const char* body = buffer.data();
    int bodySize = received;
    if (!headerDone) {
      header.append(buffer.data(), received);
      size_t end = header.find("\r\n\r\n");
      if (end == std::string::npos)
        continue;
      headerDone = true;
      body = header.data() + end + 4;
      bodySize = static_cast<int>(header.size() - end - 4);
      ok = header.compare(0, 12, "HTTP/1.1 200") == 0;
    }
    ok = ok && WriteAll(file, body, bodySize);
  }
  ::closesocket(s);
  if (file != INVALID_HANDLE_VALUE)
    ::CloseHandle(file);
  return ok && headerDone;
}

bool Unpack(const std::wstring& from,
            const std::wstring& to,
            std::vector<char>& buffer,
            std::vector<char>& dictionary,
            uLong& crc) {
  HANDLE in = ::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  HANDLE out = ::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;
  DWORD read = 0;
  crc = crc32(0, nullptr, 0);
  while (ok && ::ReadFile(in, buffer.data(), kChunk, &read, nullptr) && read > 0) {
    std::memcpy(dictionary.data(), buffer.data(), read);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(dictionary.data()), read);
    ok = WriteAll(out, dictionary.data(), read);
  }
  if (in != INVALID_HANDLE_VALUE)
    ::CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE)
    ::CloseHandle(out);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2)
    return 2;
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  FILE* list = std::fopen(argv[1], "rb");
  if (list == nullptr)
    return 2;
  std::vector<char> buffer(kChunk), dictionary(kChunk);
  std::set<std::wstring> folders;
  char line[4096];
  int files = 0;
  uLong crc = 0, crcs = 0;
  while (std::fgets(line, sizeof line, list)) {
    std::string fields[4];
    int field = 0;
    for (const char* c = line; *c && *c != '\n' && *c != '\r'; ++c) {
      if (*c == '|' && field < 3)
        ++field;
      else
        fields[field] += *c;
    }
    std::wstring folder = Wide(fields[2]), name = Wide(fields[3]);
    if (folders.insert(folder).second) {
      for (size_t end = folder.find(L'\\', 3); end != std::wstring::npos;
           end = folder.find(L'\\', end + 1))
        ::CreateDirectoryW(folder.substr(0, end).c_str(), nullptr);
    }
    const std::wstring package = folder + L"temp.pak", unpacked = folder + name + L".tmp";
    if (!Fetch(std::atoi(fields[0].c_str()), fields[1], package, buffer) ||
        !Unpack(package, unpacked, buffer, dictionary, crc) || !::DeleteFileW(package.c_str()) ||
        !::MoveFileExW(unpacked.c_str(), (folder + name).c_str(), MOVEFILE_REPLACE_EXISTING)) {
      std::fprintf(stderr, "failed: %s\n", line);
      return 1;
    }
    ++files;
    crcs ^= crc;
  }
  std::fclose(list);
  // The checksums are printed, so that no check is optimised away.
  std::printf("%d files, CRC-32s %08lx\n", files, crcs);
  return 0;
}
