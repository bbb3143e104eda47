// Test helper: holds a file open the way a running program holds its own files: read access,
// shared for reading only, so that nothing can write, delete or rename over it.
//   hold-file <path> [seconds]
// Holds the file until the process is ended, or for the seconds given. Exit code 1 when the file
// cannot be opened, 2 for a bad command line.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3)
    return 2;
  // The test probes the file for write access until it is held; an open that meets a probe is
  // tried again.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int tries = 0; file == INVALID_HANDLE_VALUE && tries < 1000; ++tries) {
    file = ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_SHARING_VIOLATION)
      return 1;
    if (file == INVALID_HANDLE_VALUE)
      ::Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE)
    return 1;
  ::Sleep(argc == 3 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) * 1000 : INFINITE);
  ::CloseHandle(file);
  return 0;
}
