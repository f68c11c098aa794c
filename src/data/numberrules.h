#pragma once

#include "data/dberror.h"

#include <QLocale>
#include <QString>

class QVariant;

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
// Typed text to a 16-bit whole number as the standard conversion reads it:
// the text must pass the numeric test (else error 13, also for empty text);
// thousands separators and the currency symbol are dropped, a fraction rounds
// halves to even, out of range is error 6. So "1,000" is 1000 and "2.5" is 2.
bool textToInt16(const QString &text, qint16 *out, DbError *error = nullptr,
                 const QLocale &locale = QLocale());

// A stored value as text with no formatting: whole numbers as they are,
// fractions in plain decimal form with the fewest digits that give the value
// back (12.5, 0.0005, 2000000: never an exponent), a Boolean as "True" or
// "False", text as it is, null as an empty text.
QString plainText(const QVariant &value);

// Is the text, blanks and tabs around it aside, a plain decimal number
// (sign, digits with at most one full stop, an exponent) in range; its value
// then in *value. How grids tell numbers from text when they sort.
bool isPlainNumber(QStringView text, double *value = nullptr);
// The same grammar as devices write it, any white space around the text
// aside: "1,000" is no plain number.
bool readPlainNumber(const QString &text, double *value);

} // namespace NumberRules
