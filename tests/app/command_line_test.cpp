#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CommandLineTest, ReadsTheOptionsAsWindowsSplitsTheLine) {
  struct Case {
    const wchar_t* commandLine;
    bool silent;
    bool help;
    const wchar_t* chosenFolder;
    const wchar_t* logPath;
    bool refused;
  };
  const Case kCases[] = {
      // No arguments: the wizard as always; an empty line names only the program.
      {L"installer.exe", false, false, L"", L"", false},
      {L"", false, false, L"", L"", false},
      {L"\"C:\\Down loads\\installer.exe\"", false, false, L"", L"", false},
      // Option names in any case.
      {L"installer.exe /S", true, false, L"", L"", false},
      {L"installer.exe /s", true, false, L"", L"", false},
      {L"installer.exe /?", false, true, L"", L"", false},
      {L"installer.exe /S /d=D:\\Apps /log=C:\\x.log", true, false, L"D:\\Apps", L"C:\\x.log",
       false},
      // The folder takes the rest of its argument: quoted whole, or quoted after "=".
      {L"installer.exe /S \"/D=C:\\My Programs\\Q\"", true, false, L"C:\\My Programs\\Q", L"",
       false},
      {L"installer.exe /D=\"C:\\My Programs\"", false, false, L"C:\\My Programs", L"", false},
      {L"installer.exe \"/LOG=C:\\Log Files\\run.log\"", false, false, L"",
       L"C:\\Log Files\\run.log", false},
      // As the folder dialog gives it: no trailing backslash, except a drive's root.
      {L"installer.exe /D=C:\\Apps\\", false, false, L"C:\\Apps", L"", false},
      {L"installer.exe /D=D:\\", false, false, L"D:\\", L"", false},
      {L"installer.exe /D=\\\\server\\share\\apps", false, false, L"\\\\server\\share\\apps", L"",
       false},
      // An option given twice keeps its last value.
      {L"installer.exe /D=C:\\A /D=C:\\B", false, false, L"C:\\B", L"", false},
      // Not understood: unknown options, missing or relative values, an unquoted space. What was
      // read stays, so that a refused silent line shows no window.
      {L"installer.exe /S /Q", true, false, L"", L"", true},
      {L"installer.exe /silent", false, false, L"", L"", true},
      {L"installer.exe S", false, false, L"", L"", true},
      {L"installer.exe /D=", false, false, L"", L"", true},
      {L"installer.exe /D", false, false, L"", L"", true},
      {L"installer.exe /D=Apps", false, false, L"", L"", true},
      {L"installer.exe /D=C:Apps", false, false, L"", L"", true},
      {L"installer.exe /S /D=C:\\My Programs", true, false, L"C:\\My", L"", true},
      {L"installer.exe /LOG=", false, false, L"", L"", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "command line: " << c.commandLine);
    const ParsedCommandLine parsed = ParseCommandLine(c.commandLine);
    EXPECT_EQ(c.silent, parsed.options.silent);
    EXPECT_EQ(c.help, parsed.options.help);
    EXPECT_EQ(c.chosenFolder, parsed.options.chosenFolder);
    EXPECT_EQ(c.logPath, parsed.options.logPath);
    EXPECT_EQ(c.refused, !parsed.error.empty()) << parsed.error;
  }
}

// The message names the argument that was refused, the first one when several are; the log gets
// every one.
TEST(CommandLineTest, ErrorNamesTheFirstRefusedArgument) {
  const ParsedCommandLine parsed = ParseCommandLine(L"installer.exe /S /X /D=relative");
  EXPECT_NE(std::wstring::npos, parsed.error.find(L"/X")) << parsed.error;
  EXPECT_EQ(std::wstring::npos, parsed.error.find(L"relative")) << parsed.error;
  EXPECT_EQ((std::vector<std::wstring>{L"/X", L"/D=relative"}), parsed.ignored);
}

// A shortcut or launcher that passed an argument of its own once got a message box and exit 2
// instead of the wizard. Only a silent install refuses what it does not understand.
TEST(CommandLineTest, StartsTheWizardWhateverTheArgumentsWithoutSilent) {
  struct Case {
    const wchar_t* commandLine;
    StartChoice start;
  };
  const Case kCases[] = {
      {L"installer.exe", StartChoice::kWizard},
      {L"installer.exe /silent --from-launcher S", StartChoice::kWizard},
      {L"installer.exe /D=Apps /LOG=", StartChoice::kWizard},
      {L"installer.exe /D=D:\\Apps /unknown", StartChoice::kWizard},
      {L"installer.exe /?", StartChoice::kHelp},
      {L"installer.exe /? /unknown", StartChoice::kHelp},
      {L"installer.exe /S", StartChoice::kSilent},
      {L"installer.exe /S /?", StartChoice::kHelp},
      {L"installer.exe /S /unknown", StartChoice::kBadCommandLine},
      {L"installer.exe /S /? /D=Apps", StartChoice::kBadCommandLine},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "command line: " << c.commandLine);
    EXPECT_EQ(c.start, ChooseStart(ParseCommandLine(c.commandLine)));
  }
}

}  // namespace
