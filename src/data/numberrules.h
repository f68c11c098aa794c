#pragma once

#include "data/dberror.h"

#include <QLocale>
#include <QString>

// The two rules by which entry windows take numbers from typed text.
namespace NumberRules {

// Is the text, blanks around it aside, a number in the locale: sign, digits
// with decimal and thousands separators, exponent (E or D), currency symbol.
bool isNumeric(const QString &text, const QLocale &locale = QLocale());

// The number at the start of the text: blanks, tabs and line feeds are
// skipped; sign, digits, one full stop and an exponent are read up to the
// first character that cannot continue the number. No digits reads as 0.
// So "1,000" reads as 1 and "$5" as 0; "1e400" reads as infinity.
double readNumber(const QString &text);

// To a 16-bit whole number, halves to the even neighbour. Out of range is
// error 6 (overflow).
bool toInt16(double value, qint16 *out, DbError *error = nullptr);
// A stored value (as the database gives it) to a 16-bit whole number.
// Null is error 94 (invalid use of null); text that is no number is error
// 13 (type mismatch).
bool toInt16(const QVariant &value, qint16 *out, DbError *error = nullptr);

// A stored value as text with no formatting: whole numbers as they are,
// fractions in plain decimal form with the fewest digits that give the value
// back (12.5, 0.0005, 2000000: never an exponent), text as it is.
QString plainText(const QVariant &value);

} // namespace NumberRules
