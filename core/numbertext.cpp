#include "core/numbertext.h"

#include <cmath>

namespace kestrovalin {

QString fixedText(double value, int decimals) {
    static const double scales[] = {1, 10, 100, 1000, 10000};
    if (decimals < 0 || decimals > 4 || !(value >= 0) || std::signbit(value))
        return QString::number(value, 'f', decimals);
    const double scaled = value * scales[decimals];
    // Below 2^31 the product is within 2.5e-7 of the exact one, so only a fraction that close to a half could
    // round the other way than the general formatting, which rounds the exact value half up.
    if (!(scaled < 2147483648.0))
        return QString::number(value, 'f', decimals);
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::abs(fraction - 0.5) < 1e-6)
        return QString::number(value, 'f', decimals);
    qint64 units = qint64(whole) + (fraction > 0.5 ? 1 : 0);

    // Digits from the right, into one allocation.
    QChar digits[24];
    int first = 24;
    auto digit = [&] {
        digits[--first] = QLatin1Char(char('0' + units % 10));
        units /= 10;
    };
    for (int i = 0; i < decimals; ++i)
        digit();
    if (decimals > 0)
        digits[--first] = QLatin1Char('.');
    do
        digit();
    while (units > 0);
    return QString(digits + first, 24 - first);
}

} // namespace kestrovalin
