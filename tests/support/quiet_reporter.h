// An error reporter that keeps the messages instead of showing them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "interp/error_reporter.h"

namespace zorvan::testing {

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view message) override {
        messages.emplace_back(message);
    }
    std::vector<std::string> messages;
};

}  // namespace zorvan::testing
