#pragma once

#include <string>

// The two things the engine ever shows the user. The installer uses the system's message box and
// browser; tests and developer tools answer without a window.
class UserPrompt {
 public:
  virtual ~UserPrompt() = default;

  // Shows the download-failure message; true when the user chose OK.
  virtual bool AskToVisitHomepage() = 0;
  // Opens a web page in the user's browser.
  virtual void OpenWebPage(const std::wstring& address) = 0;
};

// The real message box (no owner window, OK and Cancel) and the shell's "open" verb.
UserPrompt& SystemUserPrompt();
