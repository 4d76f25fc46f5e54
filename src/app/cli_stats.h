// zorvannc-cli stats: what a program does, counted while it is previewed headless.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"

namespace zorvan::app {

struct ProgramStats {
    long long lines = 0;
    long long feed_moves = 0;   // straight feeds, and arcs without a turn
    long long rapid_moves = 0;  // straight traverses
    long long arcs_cw = 0;
    long long arcs_ccw = 0;
    long long probe_moves = 0;
    double feed_length_mm = 0;   // straight feeds, arcs (along the arc, helix included) and probe moves
    double rapid_length_mm = 0;  // straight traverses
    double feed_time_s = 0;      // at the programmed feed rates
    double rapid_time_s = 0;     // every axis at its configured top speed
    double dwell_time_s = 0;
    long long moves_without_feed_rate = 0;  // feed moves that had no positive feed rate: not timed
    std::vector<int> tools;                 // slots changed to, in the order first used
    std::array<double, 6> extents{};        // min X, max X, min Y, max Y, min Z, max Z, program units
    double mm_per_unit = 1.0;               // of the program units at the end of the program
    int errors = 0;
};

// Previews the program text with a fresh machine started from the options' configuration folder and
// counts what it does; errors are written to `out` as "error(N): MESSAGE" lines.
ProgramStats collect_program_stats(const ProgramRunOptions& options, std::string_view text, std::FILE* out);

// "stats [--config-dir DIR] [--units G20|G21] FILE". After any error lines, writes one "key: value" line
// each:
//   file: NAME
//   lines: N                        lines of the file
//   units: mm|inch|cm               the program units at its end, in which extents and lengths are given
//   extent x: MIN MAX               likewise y and z; the path drawn, "%.4f"
//   feed moves: N                   likewise rapid moves, arcs cw, arcs ccw, probe moves
//   feed length: L                  straight feeds, arcs along the arc (helix included) and probe moves
//   rapid length: L
//   tools: T1 T2 ...                slots changed to, in first-use order; "none" without a tool change
//   feed time s: S                  at the programmed feed rates, acceleration not counted
//   rapid time s: S                 each axis at its configured top speed (steps/s over steps/mm)
//   dwell time s: S
//   untimed feed moves: N           only when some feed move had no positive feed rate
//   estimated time s: S             the sum of the three times
//   estimated time: H:MM:SS
//   machine time s: S               GO's run on the simulated board's motion model and virtual clock,
//                                   as `run` times it; the operator's waits count as nothing
//   machine time: H:MM:SS
//   operator waits: N               program stops and tool changes that wait for the operator
//   machine stop: REASON            only when the run would end early in the emergency stop
// Exit status 0 once the file is read, errors in the program included; 2 for a usage error or an
// unreadable file.
int run_stats_command(const std::vector<std::string>& args_after_stats, std::FILE* out, std::FILE* err);

}  // namespace zorvan::app
