// Opening a document with the desktop's default application, or starting a
// program with parameter text, never through a shell. The main window opens
// the listing, templates and the help page with it.
#ifndef DIRGEN_PLATFORM_SHELL_OPEN_H_
#define DIRGEN_PLATFORM_SHELL_OPEN_H_

#include <string>
#include <string_view>
#include <vector>

#include "value/kvval.h"

// The program and arguments that open_document starts. For the operation
// "execute" the target is cut at its first blank: the program is the part
// before it and the rest, when non-empty, is passed as ONE argument, exactly
// as written (blanks and quotes included; no further splitting). A program
// path containing blanks is therefore cut at its first blank. For any other
// operation the whole target is the one argument of xdg-open.
std::vector<std::string> document_command(std::string_view operation,
                                          std::string_view target);

// Starts argv[0] (searched in PATH when it holds no "/") with argv, without
// a shell, in a session of its own with standard input from /dev/null. The
// child is reaped in the background and not waited for. Returns true when
// the program was started; false (the reason in *err) when it
// could not be, e.g. it does not exist or is not executable, or argv is
// empty.
bool start_program(const std::vector<std::string>& argv, std::string* err);

// Performs operation ("open" or "execute") on target as document_command
// describes. Returns true when the program was started; false, the reason
// in *err, for an empty target or a program that cannot be started. Whether
// the started program then succeeds is not known here.
bool open_document(const kvval& operation, const kvval& target,
                   std::string* err);

#endif  // DIRGEN_PLATFORM_SHELL_OPEN_H_
