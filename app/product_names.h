#pragma once

// The publisher, as the uninstall entry and the program's version information name it. A macro
// because the resource compiler reads it too (installer.rc); it sees nothing below it.
#define QUENBY_PUBLISHER_NAME L"Orvane"

#ifndef RC_INVOKED

// Names the installer leaves on the system, shared with the stand-in client programs that the
// tests and the demo install.
namespace product {

// The wizard's title; a build that accepts unsigned update manifests, or pins the repository's
// test key, says so in it (app/wizard_title.h).
inline constexpr wchar_t kWizardTitle[] = L"Quenby安装程序";
inline constexpr wchar_t kUnsignedWizardTitle[] = L"Quenby安装程序 (unsigned)";
inline constexpr wchar_t kTestKeyWizardTitle[] = L"Quenby安装程序 (test key)";
// The client's launcher inside the install folder.
inline constexpr wchar_t kLauncherName[] = L"tarsklogin.exe";
// The client's uninstaller inside the install folder; it comes with the packages.
inline constexpr wchar_t kUninstallerName[] = L"Uninstall.exe";
// The configuration record written into the install folder.
inline constexpr wchar_t kInstallRecordName[] = L"install.dat";
// The shortcut file on the desktop and in the Start menu's Programs folder.
inline constexpr wchar_t kShortcutFileName[] = L"Quenby.lnk";
// The uninstall entry under HKEY_LOCAL_MACHINE and its texts. It lives in the registry view of
// the program's own architecture (the 32-bit view for the i686 installer that ships), and the
// programs that read it back are built for the same architecture.
inline constexpr wchar_t kUninstallKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\velmora";
inline constexpr wchar_t kDisplayName[] = L"Quenby";
// The installer's own key under HKEY_LOCAL_MACHINE (same registry view): what it must remember
// between runs, such as the newest update manifest installed from. Not below the uninstall entry,
// whose removal must not take it.
inline constexpr wchar_t kInstallerStateKeyPath[] = L"SOFTWARE\\" QUENBY_PUBLISHER_NAME L"\\Quenby";
inline constexpr wchar_t kPublisher[] = QUENBY_PUBLISHER_NAME;
// The mutex that the one running installer holds. In the global namespace: installers of other
// sessions on the machine would write the same folders.
inline constexpr wchar_t kInstallerMutexName[] = L"Global\\Quenby.Installer.velmora";

}  // namespace product

#endif  // RC_INVOKED
