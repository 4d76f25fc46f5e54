#include "app/cli_travel.h"

#include <cstdio>

namespace zorvan::app {

void append_travel_report(TraceOutput& out, const machine::TravelCheck& check) {
    static constexpr char AXES[] = "XYZ";
    char text[128];
    for (const machine::TravelExcursion& e : check.Kept()) {
        // A limit of -0 reads as 0.
        const double limit = e.limit == 0 ? 0.0 : e.limit;
        std::snprintf(text, sizeof text, "line %ld: %c %.4f beyond the table's %.4f\n", e.line, AXES[e.axis],
                      e.value, limit);
        out.append(text);
    }
    if (check.Count() == 0) return;
    std::snprintf(text, sizeof text, "%lld excursion%s beyond the table\n", check.Count(),
                  check.Count() == 1 ? "" : "s");
    out.append(text);
}

}  // namespace zorvan::app
