#pragma once

#include <QtGlobal>
#include <cmath>

/** part x 100 / whole rounded to the nearest integer, halves to the even neighbour, capped at
 *  100; 0 when whole is 0 or less. */
inline int HalfEvenPercent(qint64 part, qint64 whole)
{
    if (whole <= 0)
        return 0;
    const double exact = double(part) * 100.0 / double(whole);
    const double below = std::floor(exact);
    const double fraction = exact - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    if (rounded > 100.0)
        return 100;
    if (rounded < 0.0)
        return 0;
    return int(rounded);
}
