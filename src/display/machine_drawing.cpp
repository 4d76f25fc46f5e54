#include "display/machine_drawing.h"

namespace zorvan::display {

ViewBox table_box(const config::StartupSettings& s) {
    return {s.MinX, s.MaxX, s.MinY, s.MaxY, s.MinZ, s.MaxZ, 0.0, s.TableDepth, s.TableWidth};
}

void draw_machine_and_tool(TVectorDisplay3D& view, const ViewBox& table, const machine::OperatorPanel& panel,
                           const machine::Canon& canon) {
    view.DrawTable(table);
    const auto position = panel.DisplayPosition();
    view.MoveTo3D(position[0] * canon.UnitsPerStep[0], position[1] * canon.UnitsPerStep[1],
                  position[2] * canon.UnitsPerStep[2]);
    view.SetPenColor(0);
}

}  // namespace zorvan::display
