// Any text as a program, line by line, and as direct commands: every line ends in a result and a
// message at most, never in a fault, a hang or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "interp/interpreter.h"
#include "machine/canon.h"

namespace {

class CountingReporter final : public zorvan::interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view message) override {
        if (message.empty()) __builtin_trap();
        ++errors;
    }
    long errors = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zorvan::machine::HeadlessOperatorPanel panel;
    zorvan::machine::NullToolPathSink sink;
    zorvan::machine::Canon canon(panel, sink);
    CountingReporter reporter;
    zorvan::interp::Interpreter interpreter(canon, reporter, "/nonexistent");
    canon.BindInterpreterToolTable(&interpreter.settings().tool_table);
    // The first byte picks the decimal separator (bit 0) and the dialect (bit 6: a letter selects CAM), so
    // the comma and CAM paths are reached as well.
    bool cam = false;
    if (!text.empty()) {
        interpreter.set_decimal_separator(text[0] & 1 ? ',' : '.');
        cam = (text[0] & 0x40) != 0;
        text.remove_prefix(1);
    }
    interpreter.interpreter_init();
    if (cam) interpreter.settings().dialect = zorvan::interp::Dialect::CAM;
    // Tools of many sizes, so that compensated moves reach their geometry instead of the radius check.
    auto& tools = interpreter.settings().tool_table;
    for (std::size_t slot = 1; slot < tools.size(); ++slot) {
        tools[slot] = {static_cast<int>(slot), 0.25 * static_cast<double>(slot),
                       0.5 * static_cast<double>(slot)};
    }
    interpreter.interpreter_reset();
    int line_index = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const int result =
            (line_index++ % 7 == 6) ? interpreter.execute_direct(line) : interpreter.interpret_line(line);
        if (result < -1 || result > 2) __builtin_trap();
        if (result == -1 && reporter.errors == 0) __builtin_trap();
    }
    return 0;
}
