#include "program_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace zorvan::bench {

std::string generate_milling_program(long lines, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> step(-0.8, 0.8);
    std::uniform_int_distribution<int> kind(0, 99);
    std::string program;
    program.reserve(static_cast<std::size_t>(lines) * 32);
    char line[128];
    auto emit = [&](const char* text) {
        program += text;
        program += '\n';
    };
    emit("(generated milling job)");
    emit("G21 G17 G90");
    emit("G94 G54");
    emit("M3 S12000");
    double x = 0, y = 0, z = 1;
    long written = 4;
    long number = 10;
    while (written < lines - 1) {
        const int k = kind(random);
        if (k < 3) {
            // Retract, reposition, plunge.
            x += step(random) * 10;
            y += step(random) * 10;
            std::snprintf(line, sizeof line, "N%ld G0 Z5.000 X%.3f Y%.3f", number, x, y);
        } else if (k < 12) {
            // A quarter or half arc with a centre offset, so its radius checks out exactly.
            const double radius = 1.0 + (k % 4);
            const double cx = x + radius;
            const bool half = k % 2 == 0;
            const double ex = half ? x + 2 * radius : cx;
            const double ey = half ? y : y + radius;
            std::snprintf(line, sizeof line, "N%ld G%d X%.4f Y%.4f I%.4f J0 F%d", number, k % 3 ? 2 : 3, ex,
                          half ? ey : (k % 3 ? y + radius : y - radius), radius, 600 + k * 10);
            x = ex;
            y = half ? ey : (k % 3 ? y + radius : y - radius);
        } else {
            x += step(random);
            y += step(random);
            z = -0.5 - (k % 5) * 0.1;
            std::snprintf(line, sizeof line, "N%ld G1 X%.4f Y%.4f Z%.4f F%d", number, x, y, z,
                          800 + (k % 7) * 50);
        }
        emit(line);
        number += 10;
        ++written;
    }
    emit("M2");
    return program;
}

std::string generate_surfacing_program(long lines) {
    constexpr double WIDTH = 200, DEPTH = 150;  // mm
    constexpr long MOVES_PER_ROW = 1000;
    const long rows = std::max((lines - 6) / (MOVES_PER_ROW + 1), 1L);
    const double stepover = DEPTH / static_cast<double>(rows);
    auto surface = [](double x, double y) { return -3.0 + 1.5 * std::sin(x / 25.0) * std::cos(y / 20.0); };
    std::string program = "G21 G17 G90\nG0 Z5\nG0 X0 Y0\n";
    program.reserve(static_cast<std::size_t>(lines) * 32);
    char line[96];
    std::snprintf(line, sizeof line, "G1 Z%.4f F1200\n", surface(0, 0));
    program += line;
    for (long row = 0; row < rows; ++row) {
        const double y = static_cast<double>(row) * stepover;
        if (row > 0) {
            std::snprintf(line, sizeof line, "Y%.4f\n", y);
            program += line;
        }
        for (long k = 1; k <= MOVES_PER_ROW; ++k) {
            const double along = WIDTH * static_cast<double>(k) / MOVES_PER_ROW;
            const double x = row % 2 == 0 ? along : WIDTH - along;
            std::snprintf(line, sizeof line, "X%.4f Z%.4f\n", x, surface(x, y));
            program += line;
        }
    }
    program += "G0 Z5\nM2\n";
    return program;
}

std::string generate_compensated_program(long moves) {
    std::string program = "G21 G17 G90\nG0 X-20 Y50 Z5\nF1500\nG41 D1\nG1 X0 Y50 Z-1\n";
    program.reserve(static_cast<std::size_t>(moves) * 40);
    constexpr int SIDES = 36;
    constexpr double RADIUS = 50.0;
    constexpr double PI = 3.14159265358979323846;
    char line[96];
    for (long k = 1; k < moves; ++k) {
        // Clockwise round the origin: the tool, on the left, stays outside every corner.
        const double angle = PI / 2 - 2 * PI * static_cast<double>(k % SIDES) / SIDES;
        const double x = RADIUS * std::cos(angle);
        const double y = RADIUS * std::sin(angle);
        if (k % 2 == 0) {
            std::snprintf(line, sizeof line, "G1 X%.4f Y%.4f\n", x, y);
        } else {
            std::snprintf(line, sizeof line, "G2 X%.4f Y%.4f R%.1f\n", x, y, RADIUS * 2);
        }
        program += line;
    }
    program += "G40\nG0 Z5\nM2\n";
    return program;
}

std::string generate_cycle_program(long holes) {
    std::string program = "G21 G17 G90\nG0 X0 Y0 Z10\nF300 S3000 M3\n";
    program.reserve(static_cast<std::size_t>(holes) * 24);
    static const char* const starts[] = {"G98 G81 Z-3 R1", "G99 G82 Z-3 R1 P0.2", "G98 G83 Z-6 R1 Q1.5",
                                         "G99 G85 Z-4 R1"};
    char line[96];
    for (long hole = 0; hole < holes; ++hole) {
        const long column = hole % 100;
        const long row = hole / 100;
        // Each grid of 1000 holes opens with its cycle's full line; the others give only the position.
        if (hole % 1000 == 0) {
            std::snprintf(line, sizeof line, "%s X%ld Y%ld\n", starts[(hole / 1000) % 4], column * 5,
                          row * 5);
        } else {
            std::snprintf(line, sizeof line, "X%ld Y%ld\n", column * 5, row * 5);
        }
        program += line;
    }
    program += "G80\nM5\nM2\n";
    return program;
}

}  // namespace zorvan::bench
