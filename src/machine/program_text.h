// A program's lines in one buffer. A million-line program costs its text and one offset per line, not a
// string object and an allocation per line, and taking the editor's text for a run is one pass.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::machine {

class ProgramText {
  public:
    ProgramText() = default;
    ProgramText(std::initializer_list<std::string_view> lines) {
        for (std::string_view line : lines)
            push_back(line);
    }
    ProgramText(const std::vector<std::string>& lines) {  // NOLINT: a list of lines is a program text
        for (const std::string& line : lines)
            push_back(line);
    }

    void reserve(std::size_t lines, std::size_t bytes) {
        ends_.reserve(lines);
        text_.reserve(bytes);
    }
    void push_back(std::string_view line) {
        text_.append(line);
        ends_.push_back(text_.size());
    }
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_.data() + begin, ends_[i] - begin);
    }
    std::vector<std::string> ToVector() const {
        std::vector<std::string> lines;
        lines.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
            lines.emplace_back((*this)[i]);
        return lines;
    }

  private:
    std::string text_;               // the lines one after another, without their line breaks
    std::vector<std::size_t> ends_;  // offset in text_ after each line
};

}  // namespace zorvan::machine
