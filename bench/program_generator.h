// Large, realistic G-code programs for the benchmarks: a surfacing and contouring job of mostly feed
// moves with some arcs and rapids, the shape a CAM post-processor writes.
#pragma once

#include <string>

namespace zorvan::bench {

// A program of exactly `lines` lines ending with M2.
std::string generate_milling_program(long lines, unsigned seed = 1);

}  // namespace zorvan::bench
