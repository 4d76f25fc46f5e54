// Large, realistic G-code programs for the benchmarks: a surfacing and contouring job of mostly feed
// moves with some arcs and rapids, the shape a CAM post-processor writes.
#pragma once

#include <string>

namespace zorvan::bench {

// A program of exactly `lines` lines ending with M2.
std::string generate_milling_program(long lines, unsigned seed = 1);

// A finishing raster of about `lines` lines over a 200 x 150 mm part: back-and-forth rows along X of
// 0.2 mm feed moves that follow a wavy surface between Z -4.5 and -1.5, 0.15 mm apart for a million
// lines. Needs a ball cutter; names no tool.
std::string generate_surfacing_program(long lines);

// A contour under G41 of `moves` compensated moves: loops of a clockwise polygon whose sides alternate
// between straight lines and arcs, so every join is a convex corner. Needs tool 1 with radius 1.
std::string generate_compensated_program(long moves);

// A drilling job of `holes` holes, one per line: G81, G82, G83 and G85 grids, the cycle continuing with
// only X and Y on most lines.
std::string generate_cycle_program(long holes);

}  // namespace zorvan::bench
