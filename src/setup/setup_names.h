// The fixed names of the installation: the distribution's files and
// folders, the product and uninstall registry keys, the installed program
// and the Start-menu folder and shortcuts. Shared by the installer wizard
// and the uninstaller so both agree on what an installation is.
#ifndef DIRGEN_SETUP_SETUP_NAMES_H_
#define DIRGEN_SETUP_SETUP_NAMES_H_

#include <array>
#include <string_view>

inline constexpr std::string_view kProductName = "Dirgen 2.0";

// The distribution: these files and the files directly inside these
// folders, in this order.
inline constexpr std::array<std::string_view, 6> kDistributionFiles = {
    "setup", "remove", "readme.txt", "license.txt", "help.html", "dirgen.gif"};
inline constexpr std::array<std::string_view, 2> kDistributionFolders = {
    "kvdata", "images"};

// The installer's own file, renamed to the program's name once copied.
inline constexpr std::string_view kSetupFile = "setup";
inline constexpr std::string_view kProgramFile = "kdgn20";
inline constexpr std::string_view kRemoveFile = "remove";
inline constexpr std::string_view kLicenseFile = "license.txt";
inline constexpr std::string_view kHelpFile = "help.html";
inline constexpr std::string_view kIconFile = "dirgen.gif";

// The installation folder is the destination + "/" + this name.
inline constexpr std::string_view kInstallSubfolder = "DGN2";
// Appended to the program-files folder for the default destination.
inline constexpr std::string_view kVendorFolder = "Kovix";

inline constexpr std::string_view kProductKey = "Software/Kovix/DGN2";
inline constexpr std::string_view kVendorKey = "Software/Kovix";
inline constexpr std::string_view kInstallFolderValue = "inst_dir";
inline constexpr std::string_view kStartMenuValue = "icon_dir";
inline constexpr std::string_view kUninstallKey =
    "Software/Microsoft/Windows/CurrentVersion/Uninstall/kdgn2";
inline constexpr std::string_view kDisplayNameValue = "DisplayName";
inline constexpr std::string_view kUninstallStringValue = "UninstallString";

// The Start-menu folder inside the programs menu, and its two shortcuts
// (written as "Kovix Dirgen 2.0.desktop" and "Help.desktop").
inline constexpr std::string_view kStartMenuFolder = "Kovix Dirgen";
inline constexpr std::string_view kProgramShortcut = "Kovix Dirgen 2.0.lnk";
inline constexpr std::string_view kHelpShortcut = "Help.lnk";
inline constexpr std::string_view kProgramShortcutFile =
    "Kovix Dirgen 2.0.desktop";
inline constexpr std::string_view kHelpShortcutFile = "Help.desktop";

#endif  // DIRGEN_SETUP_SETUP_NAMES_H_
