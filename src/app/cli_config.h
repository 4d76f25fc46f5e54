// zorvannc-cli config: the configuration values the program will use.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zorvan::app {

// "config [--config-dir DIR]" (the words after "config"): reads ZorvanNC.Ini in DIR (by default the
// program's own folder) as the start-up, interpreter and controller reads do, and prints every value in
// force, defaults included, as config::list_settings lays them out:
//
//     # start-up read
//     LANGUAGE/Language=English        a key: SECTION/KEY=value
//     JOGDIST/0.1                      an item of a list section: SECTION/item
//     ...
//     # interpreter read
//     # controller read
//
// Reals in the shortest form with ".", bools 0 or 1. A missing file is said on err and every value is a
// default. Returns 0, or 2 for a usage error.
int run_config_command(const std::vector<std::string>& args_after_config, std::FILE* out, std::FILE* err);

}  // namespace zorvan::app
