#pragma once

#include <string>
#include <vector>

// What the administrator asked for on installer.exe's command line. Without arguments the
// installer is the wizard it always was.
struct CommandLineOptions {
  // "/S": installs without any window and asks nothing.
  bool silent = false;
  // "/?": shows the options and ends.
  bool help = false;
  // "/D=<folder>": the folder chosen as the browse button would choose it (the product folder
  // goes below it); absolute, without a trailing backslash unless it is a drive's root. Empty for
  // the default install folder.
  std::wstring chosenFolder;
  // "/LOG=<file>": where the run's log goes; empty for the default one in %TEMP%.
  std::wstring logPath;
};

struct ParsedCommandLine {
  CommandLineOptions options;
  // The first thing wrong with the command line (an unknown argument, a missing or relative
  // value); empty when every argument was understood. The options found are kept all the same,
  // so that a refused "/S" line still shows no window.
  std::wstring error;
  // Every argument that was not understood, in order, for the run's log.
  std::vector<std::wstring> ignored;
};

enum class StartChoice {
  kWizard,          // the wizard, whatever else the line holds
  kHelp,            // the options' message box
  kSilent,          // the silent install
  kBadCommandLine,  // a silent line with something wrong: nothing runs
};

// What a parsed command line starts. Only a silent install is refused for an argument it does not
// understand: an administrator's script must not install with options it did not mean. Without
// "/S" the wizard starts whatever the arguments, as shortcuts and launchers may pass their own
// (what was not understood goes to the log); "/?" answers when the line is not refused.
StartChoice ChooseStart(const ParsedCommandLine& parsed);

// Splits a whole command line as CommandLineToArgvW does (the program's name first, then the
// arguments) and reads the arguments. Option names are case-insensitive; "/D=" and "/LOG=" take
// the rest of their argument, spaces included when it was quoted. An option given twice keeps
// its last value.
ParsedCommandLine ParseCommandLine(const wchar_t* commandLine);

// The options and the exit codes, for the "/?" message box.
std::wstring UsageText();
