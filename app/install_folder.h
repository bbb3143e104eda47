#pragma once

#include <string>

// What the configuration page starts with: the install folder, the text of the folder field and
// the Program Files folder that the folder dialog opens in (empty when the shell did not name
// it).
struct DefaultInstallFolder {
  std::wstring installDir;
  std::wstring editText;
  std::wstring programFilesDir;
};

// The default below the given Program Files folder; with an empty one, the fixed default
// "C:\Program Files (x86)\Cobalind\velmora", shown without the label.
DefaultInstallFolder MakeDefaultInstallFolder(const std::wstring& programFilesDir);

// The default below the Program Files folder the shell names for this program.
DefaultInstallFolder LookUpDefaultInstallFolder();

// A folder the user chose: the product folder "velmora" goes below it, and the field shows the
// chosen folder alone. The texts are joined as they are, so a drive root such as "D:\" gives
// "D:\\velmora".
struct ChosenInstallFolder {
  std::wstring installDir;
  std::wstring editText;
};
ChosenInstallFolder MakeChosenInstallFolder(const std::wstring& chosenFolder);
