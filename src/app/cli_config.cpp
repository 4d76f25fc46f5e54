#include "app/cli_config.h"
#include "app/program_folder.h"

#include <filesystem>
#include <string_view>

#include "app/cli_commands.h"
#include "config/machine_config.h"
#include "config/profile_file.h"
#include "config/settings_listing.h"

namespace zorvan::app {

namespace {

constexpr const char* CONFIG_USAGE = "usage: zorvannc-cli config [--config-dir DIR]\n";
constexpr std::string_view CONFIG_DIR_FLAG = "--config-dir";

}  // namespace

int run_config_command(const std::vector<std::string>& args_after_config, std::FILE* out, std::FILE* err) {
    std::filesystem::path config_dir;
    bool dir_given = false;
    for (std::size_t i = 0; i < args_after_config.size(); ++i) {
        const std::string_view arg = args_after_config[i];
        std::string_view value;
        if (arg == CONFIG_DIR_FLAG && i + 1 < args_after_config.size()) {
            value = args_after_config[++i];
        } else if (arg.starts_with(CONFIG_DIR_FLAG) && arg.size() > CONFIG_DIR_FLAG.size() &&
                   arg[CONFIG_DIR_FLAG.size()] == '=') {
            value = arg.substr(CONFIG_DIR_FLAG.size() + 1);
        } else {
            std::fputs(CONFIG_USAGE, err);
            return EXIT_USAGE;
        }
        if (dir_given || value.empty()) {
            std::fputs(CONFIG_USAGE, err);
            return EXIT_USAGE;
        }
        config_dir = value;
        dir_given = true;
    }
    if (!dir_given) config_dir = default_config_dir();

    const auto path = config::main_configuration_path(config_dir);
    auto file = config::ProfileFile::load(path);
    if (!file) {
        // The operator program's own words for this case; reading goes on with every default.
        std::fprintf(err, "%s: ZorvanNC.Ini file not found.  Loading defaults...\n", path.string().c_str());
        file.emplace();
    }
    const std::string listing = config::list_settings(*file);
    std::fwrite(listing.data(), 1, listing.size(), out);
    return EXIT_CLEAN;
}

}  // namespace zorvan::app
