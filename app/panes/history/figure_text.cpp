#include "app/panes/history/figure_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tavik::panes {

qint64 truncToInt64(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // 2^63 is exactly representable; anything at or beyond it would overflow the cast.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit) {
        return std::numeric_limits<qint64>::max();
    }
    if (value <= -limit) {
        return std::numeric_limits<qint64>::min();
    }
    return static_cast<qint64>(std::trunc(value));
}

QString integerText(qint64 value) {
    return QString::number(value);
}

QString fixedText(double value, int decimals) {
    // The shortest fixed text of a double can run to ~330 digits; to_chars never writes beyond.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        return QString();
    }
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace tavik::panes
