// Reading a whole text file that the program was given, and writing one so that a failure never leaves it
// half written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zorvan::config {

// The file's bytes, or nullopt when it is missing, not a regular file, or cannot be read.
std::optional<std::string> read_text_file(const std::filesystem::path& path);

// Writes `text` to a new file in the same folder and renames it over `path`, so that a full disk or a
// crash part-way leaves the old file whole. An existing file keeps its permissions; a link keeps pointing
// at the file it named. nullopt on success, else a text for the operator naming the file and the cause.
std::optional<std::string> write_text_file_atomically(const std::filesystem::path& path,
                                                      std::string_view text);

}  // namespace zorvan::config
