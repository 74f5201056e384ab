// The fixed names of the installation: the distribution's files and
// folders, the installed program, the menu
// entries and the icon. Shared by the installer wizard
// and the uninstaller so both agree on what an installation is.
#ifndef DIRGEN_SETUP_SETUP_NAMES_H_
#define DIRGEN_SETUP_SETUP_NAMES_H_

#include <array>
#include <string_view>

#include "markup/replacement_file.h"

inline constexpr std::string_view kProductName = "Dirgen 2.0";

// How the installer writes the files it makes (records, menu entries,
// merged catalogues): mode 0644, flushed to the disk, and a link at the
// path replaced itself, since the path is what the record names and what
// removal deletes.
inline constexpr replace_options kInstalledFileOptions{
    .sync = true, .follow_links = false, .mode = 0644, .keep = nullptr};

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

// Files the distribution must hold besides kDistributionFiles: the icon
// the menu entries show and the style catalogue.
inline constexpr std::array<std::string_view, 2> kRequiredDataFiles = {
    "images/dirgen.svg", "kvdata/styles.txt"};
inline constexpr std::string_view kIconSource = "images/dirgen.svg";
inline constexpr std::string_view kCatalogueFile = "kvdata/styles.txt";

// The menu entries, named as the program's window says it is
// (setDesktopFileName), and the icon theme entry they show.
inline constexpr std::string_view kProgramEntryFile = "dirgen.desktop";
inline constexpr std::string_view kManualEntryFile = "dirgen-manual.desktop";
inline constexpr std::string_view kIconName = "dirgen";
inline constexpr std::string_view kIconSubfolder =
    "icons/hicolor/scalable/apps";

// A changed file a reinstallation keeps gets the new version beside it
// under its name + kNewVersionSuffix; a changed style catalogue is merged
// and the user's previous one kept under its name + kOldVersionSuffix.
inline constexpr std::string_view kNewVersionSuffix = ".dist";
inline constexpr std::string_view kOldVersionSuffix = ".old";

#endif  // DIRGEN_SETUP_SETUP_NAMES_H_
