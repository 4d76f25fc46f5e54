#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>

#include <stdlib.h>

namespace zorvan::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvan-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, std::string_view text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return (path_ / name).string();
}

}  // namespace zorvan::testing
