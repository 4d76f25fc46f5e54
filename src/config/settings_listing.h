// The configuration values in force, as text an operator reads: what the program will use.
#pragma once

#include <string>

#include "config/profile_file.h"

namespace zorvan::config {

// Three groups, each opened by a line starting with "#": the start-up read, the interpreter read and the
// controller read, each key once per group in its reader's order, with that reader's default where the
// file has none. A key is a line "SECTION/KEY=value"; an item of a list section is a line "SECTION/item"
// (no "=", as an item can never hold one); an empty list gives no line. Reals take the shortest general
// form with ".", whatever the file's separator; bools are 0 or 1; colours are decimal.
std::string list_settings(const ProfileFile& file);

}  // namespace zorvan::config
