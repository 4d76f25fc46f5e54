// A folder of its own per test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zorvan::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file into the folder and returns its full path.
    std::string write(const std::string& name, std::string_view text) const;

  private:
    std::filesystem::path path_;
};

}  // namespace zorvan::testing
