// The command-line mode: one build from a settings file or from options,
// never a window. Called by main() when the application
// gets at least one argument.
#ifndef DIRGEN_APP_COMMAND_LINE_MODE_H_
#define DIRGEN_APP_COMMAND_LINE_MODE_H_

#include "value/value_list.h"

// Runs the mode for args, the arguments after the program's name. One
// argument that names a settings file (markup, or a file that cannot be
// read) is the settings form: "Dirgen 2.0" and the result line on standard
// output, as it always was. Anything else is the options form
// (command_line_options.h): nothing on standard output but what was asked
// for (a listing to "-", --help, --print-settings, ...), errors as
// "kdgn20: ..." on standard error. Templates and tables come from the kvdata
// folder that working_folder_at_start() (project/data_folder.h) picks.
// Returns the exit status: 0 success; 1 when the settings cannot be read or
// are refused (project/settings_keys.h), or the build failed; 2 for a wrong
// command line; 3 when the listing was written but entries could not be
// read.
int run_command_line_mode(value_list& args);

#endif  // DIRGEN_APP_COMMAND_LINE_MODE_H_
