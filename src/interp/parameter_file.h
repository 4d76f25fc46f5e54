// The interpreter's parameter file: one "number value" pair per line, read once at initialisation.
#pragma once

#include <array>
#include <filesystem>
#include <string_view>

#include "interp/settings.h"

namespace zorvan::interp {

// Sets the parameters named in the text. Lines that do not begin with a digit, numbers outside the
// parameter table and values that do not convert are passed over.
void parse_parameter_file(std::string_view text, std::array<double, PARAMETER_COUNT>& parameters,
                          char decimal_separator);

// false when the file does not exist or cannot be read; the parameters are then untouched.
bool read_parameter_file(const std::filesystem::path& path, std::array<double, PARAMETER_COUNT>& parameters,
                         char decimal_separator);

}  // namespace zorvan::interp
