// A whole program run on a board without a window, as the operator would do it: Reset (ESTP), GO, every
// program stop resumed at once. The headless tool's run and the machine-time estimate share it, so the
// estimate times the very run the tool performs.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/zorvan_api_table.h"
#include "interp/error_reporter.h"
#include "machine/controller_dispatcher.h"
#include "machine/program_runner.h"
#include "machine/program_text.h"

namespace zorvan::machine {

struct BoardRunSetup {
    std::filesystem::path config_dir;
    std::optional<std::string> units;  // "G20" or "G21"; the configuration's when not given
    std::string program_name;          // shown as the interpreter's file name
    ProgramText lines;
    interp::ErrorReporter* errors = nullptr;  // required
    DispatchObserver* observer = nullptr;     // optional: every command handed to the dispatcher
    // Called just before GO is first pressed and just after the run ends, with the machine started.
    std::function<void()> on_go, on_end;
    // The grey preview GO draws first changes nothing that is sent; a run without a window may skip it.
    bool preview_first = true;
    // Told each program line GO is about to send (0-based); optional.
    std::function<void(std::size_t)> on_line;
    // Asked now and then during GO; true stops the run as the emergency stop would. Optional.
    std::function<bool()> cancelled;
};

struct BoardRunResult {
    bool controller_started = false;  // false: nothing was sent
    bool emergency_stop = false;      // the run ended in the emergency stop
    bool cancelled = false;           // by `cancelled`
    std::string stop_reason;          // then why, as the status bar says it
    int operator_waits = 0;           // program stops (a tool change's among them) resumed at once
    std::vector<std::string> modal_messages;
    std::array<std::int32_t, 4> steps{};  // where the board stands at the end
};

// The reason given when the board never reported idle and so nothing was run.
inline constexpr const char* NEVER_IDLE = "the board never reported idle; nothing was run";

BoardRunResult RunProgramOnBoard(const std::optional<controller::ZorvanApiTable>& api, BoardRunSetup& setup);

}  // namespace zorvan::machine
