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

// Writes parameters first .. first + count - 1 into the file: each line that sets one of them gets its
// new value, those the file lacks are appended, and every other line stays as it was. An unchanged file
// is not written. false when the file cannot be written.
bool store_parameters_in_file(const std::filesystem::path& path, int first, int count,
                              const std::array<double, PARAMETER_COUNT>& parameters, char decimal_separator);

}  // namespace zorvan::interp
