// How long the machine takes for a program: the run GO makes, on the simulated board's motion model and
// virtual clock, with the acceleration ramps, the start velocity, the contouring look-ahead and the speeds
// the board is actually sent. The time is the board's, so it is the one `zorvannc-cli run` reports.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "machine/program_text.h"

namespace zorvan::machine {

struct MachineTime {
    bool known = false;       // false: no run could be made (see `stop_reason`)
    double seconds = 0;       // from GO to the end of the last move; operator waits count as nothing
    int operator_waits = 0;   // program stops and tool changes that wait for the operator
    bool stopped = false;     // the run would end early, in the emergency stop; `seconds` is up to it
    std::string stop_reason;  // why, as the status bar would say it
};

struct MachineTimeRequest {
    std::filesystem::path config_dir;
    std::optional<std::string> units;  // "G20" or "G21"; the configuration's when not given
    ProgramText lines;
    std::string program_name;
    // Set by another thread to give the estimate up soon; it then comes back unknown.
    const std::atomic<bool>* cancel = nullptr;
    // When given, filled with the board time from GO at which GO took each line (0-based), so that a
    // run can tell how much of the program's time is left when it takes a line.
    std::vector<float>* line_times = nullptr;
    // The board runs in a thread of its own beside the host, on a second core; the time is the same.
    bool board_thread = true;
};

// The board is the one of ZorvanSim.Ini in the configuration folder (its buffer and its tool-length
// sensor), without travel-limit switches or injected faults: the time is the program's, whole. Runs in
// the calling thread, any thread; one estimate per thread at a time.
MachineTime EstimateMachineTime(MachineTimeRequest request);

}  // namespace zorvan::machine
