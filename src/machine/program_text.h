// A program's lines in one buffer. A million-line program costs its text and one offset per line, not a
// string object and an allocation per line, and taking the editor's text for a run is one pass. Copies
// share the buffer.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
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
        Data& d = Own();
        d.ends.reserve(lines);
        d.text.reserve(bytes);
    }
    void push_back(std::string_view line) {
        Data& d = Own();
        d.text.append(line);
        d.ends.push_back(d.text.size());
    }
    std::size_t size() const { return data_ ? data_->ends.size() : 0; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : data_->ends[i - 1];
        return std::string_view(data_->text.data() + begin, data_->ends[i] - begin);
    }
    std::vector<std::string> ToVector() const {
        std::vector<std::string> lines;
        lines.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
            lines.emplace_back((*this)[i]);
        return lines;
    }

  private:
    struct Data {
        std::string text;               // the lines one after another, without their line breaks
        std::vector<std::size_t> ends;  // offset in text after each line
    };
    // Copies share the lines until one of them is added to: the machine-time estimate takes the
    // window's program into its thread without a second copy of a million lines.
    Data& Own() {
        if (!data_) {
            data_ = std::make_shared<Data>();
        } else if (data_.use_count() > 1) {
            data_ = std::make_shared<Data>(*data_);
        }
        return *data_;
    }
    std::shared_ptr<Data> data_;
};

}  // namespace zorvan::machine
