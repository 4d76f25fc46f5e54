// What both programs draw around a tool path: the machine table and the tool's marker.
#pragma once

#include "config/machine_config.h"
#include "display/tool_path_view.h"
#include "machine/canon.h"
#include "machine/operator_panel.h"

namespace zorvan::display {

// The machine table as the main window hands it to the view: the six limits, then the table's depth
// and width, the last of which tells DrawTable that there is a table.
ViewBox table_box(const config::StartupSettings& s);

// The table, then the pen at the machine's displayed position, then the canvas pen for the tool marker.
void draw_machine_and_tool(TVectorDisplay3D& view, const ViewBox& table, const machine::OperatorPanel& panel,
                           const machine::Canon& canon);

}  // namespace zorvan::display
