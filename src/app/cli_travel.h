// check --travel: the program's moves against the machine's table, reported after the check's own
// output.
#pragma once

#include <cstddef>
#include <string_view>

#include "app/trace_canon.h"
#include "machine/travel_check.h"

namespace zorvan::app {

// Excursions printed one by one; the rest are only counted.
inline constexpr std::size_t TRAVEL_REPORTS_PRINTED = 20;

// Hands out the source's lines and tells the travel check which line of the file the moves that follow
// belong to: the editor's line, 1-based, whatever the interpreter counts.
template <typename Lines>
class NumberedLines {
  public:
    NumberedLines(Lines& source, machine::TravelCheck& check) : source_(source), check_(check) {}
    bool next(std::string_view& line) {
        if (!source_.next(line)) return false;
        check_.SetLine(++number_);
        return true;
    }
    bool failed() const { return source_.failed(); }

  private:
    Lines& source_;
    machine::TravelCheck& check_;
    long number_ = 0;
};

// One line per kept excursion, "line N: X 205.0000 beyond the table's 200.0000" (mm, "%.4f"), then,
// when there was any, "N excursions beyond the table" counting every one.
void append_travel_report(TraceOutput& out, const machine::TravelCheck& check);

}  // namespace zorvan::app
