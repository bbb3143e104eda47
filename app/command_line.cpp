#include "app/command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "base/scoped_generic.h"
#include "base/string_compare.h"

namespace {

// CommandLineToArgvW's array, given back with LocalFree.
struct LocalArgvTraits {
  static bool IsValid(LPWSTR* argv) { return argv != nullptr; }
  static void Free(LPWSTR* argv) { ::LocalFree(argv); }
};
using ScopedArgv = base::ScopedGeneric<LPWSTR*, LocalArgvTraits>;

// The value of "<name><value>" when argument starts with name (any case).
bool TakeValue(const std::wstring& argument, std::wstring_view name, std::wstring& value) {
  if (argument.size() < name.size() ||
      !base::EqualsIgnoringCase(std::wstring_view(argument).substr(0, name.size()), name))
    return false;
  value = argument.substr(name.size());
  return true;
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// "X:\..." or "\\server\share...": a folder that does not depend on the current one.
bool IsAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]))
    return true;
  return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

}  // namespace

ParsedCommandLine ParseCommandLine(const wchar_t* commandLine) {
  ParsedCommandLine parsed;
  // An empty line would make CommandLineToArgvW name this program, which is no argument either.
  if (!commandLine || !*commandLine)
    return parsed;
  int count = 0;
  const ScopedArgv argv(::CommandLineToArgvW(commandLine, &count));
  for (int i = 1; argv && i < count; ++i) {
    const std::wstring argument = argv.Get()[i];
    std::wstring value;
    std::wstring error;
    if (base::EqualsIgnoringCase(argument, L"/S")) {
      parsed.options.silent = true;
    } else if (argument == L"/?") {
      parsed.options.help = true;
    } else if (TakeValue(argument, L"/D=", value)) {
      // The folder dialog gives a folder without a trailing backslash, except a drive's root.
      while (value.size() > 3 && IsSeparator(value.back()))
        value.pop_back();
      if (IsAbsolute(value))
        parsed.options.chosenFolder = value;
      else
        error = L"/D= needs an absolute folder, such as /D=D:\\Programs: ";
    } else if (TakeValue(argument, L"/LOG=", value) && !value.empty()) {
      parsed.options.logPath = value;
    } else {
      error = L"Unknown option or missing value: ";
    }
    if (!error.empty()) {
      parsed.ignored.push_back(argument);
      if (parsed.error.empty())
        parsed.error = error + argument;
    }
  }
  return parsed;
}

StartChoice ChooseStart(const ParsedCommandLine& parsed) {
  if (parsed.options.silent && !parsed.error.empty())
    return StartChoice::kBadCommandLine;
  if (parsed.options.help)
    return StartChoice::kHelp;
  return parsed.options.silent ? StartChoice::kSilent : StartChoice::kWizard;
}

std::wstring UsageText() {
  return L"installer.exe [/S] [/D=<folder>] [/LOG=<file>]\n\n"
         L"/S\tinstall without a window, asking nothing\n"
         L"/D=<folder>\tinstall into <folder>\\velmora (quote the whole option when the folder "
         L"has spaces: \"/D=D:\\My Apps\")\n"
         L"/LOG=<file>\tthe log, instead of Quenby-install-<date>-<time>.log in "
         L"%ProgramData%\\Quenby\\logs (an elevated installer) or %TEMP%\n"
         L"/?\tthis message\n\n"
         L"Exit codes: 0 installed, 1 failed (see the log), 2 bad command line (/S), 3 another "
         L"installer still ran after 10 minutes, 4 internal error (see the log)\n";
}
