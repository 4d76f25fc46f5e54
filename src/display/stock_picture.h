// The carved stock as a picture seen from above: each pixel takes the colour the height field gives its
// point, shaded by the slope of the surface there so that walls and floors stand apart.
#pragma once

#include <QImage>
#include <filesystem>
#include <optional>
#include <string>

#include "display/cam_grid.h"

namespace zorvan::display {

// The grid's cells fitted into width x height pixels, X to the right and Y upwards, centred, keeping the
// cells square when the grid's steps are equal; pixels beyond the grid show the background. Light falls
// from the upper left: a level surface keeps the callback's colour, a slope facing away from the light is
// darker.
QImage render_stock_picture(const TCamGrid& grid, int width, int height);

// Writes the picture as PNG through a temporary file renamed into place. nullopt on success, else the
// reason it could not be written.
std::optional<std::string> save_stock_picture(const TCamGrid& grid, int width, int height,
                                              const std::filesystem::path& path);

}  // namespace zorvan::display
