// The two windowed roles, as main() calls them. run_windowed_mode is the
// application's main window (src/app, Qt); run_installer is the installer
// wizard, implemented by src/setup. A build without the window or without the
// installer links window_stub.cpp or installer_stub.cpp instead, which say
// plainly that the part is not built.
#ifndef DIRGEN_APP_WINDOWED_MODE_H_
#define DIRGEN_APP_WINDOWED_MODE_H_

// Opens the main window and runs until it closes. Returns the exit status:
// 0, or 1 when no display can be opened (a message goes to standard error).
int run_windowed_mode(int argc, char** argv);

// Runs the installer wizard until it closes. Returns the exit status.
int run_installer(int argc, char** argv);

// Whether a windowing system can be reached (QT_QPA_PLATFORM, DISPLAY or
// WAYLAND_DISPLAY set). Without one the toolkit would abort the process, so
// the windowed roles check first and say why instead.
bool display_available();

#endif  // DIRGEN_APP_WINDOWED_MODE_H_
