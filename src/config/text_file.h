// Reading a whole text file that the program was given, and writing one so that a failure never leaves it
// half written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::config {

// The file's bytes, or nullopt when it is missing, not a regular file, or cannot be read.
std::optional<std::string> read_text_file(const std::filesystem::path& path);

// A text file read one line at a time through a buffer that holds the longest line, not the whole file,
// so that a program of any length is read in bounded memory. Lines end at a line feed; a carriage return
// before it is dropped; a last line without a line feed counts when it is not empty.
class TextFileLines {
  public:
    // Opens the file; is_open() is false when it is missing, not a regular file, or cannot be opened.
    explicit TextFileLines(const std::filesystem::path& path);
    ~TextFileLines();
    TextFileLines(const TextFileLines&) = delete;
    TextFileLines& operator=(const TextFileLines&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // The next line, valid until the next call; false at the end of the file or on a read error.
    bool next(std::string_view& line);
    // A read failed part-way: the lines so far were not the whole file.
    bool failed() const { return failed_; }

  private:
    bool fill();

    int fd_ = -1;
    std::string buffer_;       // holds [begin_, end_) of the file not yet handed out
    std::size_t begin_ = 0;    // start of the next line in buffer_
    std::size_t end_ = 0;      // end of the bytes read into buffer_
    std::size_t scanned_ = 0;  // buffer_ before this holds no line feed after begin_
    bool at_end_ = false;
    bool failed_ = false;
};

// Writes `text` to a new file in the same folder and renames it over `path`, so that a full disk or a
// crash part-way leaves the old file whole. An existing file keeps its permissions; a link keeps pointing
// at the file it named. nullopt on success, else a text for the operator naming the file and the cause.
std::optional<std::string> write_text_file_atomically(const std::filesystem::path& path,
                                                      std::string_view text);

struct FileText {
    std::filesystem::path path;
    std::string text;
};

// Writes the files one after the other, each as write_text_file_atomically does, all or nothing: when one
// fails, the files written before it get their old text back (a file that was not there is removed
// again). A file that is there but cannot be read is refused before anything is written, as its old text
// could not be put back. nullopt on success, else the operator's text of the failure, naming any file
// that could not be put back.
std::optional<std::string> write_text_files_atomically(const std::vector<FileText>& files);

}  // namespace zorvan::config
