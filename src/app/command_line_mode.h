// The command-line mode: one build from a settings file, reported on
// standard output, never a window. Called by main() when the application
// gets at least one argument.
#ifndef DIRGEN_APP_COMMAND_LINE_MODE_H_
#define DIRGEN_APP_COMMAND_LINE_MODE_H_

#include "value/value_list.h"

// Runs the mode for args (args[0] is the settings file; later arguments are
// ignored). "--help"/"-h" or "--version" as the only argument print usage or
// the version instead; any other argument starting with "-", or an option
// followed by more, prints the usage on standard error. Templates and
// tables come from the kvdata folder that working_folder_at_start()
// (project/data_folder.h) picks. Returns the exit status: 0 when the build
// succeeded (or for --help and --version); 1 when the settings file cannot
// be read or is refused (project/settings_keys.h), or the build failed; 2
// for a wrong command line; 3 when the listing was written but entries
// could not be read.
int run_command_line_mode(value_list& args);

#endif  // DIRGEN_APP_COMMAND_LINE_MODE_H_
