#pragma once

#include <QString>

#include <QtGlobal>

namespace tavik::panes {

// Figures shown to people, written the same way in every locale: digits only, a minus sign when
// negative, no grouping separators.

// A real number truncated toward zero. NaN gives 0 and values beyond the integer range stop at
// its ends, where a plain cast would be undefined.
qint64 truncToInt64(double value);

// The integer in decimal digits ("1200", never "1,200").
QString integerText(qint64 value);

// `value` with `decimals` digits after the point, rounded as C's "%.Nf" does: to the nearest
// representable neighbour, an exact half to even, so 1.25 gives "1.2" and 0.5 gives "0". The
// point is always ".", whatever the locale. Non-finite values give "nan", "inf" or "-inf".
QString fixedText(double value, int decimals);

} // namespace tavik::panes
