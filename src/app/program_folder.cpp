#include "app/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "app/cli_commands.h"
#include "config/machine_config.h"

namespace zorvan::app {
namespace {

bool writable(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::filesystem::path choose_program_folder(const ProgramFolders& f, std::string* note) {
    std::error_code error;
    if (std::filesystem::exists(config::main_configuration_path(f.executable_dir), error) ||
        f.user_config.empty())
        return f.executable_dir;
    // An installed program comes with the template beside it and keeps nothing in its own folder.
    const bool installed =
        !f.sample_machine.empty() && std::filesystem::is_directory(f.sample_machine, error);
    if (!installed && writable(f.executable_dir)) return f.executable_dir;
    std::filesystem::create_directories(f.user_config, error);
    if (error) {
        if (note != nullptr) *note = "cannot make " + f.user_config.string() + ": " + error.message();
        return f.executable_dir;
    }
    if (!installed) return f.user_config;
    // An operator's own files are kept; only what is missing comes from the template.
    for (const auto& entry : std::filesystem::directory_iterator(f.sample_machine, error)) {
        if (!entry.is_regular_file(error)) continue;
        const auto target = f.user_config / entry.path().filename();
        if (std::filesystem::exists(target, error)) continue;
        std::filesystem::copy_file(entry.path(), target, error);
        if (error && note != nullptr)
            *note += "cannot copy " + entry.path().string() + ": " + error.message() + "\n";
    }
    return f.user_config;
}

ProgramFolders program_folders() {
    ProgramFolders f;
    f.executable_dir = executable_dir();
    f.sample_machine = f.executable_dir.parent_path().parent_path() / "share" / "zorvannc" / "machine";
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        f.user_config = std::filesystem::path(xdg) / "ZorvanNC";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        f.user_config = std::filesystem::path(home) / ".config" / "ZorvanNC";
    }
    return f;
}

std::filesystem::path user_guide(const std::filesystem::path& executable_dir,
                                 const std::filesystem::path& from_program,
                                 const std::filesystem::path& in_sources) {
    std::error_code error;
    const auto installed = (executable_dir / from_program / "index.html").lexically_normal();
    if (std::filesystem::is_regular_file(installed, error) || in_sources.empty()) return installed;
    const auto built = in_sources / "index.html";
    return std::filesystem::is_regular_file(built, error) ? built : installed;
}

std::filesystem::path default_config_dir() {
    return choose_program_folder(program_folders());
}

}  // namespace zorvan::app
