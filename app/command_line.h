#pragma once

#include <string>

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
  // Why the command line was refused (the first thing wrong with it); empty when understood.
  // The options found are kept all the same, so that a refused "/S" line still shows no window.
  std::wstring error;
};

// Splits a whole command line as CommandLineToArgvW does (the program's name first, then the
// arguments) and reads the arguments. Option names are case-insensitive; "/D=" and "/LOG=" take
// the rest of their argument, spaces included when it was quoted. An option given twice keeps
// its last value.
ParsedCommandLine ParseCommandLine(const wchar_t* commandLine);

// The options and the exit codes, for the "/?" message box.
std::wstring UsageText();
