#pragma once

#include <QString>

namespace StockNumbers {

// True when the number at the start of the text is too large for a double
// ("1e400"). The number reading gives 0 for such a text; the stock windows
// report it as an overflow instead of storing 0.
bool overflows(const QString &text);

} // namespace StockNumbers
