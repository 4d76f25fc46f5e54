// The machine-time estimate with the board in a thread of its own must give exactly the time, the waits
// and the line times of the board in the host's thread, whatever the program: probes that trip or not,
// tool changes that measure, dwells, stops, arcs, errors. A difference aborts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "machine/machine_time.h"

namespace {

using namespace zorvan;

// A machine with a tool-length sensor, a tool change that measures, and a board whose sensor stands
// where the change looks for it; made once per process.
std::filesystem::path machine_folder() {
    static std::filesystem::path folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/zorvan-fuzz-time-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        folder = pattern;
        std::ofstream(folder / "ZorvanNC.Ini") << "[TRAJ]\nAXES=3\nMAXSPS=4000\n[CONTROLLER]\nCONTOURING=1\n";
        std::ofstream(folder / "ToolChange.Cfg")
            << "[SENSOR]\nSensorHeight=10\nLocationX=5\nLocationY=5\n"
            << "[Tool1]\nPICKUP0=G0 Z5\nPICKUP1=*!*\n[Tool2]\nPLACE0=G0 X1\nPICKUP0=*!*\n";
        std::ofstream(folder / "ZorvanSim.Ini") << "[BOARD]\nBUFFER=8\n[PROBE]\nTRIP_Z=-400\nX=500\nY=500\n"
                                                << "RADIUS=200\n";
    }
    return folder;
}

machine::MachineTime estimate(const machine::ProgramText& lines, bool board_thread,
                              std::vector<float>& times) {
    machine::MachineTimeRequest request{machine_folder(), std::nullopt, lines, "fuzz.ngc", nullptr, &times};
    request.board_thread = board_thread;
    return machine::EstimateMachineTime(std::move(request));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Long programs only make the run slow, not the search better.
    if (size > 4096) return 0;
    machine::ProgramText lines;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    std::vector<float> threaded_times, host_times;
    const machine::MachineTime a = estimate(lines, true, threaded_times);
    const machine::MachineTime b = estimate(lines, false, host_times);
    if (a.known != b.known || a.seconds != b.seconds || a.operator_waits != b.operator_waits ||
        a.stopped != b.stopped || a.stop_reason != b.stop_reason || threaded_times != host_times)
        std::abort();
    return 0;
}
