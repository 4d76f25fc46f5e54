// zorvannc-cli simulate: the rendered view's simulation without a window, saved as a picture.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"
#include "display/cam_grid.h"

namespace zorvan::app {

// "simulate FILE --png OUT [--size WxH] [--resolution R] [--config-dir DIR]" (the words after
// "simulate"). Runs the program once to learn the extents of its path, sets the stock up over the X and Y
// extents widened by the radius of the widest cutter the program selects, runs it again carving the stock
// with the cutters of its tool changes (tool table of DIR, by default the program's own folder), and writes
// the stock seen from above as a PNG of W x H pixels (default 800x600), coloured as the rendered view
// colours it (yellow where a rapid cut). R is the number of cells across the larger of the stock's width
// and depth (default 1000, at most 4000), so a part 100 mm wide gets cells of 0.1 mm. Interpreter errors
// are printed to out as "error(N): MESSAGE" lines and do not stop the picture. Returns 0 when the picture
// is saved, 2 for a usage error, an unreadable FILE or an unwritable OUT.
int run_simulate_command(const std::vector<std::string>& args_after_simulate, std::FILE* out, std::FILE* err);

// The stock that command pictures: the program's text run twice as described above, on a grid of
// cells_across cells across; the carving run's interpreter errors are printed to out.
display::TCamGrid simulate_stock(const ProgramRunOptions& run, std::string_view text, double cells_across,
                                 std::FILE* out);

}  // namespace zorvan::app
