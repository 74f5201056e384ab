// The working folder rule: where the program looks for its kvdata folder and
// its manual. Used by start-up, the command-line mode and the main window.
#ifndef DIRGEN_PROJECT_DATA_FOLDER_H_
#define DIRGEN_PROJECT_DATA_FOLDER_H_

#include <string>

// The working folder, ending in "/": cwd when it holds a "kvdata" folder;
// else exe_dir when that one does; else the installed data folder
// exe_dir/../share/dirgen when that one does; else cwd. An empty exe_dir is
// never chosen.
std::string find_working_folder(const std::string& cwd,
                                const std::string& exe_dir);

// The manual: working_folder + "help.html" when it exists; else the
// installed one, exe_dir/../share/doc/dirgen/help.html, when that exists;
// else working_folder + "help.html" (so a message can name it).
std::string find_manual(const std::string& working_folder,
                        const std::string& exe_dir);

// find_manual for this process.
std::string manual_at_start(const std::string& working_folder);

// find_working_folder for this process: the current directory ("." when it
// cannot be read) and the folder of the running executable.
std::string working_folder_at_start();

#endif  // DIRGEN_PROJECT_DATA_FOLDER_H_
