#include "interp/interpreter_test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace zorvan::interp::testing {

CanonToolTableEntry RecordingCanon::get_tool_table_entry(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tools.size()) return {};
    return tools[static_cast<std::size_t>(index)];
}

void RecordingCanon::record(std::string_view name, std::initializer_list<Arg> args) {
    std::string text(name);
    text += '(';
    bool first = true;
    for (const Arg& arg : args) {
        if (!first) text += ", ";
        first = false;
        char number[64];
        if (arg.is_int) {
            std::snprintf(number, sizeof number, "%d", static_cast<int>(arg.value));
        } else {
            std::snprintf(number, sizeof number, "%.4f", arg.value);
            if (std::string_view(number) == "-0.0000") std::snprintf(number, sizeof number, "0.0000");
        }
        text += number;
    }
    text += ')';
    calls.push_back(std::move(text));
}

InterpreterTest::InterpreterTest() : interp(canon, reporter, dir.path()) {
    restart();
}

CamInterpreterTest::CamInterpreterTest() {
    dir.write("ZorvanNC.Ini", "[RS274NGC]\nDIALECT=CAM\n");
    restart();
}

void InterpreterTest::restart() {
    interp.interpreter_init();
    interp.interpreter_reset();
    canon.calls.clear();
    reporter.reports.clear();
}

int InterpreterTest::lines(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts) {
        const int result = interp.interpret_line(text);
        if (result != RESULT_OK) return result;
    }
    return RESULT_OK;
}

std::vector<std::string> InterpreterTest::take_calls() {
    std::vector<std::string> calls = std::move(canon.calls);
    canon.calls.clear();
    return calls;
}

std::string InterpreterTest::error() const {
    EXPECT_LE(reporter.reports.size(), 1u);
    return reporter.reports.empty() ? std::string() : reporter.reports.back().message;
}

void InterpreterTest::expect_refused(const Refusal& c) {
    SCOPED_TRACE(c.line);
    restart();
    ASSERT_EQ(line(c.modal), RESULT_OK) << error();
    take_calls();
    EXPECT_EQ(line(c.line), RESULT_ERROR);
    EXPECT_EQ(error(), c.message);
    EXPECT_TRUE(canon.calls.empty());
}

}  // namespace zorvan::interp::testing
