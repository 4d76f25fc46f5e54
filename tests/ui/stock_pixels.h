// What a pixel of the rendered stock shows, told by the balance of its channels so that the light's share
// does not matter: the scene's tests and the window's tests read their pictures alike.
#pragma once

#include <QColor>

#include <algorithm>
#include <cstdlib>

namespace zorvan::testing {

enum class Look { Stock, Floor, RapidCut, Marker, Background, Other };

inline const char* NameOf(Look look) {
    static const char* const names[] = {"stock", "floor", "rapid cut", "marker", "background", "other"};
    return names[static_cast<int>(look)];
}

inline Look LookOf(QRgb pixel) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (std::max({r, g, b}) < 60) return Look::Background;
    if (g > std::max(r, b) + 60) return Look::Marker;
    if (std::abs(r - g) < 30 && b < r - 60) return Look::RapidCut;
    if (b > r + 60 && b > g + 60) return Look::Floor;
    if (std::abs(r - b) < 30 && g < r - 60) return Look::Stock;
    return Look::Other;
}

}  // namespace zorvan::testing
