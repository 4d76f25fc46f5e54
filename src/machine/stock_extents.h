// Where the rendered view's stock lies. The canonical functions carve it where the tool's tip goes in
// program coordinates, but keep the path's extents in the machine's frame: under a work offset the stock
// laid over those would miss the cuts.
#pragma once

#include <array>
#include <cstddef>

#include "machine/canon.h"

namespace zorvan::machine {

// The path's extents (min X, max X, min Y, max Y, min Z, max Z) taken into program coordinates with the
// origin and tool length offsets now in force, as the cuts are.
inline std::array<double, 6> StockExtents(const Canon& canon) {
    std::array<double, 6> extents = canon.PathExtentsInProgramUnits();
    const std::array<double, 3> origin = canon.OriginOffsetInProgramUnits();
    for (std::size_t axis = 0; axis < 3; ++axis) {
        double shift = origin[axis];
        if (axis == 2) shift += canon.ToolLengthOffset / canon.LengthUnitScale;
        extents[2 * axis] -= shift;
        extents[2 * axis + 1] -= shift;
    }
    return extents;
}

}  // namespace zorvan::machine
