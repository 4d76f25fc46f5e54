// Where the program keeps its configuration. Its own folder, as the operator is used to; an installed
// program's folder is not writable, so there a copy of the sample machine in the user's configuration
// folder takes its place, made on the first start and never overwritten.
#pragma once

#include <filesystem>
#include <string>

namespace zorvan::app {

struct ProgramFolders {
    std::filesystem::path executable_dir;  // where the program and the board library are
    std::filesystem::path sample_machine;  // the installed template; empty or missing: none
    std::filesystem::path user_config;     // the user's configuration folder for the program
};

// The folder whose ZorvanNC.Ini, tool table and programs the program uses: the executable's own folder
// when it holds a configuration, or when it is writable and no template is installed beside it; else the
// user's folder, filled from the template with the files it does not hold yet. `note`, when given, tells
// what could not be made or copied.
std::filesystem::path choose_program_folder(const ProgramFolders& folders, std::string* note = nullptr);

// The folders of this process: the template at ../share/zorvannc/machine beside the executable's
// folder, the user's folder at $XDG_CONFIG_HOME/ZorvanNC (or ~/.config/ZorvanNC).
ProgramFolders program_folders();

// The user's guide, index.html: in `from_program` (relative to the executable's folder) where the package
// installs it, else in `in_sources` for a program run from its build tree. When neither holds it, the
// installed place, so that the operator is told where it was looked for.
std::filesystem::path user_guide(const std::filesystem::path& executable_dir,
                                 const std::filesystem::path& from_program,
                                 const std::filesystem::path& in_sources);

// The configuration folder the program and the command-line tool use when none is named.
std::filesystem::path default_config_dir();

}  // namespace zorvan::app
