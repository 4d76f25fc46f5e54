#include "config/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zorvan::config {

namespace {

std::string failure(const std::filesystem::path& path, int error) {
    return "Cannot write " + path.string() + ": " + std::strerror(error);
}

// Closes and removes the temporary file unless it was renamed into place.
class TemporaryFile {
  public:
    ~TemporaryFile() {
        if (fd >= 0) ::close(fd);
        if (!name.empty()) ::unlink(name.c_str());
    }
    int fd = -1;
    std::string name;
};

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::optional<std::string> read_text_file(const std::filesystem::path& path) {
    // A directory opens as a stream on some systems but yields nothing; it is not a file of ours.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

std::optional<std::string> write_text_file_atomically(const std::filesystem::path& path,
                                                      std::string_view text) {
    // Renaming over a link would replace the link; the file it names is the one to renew.
    std::filesystem::path target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }
    if (target.filename().empty()) return failure(path, EISDIR);

    struct stat old_file {};
    const bool replacing = ::stat(target.c_str(), &old_file) == 0;
    if (replacing && S_ISDIR(old_file.st_mode)) return failure(path, EISDIR);

    TemporaryFile temporary;
    std::string hidden_name(".");
    hidden_name += target.filename().string();
    const std::string stem = (target.parent_path() / hidden_name).string();
    for (int attempt = 0; temporary.fd < 0; ++attempt) {
        const std::string name =
            stem + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
        temporary.fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temporary.fd >= 0) {
            temporary.name = name;
        } else if (errno != EEXIST || attempt >= 100) {
            return failure(path, errno);
        }
    }
    if (replacing) (void)::fchmod(temporary.fd, old_file.st_mode & 07777);
    if (!write_all(temporary.fd, text) || ::fsync(temporary.fd) != 0) return failure(path, errno);
    const int fd = temporary.fd;
    temporary.fd = -1;
    if (::close(fd) != 0) return failure(path, errno);
    if (::rename(temporary.name.c_str(), target.c_str()) != 0) return failure(path, errno);
    temporary.name.clear();
    // The rename itself reaches the disk only with the folder; a failure here leaves a whole file either way.
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        (void)::fsync(folder_fd);
        ::close(folder_fd);
    }
    return std::nullopt;
}

}  // namespace zorvan::config
