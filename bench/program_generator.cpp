#include "program_generator.h"

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

}  // namespace zorvan::bench
