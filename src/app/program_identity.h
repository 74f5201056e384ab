// How the windowed mode presents itself to the desktop: the names it is
// known by and its icon. Used by the windowed mode and the window pictures.
#ifndef DIRGEN_APP_PROGRAM_IDENTITY_H_
#define DIRGEN_APP_PROGRAM_IDENTITY_H_

#include <QIcon>
#include <string>
#include <vector>

class QWidget;

// argv for the QApplication: argv[0] becomes "dirgen", the instance part of
// the X11 window class; the rest is kept. Ends with a null pointer, which
// the count given to QApplication leaves out.
std::vector<char*> qt_arguments(int argc, char** argv);

// Makes the desktop match the windows to the menu entry dirgen.desktop:
// its desktop file name (Wayland app id) "dirgen", the X11 window class
// "dirgen", "Dirgen" (the entry's StartupWMClass) and the application name
// "dirgen". REQUIRES: first_window is the first window of the program and
// has no native window yet; the QApplication was made with qt_arguments.
void set_application_identity(QWidget* first_window);

// The program's icon: "dirgen" of the icon theme (as installed), else the
// shipped images/dirgen.svg of the working folder (ending in "/").
QIcon program_icon(const std::string& working_folder);

#endif  // DIRGEN_APP_PROGRAM_IDENTITY_H_
