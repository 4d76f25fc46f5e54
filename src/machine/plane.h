// The selected plane's coordinates: an arc lies in its first and second coordinates and climbs along the
// axial one. Planes: 1 XY, 2 YZ (Y first, Z second), 3 XZ (Z first, X second).
#pragma once

#include <array>

#include "interp/canonical_machine.h"

namespace zorvan::machine {

// X, Y, Z of a point given in the plane's first, second and axial coordinates.
inline std::array<double, 3> PlaneToXyz(int plane, double first, double second, double axis) {
    switch (plane) {
        case 2:
            return {axis, first, second};
        case 3:
            return {second, axis, first};
        default:
            return {first, second, axis};
    }
}

// The plane's first, second and axial coordinates of a position.
inline std::array<double, 3> XyzToPlane(int plane, const interp::Position& p) {
    switch (plane) {
        case 2:
            return {p.y, p.z, p.x};
        case 3:
            return {p.z, p.x, p.y};
        default:
            return {p.x, p.y, p.z};
    }
}

}  // namespace zorvan::machine
