// A program's lines in one buffer. A million-line program costs its text and one offset per line, not a
// string object and an allocation per line, and taking the editor's text for a run is one pass. A file's
// text is taken over as it stands, line breaks and all, rather than copied. Copies share the buffer.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

    // The lines of a whole text: each ends at a line feed, without it and without one carriage return
    // before it; there is no empty line after a final line feed.
    static ProgramText FromText(std::string text);

    // `bytes`: the lines' own characters, without line breaks.
    void reserve(std::size_t lines, std::size_t bytes) {
        Data& d = Own();
        d.ends.reserve(lines);
        d.text.reserve(bytes + lines);
    }
    void push_back(std::string_view line) {
        Data& d = Own();
        d.text.append(line);
        d.ends.push_back(d.text.size());
        d.text.push_back('\n');
    }
    std::size_t size() const { return data_ ? data_->ends.size() : 0; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](std::size_t i) const {
        std::size_t begin = 0;
        if (i > 0) {
            // The line before ends where its break begins: a line feed, or a carriage return and one.
            const std::size_t end = data_->ends[i - 1];
            begin = end + (data_->text[end] == '\r' ? 2 : 1);
        }
        return std::string_view(data_->text.data() + begin, data_->ends[i] - begin);
    }
    // All the lines with their line breaks, as the file had them (a last line given its line feed).
    std::string_view Text() const { return data_ ? std::string_view(data_->text) : std::string_view(); }
    std::vector<std::string> ToVector() const {
        std::vector<std::string> lines;
        lines.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
            lines.emplace_back((*this)[i]);
        return lines;
    }

  private:
    struct Data {
        std::string text;               // the lines one after another, each with its line break
        std::vector<std::size_t> ends;  // offset in text after each line's last character
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

inline ProgramText ProgramText::FromText(std::string text) {
    std::vector<std::size_t> ends;
    // Room for lines of 16 characters on average, more than a program's lines need: room never written
    // costs no memory, and growing the offsets of millions of lines would copy them again and again.
    ends.reserve(text.size() / 16 + 16);
    std::size_t line_begin = 0;
    const auto line_feed_at = [&](std::size_t feed) {
        std::size_t end = feed;
        if (end > line_begin && text[end - 1] == '\r') --end;
        ends.push_back(end);
        line_begin = feed + 1;
    };
    std::size_t at = 0;
#if defined(__SSE2__)
    // Sixteen bytes looked at together: lines are short, and a call to find each one costs more than it.
    const __m128i feeds = _mm_set1_epi8('\n');
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feeds)));
             mask != 0; mask &= mask - 1)
            line_feed_at(at + static_cast<std::size_t>(__builtin_ctz(mask)));
    }
#endif
    for (; at < text.size(); ++at) {
        if (text[at] == '\n') line_feed_at(at);
    }
    if (line_begin < text.size()) {
        // A last line without a line feed is given one, so that every line is followed by its break.
        std::size_t end = text.size();
        if (end > line_begin && text[end - 1] == '\r') --end;
        ends.push_back(end);
        text.resize(end);
        text.push_back('\n');
    }
    ProgramText lines;
    Data& d = lines.Own();
    d.ends = std::move(ends);
    d.text = std::move(text);
    return lines;
}

}  // namespace zorvan::machine
