#include "app/cli_travel.h"

#include <cstdio>

namespace zorvan::app {

void append_travel_report(TraceOutput& out, const machine::TravelCheck& check) {
    char text[128];
    for (const machine::TravelExcursion& e : check.Kept()) {
        std::snprintf(text, sizeof text, "line %ld: %s\n", e.line, machine::ExcursionText(e).c_str());
        out.append(text);
    }
    if (check.Count() == 0) return;
    std::snprintf(text, sizeof text, "%lld excursion%s beyond the table\n", check.Count(),
                  check.Count() == 1 ? "" : "s");
    out.append(text);
}

}  // namespace zorvan::app
