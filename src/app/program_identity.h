// How the windowed mode presents itself to the desktop: the names it is
// known by and its icon. Used by the windowed mode and the window pictures.
#ifndef DIRGEN_APP_PROGRAM_IDENTITY_H_
#define DIRGEN_APP_PROGRAM_IDENTITY_H_

#include <QIcon>
#include <string>

// Sets the application name "dirgen" and the menu entry dirgen.desktop, which
// the desktop matches to the window (X11 window class "Dirgen", Wayland
// app id "dirgen"). REQUIRES: the QApplication exists, no window yet.
void set_application_identity();

// The program's icon: "dirgen" of the icon theme (as installed), else the
// shipped images/dirgen.svg of the working folder (ending in "/").
QIcon program_icon(const std::string& working_folder);

#endif  // DIRGEN_APP_PROGRAM_IDENTITY_H_
