#pragma once

#include <QLocale>
#include <QString>

class CommandHost;
class QDate;

namespace InventoryValue {

// What the value window reads: a blank line, the "Current Inventory Value
// for" line with the date in the user's short form, a blank line and the
// total in the user's currency format.
QString valueText(const QDate &today, double total, const QLocale &locale = QLocale());

// Inventory > Show Current Value: values the stock and writes the result into
// the value window (a new one once the user has made the old one theirs).
// An empty catalogue is reported as "No Inventory In Database"; any other
// failure with its error, and nothing is written.
void ShowInventoryValue(CommandHost &host);

} // namespace InventoryValue
