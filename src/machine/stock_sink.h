// The carving operations the canonical functions call in preview mode when the rendered view is shown;
// the stock height field implements them.
#pragma once

#include "config/tool_table_file.h"

namespace zorvan::machine {

class StockSink {
  public:
    virtual ~StockSink() = default;
    // The cutter that carves from now on: the tool entry's Style, AngRad and Diameter.
    virtual void SetCutter(const config::ToolEntry& tool) = 0;
    // Points in program units.
    virtual void CutLine(double x0, double y0, double z0, double x1, double y1, double z1) = 0;
    // Returns whether the rapid lowered any of the stock (the scene is then refreshed at once).
    virtual bool CutRapid(double x0, double y0, double z0, double x1, double y1, double z1) = 0;
    // Angles in radians; for the counter-clockwise arc the end angle is the larger.
    virtual void CutArcCCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                           double centre_x) = 0;
    virtual void CutArcCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                          double centre_x) = 0;
    virtual void Refresh() = 0;
};

}  // namespace zorvan::machine
