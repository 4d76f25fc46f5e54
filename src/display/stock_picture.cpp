#include "display/stock_picture.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <vector>

namespace zorvan::display {
namespace {

constexpr QRgb BACKGROUND = 0xff404040;
// Direction towards the light: from the upper left of the picture and above.
constexpr double LIGHT_X = -1.0, LIGHT_Y = 1.0, LIGHT_Z = 1.0;
// Share of the colour that even a surface turned away from the light keeps.
constexpr double AMBIENT = 0.25;

int channel(double value) {
    return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

// Brightness of each cell from its slope: 1 for a level cell, more (held at 1) facing the light, less
// facing away.
std::vector<double> cell_shades(const TCamGrid& grid) {
    const int rows = grid.Rows(), columns = grid.Columns();
    std::vector<double> shades(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 1.0);
    auto height = [&](int row, int column) {
        row = std::clamp(row, 0, rows - 1);
        column = std::clamp(column, 0, columns - 1);
        return static_cast<double>(grid.Cell(row, column).height);
    };
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const double slope_x = (height(row, column + 1) - height(row, column - 1)) / (2 * grid.XStep);
            const double slope_y = (height(row + 1, column) - height(row - 1, column)) / (2 * grid.YStep);
            const double normal_length = std::sqrt(slope_x * slope_x + slope_y * slope_y + 1.0);
            const double facing = (-slope_x * LIGHT_X - slope_y * LIGHT_Y + LIGHT_Z) / normal_length;
            // Scaled so that a level surface (facing = LIGHT_Z) gets exactly 1.
            const double lit = facing / LIGHT_Z;
            double shade = AMBIENT + (1.0 - AMBIENT) * lit;
            if (!std::isfinite(shade)) shade = 1.0;
            shades[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                   static_cast<std::size_t>(column)] = std::clamp(shade, 0.0, 1.0);
        }
    }
    return shades;
}

}  // namespace

QImage render_stock_picture(const TCamGrid& grid, int width, int height) {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(BACKGROUND);
    const int rows = grid.Rows(), columns = grid.Columns();
    const double world_width = columns * grid.XStep;
    const double world_height = rows * grid.YStep;
    if (rows == 0 || columns == 0 || !(world_width > 0) || !(world_height > 0)) return image;

    const double scale = std::min(image.width() / world_width, image.height() / world_height);  // px/unit
    const double left = (image.width() - world_width * scale) / 2;
    const double top = (image.height() - world_height * scale) / 2;
    const double x_edge = grid.XMin - grid.XStep / 2;
    const double y_edge = grid.YMin - grid.YStep / 2;
    const std::vector<double> shades = cell_shades(grid);

    for (int py = 0; py < image.height(); ++py) {
        const double from_top = (py + 0.5 - top) / scale;
        if (from_top < 0 || from_top >= world_height) continue;
        const double y = y_edge + world_height - from_top;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < image.width(); ++px) {
            const double from_left = (px + 0.5 - left) / scale;
            if (from_left < 0 || from_left >= world_width) continue;
            const double x = x_edge + from_left;
            const CamSample sample = grid.Sample(x, y);
            const int column = std::clamp(static_cast<int>(from_left / grid.XStep), 0, columns - 1);
            const int row = std::clamp(static_cast<int>((y - y_edge) / grid.YStep), 0, rows - 1);
            const double shade = shades[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                                        static_cast<std::size_t>(column)];
            line[px] = qRgb(channel(sample.colour.r * shade), channel(sample.colour.g * shade),
                            channel(sample.colour.b * shade));
        }
    }
    return image;
}

std::optional<std::string> save_stock_picture(const TCamGrid& grid, int width, int height,
                                              const std::filesystem::path& path) {
    const QImage image = render_stock_picture(grid, width, height);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    if (!image.save(QString::fromStdString(temporary.string()), "PNG")) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return "cannot write " + path.string();
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return "cannot write " + path.string() + ": " + error.message();
    }
    return std::nullopt;
}

}  // namespace zorvan::display
