// Any text as a parameter file: only parameters 0..5399 may change, and nothing faults.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "interp/parameter_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::array<double, zorvan::interp::PARAMETER_COUNT> parameters;
    parameters.fill(0.0);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zorvan::interp::parse_parameter_file(text, parameters, size % 2 ? ',' : '.');
    return 0;
}
