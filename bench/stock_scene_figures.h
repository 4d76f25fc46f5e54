// The rendered view's figures: carving a large surfacing program's moves into the stock with the scene
// refreshed as the window refreshes it during a preview, and the frame rate of orbiting the carved stock.
#pragma once

#include <string>

namespace zorvan::bench {

// Prints the figures for a surfacing program of about `lines` lines; a picture of the carved stock goes to
// picture_folder. Needs the application object and OpenGL; without OpenGL it says so and nothing else.
void print_stock_scene_figures(long lines, const std::string& picture_folder);

}  // namespace zorvan::bench
