#pragma once

#include <QtGlobal>

namespace pagemint {

/** part x 100 / whole rounded to the nearest integer, halves to the even neighbour, within
 *  0..100; 0 when whole is 0 or less. Worked out in integers, so a half is always seen exactly.
 *  The progress bars of the crawl, the downloads and the gallery all show this value. */
inline int HalfEvenPercent(qint64 part, qint64 whole)
{
    if (whole <= 0 || part <= 0)
        return 0;
    if (part >= whole)
        return 100;
    const qint64 scaled = part * 100;
    qint64 percent = scaled / whole;
    const qint64 twiceRest = (scaled % whole) * 2;
    if (twiceRest > whole || (twiceRest == whole && percent % 2 != 0))
        ++percent;
    return int(percent);
}

} // namespace pagemint
