#include "config/text_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // Room for the whole file at once, with a byte to spare for the read that meets the end; a file that
    // grows meanwhile is read on to its new end. The text is read a piece at a time, each piece made
    // ready just before its read: the room is cleared while in the cache, not all at once beforehand.
    constexpr std::size_t PIECE = 256 * 1024;
    struct stat info {};
    std::string text;
    text.reserve(::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1
                                                             : 4096);
#ifdef MADV_POPULATE_WRITE
    // A large file's room is mapped in one call rather than a page fault at a time; where the system
    // cannot, the faults do it as before.
    if (text.capacity() >= (std::size_t{1} << 20)) {
        const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto begin = reinterpret_cast<std::uintptr_t>(text.data()) & ~(page - 1);
        const auto end = reinterpret_cast<std::uintptr_t>(text.data()) + text.capacity();
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#endif
    std::size_t filled = 0;
    for (;;) {
        const std::size_t left = text.capacity() - filled;
        const std::size_t piece = left > 0 ? std::min(PIECE, left) : std::max(PIECE, filled);
        text.resize(filled + piece);
        const ssize_t got = ::read(fd, text.data() + filled, piece);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    text.resize(filled);
    return text;
}

namespace {
// Bytes asked of each read: few calls per megabyte, and a buffer that stays in the cache while its lines
// are read.
constexpr std::size_t READ_SIZE = std::size_t{1} << 17;
}  // namespace

TextFileLines::TextFileLines(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.resize(READ_SIZE);
}

TextFileLines::~TextFileLines() {
    if (fd_ >= 0) ::close(fd_);
}

bool TextFileLines::next(std::string_view& line) {
    if (fd_ < 0 || failed_) return false;
    for (;;) {
        const char* const data = buffer_.data();
        const void* const feed = std::memchr(data + scanned_, '\n', end_ - scanned_);
        if (feed != nullptr) {
            const auto stop = static_cast<std::size_t>(static_cast<const char*>(feed) - data);
            line = std::string_view(data + begin_, stop - begin_);
            begin_ = scanned_ = stop + 1;
            break;
        }
        scanned_ = end_;
        if (!fill()) {
            if (failed_ || begin_ == end_) return false;
            line = std::string_view(buffer_.data() + begin_, end_ - begin_);
            begin_ = scanned_ = end_;
            break;
        }
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// Moves the unread rest to the front, grows the buffer only for a line longer than it, and reads more.
bool TextFileLines::fill() {
    if (at_end_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        at_end_ = true;
        failed_ = got < 0;
        return false;
    }
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

std::optional<std::string> write_text_files_atomically(const std::vector<FileText>& files) {
    std::vector<std::optional<std::string>> old_texts;
    for (const FileText& file : files) {
        std::error_code ec;
        const bool there = std::filesystem::exists(file.path, ec);
        auto old = there ? read_text_file(file.path) : std::nullopt;
        if (there && !old) return "Cannot read " + file.path.string() + "; it is left as it is";
        old_texts.push_back(std::move(old));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto failure = write_text_file_atomically(files[i].path, files[i].text);
        if (!failure) continue;
        // Put back in the opposite order, so a file named twice ends with its first old text.
        for (std::size_t k = i; k-- > 0;) {
            const auto& path = files[k].path;
            std::error_code ec;
            const bool restored = old_texts[k] ? !write_text_file_atomically(path, *old_texts[k])
                                               : std::filesystem::remove(path, ec) || !ec;
            if (!restored) *failure += "; " + path.string() + " could not be put back as it was";
        }
        return failure;
    }
    return std::nullopt;
}

}  // namespace zorvan::config
