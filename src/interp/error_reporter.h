// Where the interpreter's failures go: a message box, a CLI line, or a list in a test.
#pragma once

#include <string_view>

namespace zorvan::interp {

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    // line_count is the count the operator sees ("Line N"), line_text the raw program line.
    virtual void report_error(int line_count, std::string_view line_text, std::string_view message) = 0;
};

// The operator-facing text: "Line " N LF CR line text LF CR message.
std::string format_error_box(int line_count, std::string_view line_text, std::string_view message);

}  // namespace zorvan::interp
