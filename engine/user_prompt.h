#pragma once

#include <string>
#include <vector>

// What the engine ever asks or tells the user. The installer uses the system's message box and
// browser; tests and developer tools answer without a window. Every call comes on the install's
// thread.
class UserPrompt {
 public:
  virtual ~UserPrompt() = default;

  // Shows the failure message; true when the user chose OK.
  virtual bool AskToVisitHomepage() = 0;
  // Opens a web page in the user's browser.
  virtual void OpenWebPage(const std::wstring& address) = 0;
  // The client file at path cannot be replaced while the programs named (possibly none that
  // could be named) hold it open; true when the user closed them and chose Retry, false for
  // Cancel.
  virtual bool AskToRetryFileInUse(const std::wstring& path,
                                   const std::vector<std::wstring>& programs) = 0;
  // The install folder's volume has too little free space to start: says so, with both figures.
  virtual void TellNotEnoughSpace(long long neededBytes, long long freeBytes) = 0;
  // The update manifest is signed more than a day ahead of this computer's clock: its date is
  // wrong. Says so (no homepage offer: the date is the user's to mend). Prompts that show
  // nothing (a silent install) tell nothing.
  virtual void TellClockIsWrong() {}
};

// The real message boxes (no owner window) and the shell's "open" verb.
UserPrompt& SystemUserPrompt();
