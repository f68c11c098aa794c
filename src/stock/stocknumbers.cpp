#include "stock/stocknumbers.h"

#include <QByteArray>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace StockNumbers {

bool overflows(const QString &text)
{
    // The same characters the number reading skips and accepts; strtod_l in
    // the C locale (whatever the user's) stops where the number ends.
    QByteArray n;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        if (c.unicode() >= 0x80)
            break;
        n += c.toUpper() == QLatin1Char('D') ? 'e' : char(c.unicode());
    }
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    // Too large reads as infinity; too small as 0, which is what it is.
    return std::isinf(strtod_l(n.constData(), nullptr, c));
}

} // namespace StockNumbers
