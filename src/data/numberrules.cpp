#include "data/numberrules.h"

#include <QVariant>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace NumberRules {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
           || c == QLatin1Char('\r') || c == QChar(0x00A0);
}

// Consumes `token` at `pos` when it is there and not empty.
bool take(const QString &s, qsizetype &pos, const QString &token)
{
    if (token.isEmpty())
        return false;
    if (s.mid(pos, token.size()).compare(token, Qt::CaseInsensitive) == 0) {
        pos += token.size();
        return true;
    }
    return false;
}

bool takeSign(const QString &s, qsizetype &pos, const QLocale &locale)
{
    if (pos < s.size() && (s.at(pos) == QLatin1Char('+') || s.at(pos) == QLatin1Char('-'))) {
        ++pos;
        return true;
    }
    return take(s, pos, locale.negativeSign()) || take(s, pos, locale.positiveSign());
}

} // namespace

bool isNumeric(const QString &text, const QLocale &locale)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    const QString currency = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < s.size() && isBlank(s.at(pos)))
            ++pos;
    };

    bool haveCurrency = take(s, pos, currency);
    skipBlanks();
    takeSign(s, pos, locale);
    skipBlanks();
    if (!haveCurrency) {
        haveCurrency = take(s, pos, currency);
        skipBlanks();
    }

    int digits = 0;
    bool seenDecimal = false;
    while (pos < s.size()) {
        const QChar c = s.at(pos);
        if (c.isDigit() && c.unicode() < 128) {
            ++digits;
            ++pos;
        } else if (!seenDecimal && take(s, pos, decimal)) {
            seenDecimal = true;
        } else if (!seenDecimal && digits > 0 && take(s, pos, group)) {
            // thousands separators are accepted wherever digits stand
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;

    if (pos < s.size() && (s.at(pos).toUpper() == QLatin1Char('E') || s.at(pos).toUpper() == QLatin1Char('D'))) {
        ++pos;
        if (pos < s.size() && (s.at(pos) == QLatin1Char('+') || s.at(pos) == QLatin1Char('-')))
            ++pos;
        int expDigits = 0;
        while (pos < s.size() && s.at(pos).isDigit() && s.at(pos).unicode() < 128) {
            ++expDigits;
            ++pos;
        }
        if (expDigits == 0)
            return false;
    }
    skipBlanks();
    if (!haveCurrency) {
        take(s, pos, currency);
        skipBlanks();
    }
    return pos == s.size();
}

double readNumber(const QString &text)
{
    QByteArray n;
    n.reserve(text.size());
    bool mantissaDigits = false;
    bool point = false;
    qsizetype i = 0;
    auto next = [&]() -> QChar {
        while (i < text.size() && isBlank(text.at(i)) && text.at(i) != QChar(0x00A0)
               && text.at(i) != QLatin1Char('\r'))
            ++i;
        return i < text.size() ? text.at(i) : QChar();
    };

    QChar c = next();
    if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
        n += char(c.unicode());
        ++i;
    }
    for (c = next(); !c.isNull(); c = next()) {
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            n += char(c.unicode());
            mantissaDigits = true;
            ++i;
        } else if (c == QLatin1Char('.') && !point) {
            n += '.';
            point = true;
            ++i;
        } else {
            break;
        }
    }
    if (!mantissaDigits)
        return 0.0;
    c = next();
    if (c.toUpper() == QLatin1Char('E') || c.toUpper() == QLatin1Char('D')) {
        QByteArray e = "e";
        ++i;
        QChar s = next();
        if (s == QLatin1Char('+') || s == QLatin1Char('-')) {
            e += char(s.unicode());
            ++i;
        }
        bool expDigits = false;
        for (s = next(); !s.isNull() && s.unicode() >= '0' && s.unicode() <= '9'; s = next()) {
            e += char(s.unicode());
            expDigits = true;
            ++i;
        }
        if (expDigits) {
            n += e;

        }
    }
    // strtod in the C locale whatever the user's; a number too large for a
    // double reads as an infinity, which every conversion then reports.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(n.constData(), nullptr, cLocale);
}

bool toInt16(double value, qint16 *out, DbError *error)
{
    // nearbyint rounds halves to the even neighbour in the default mode.
    const double r = std::nearbyint(value);
    if (!std::isfinite(r) || r < -32768.0 || r > 32767.0) {
        if (error)
            *error = DbError::runtime(ErrorNumber::Overflow);
        return false;
    }
    if (out)
        *out = qint16(r);
    return true;
}

bool toInt16(const QVariant &value, qint16 *out, DbError *error)
{
    if (value.isNull() || !value.isValid()) {
        if (error)
            *error = DbError::runtime(ErrorNumber::InvalidUseOfNull);
        return false;
    }
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok) {
        if (error)
            *error = DbError::runtime(ErrorNumber::TypeMismatch);
        return false;
    }
    return toInt16(d, out, error);
}

QString plainText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return value.toString();
        QString text = QString::number(d, 'f', QLocale::FloatingPointShortest);
        if (text == QLatin1String("-0"))
            text = QStringLiteral("0");
        return text;
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

bool textToInt16(const QString &text, qint16 *out, DbError *error, const QLocale &locale)
{
    if (!isNumeric(text, locale)) {
        if (error)
            *error = DbError::runtime(ErrorNumber::TypeMismatch);
        return false;
    }
    // What the numeric test let through, in the form the number reading takes.
    QString plain;
    plain.reserve(text.size());
    const QString currency = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    const QString minus = locale.negativeSign();
    for (qsizetype i = 0; i < text.size();) {
        auto at = [&](const QString &token) {
            return !token.isEmpty() && text.mid(i, token.size()).compare(token, Qt::CaseInsensitive) == 0;
        };
        if (at(currency)) {
            i += currency.size();
        } else if (at(decimal)) {
            plain += QLatin1Char('.');
            i += decimal.size();
        } else if (at(group)) {
            i += group.size();
        } else if (minus != QLatin1String("-") && at(minus)) {
            plain += QLatin1Char('-');
            i += minus.size();
        } else if (isBlank(text.at(i))) {
            ++i;
        } else {
            plain += text.at(i);
            ++i;
        }
    }
    return toInt16(readNumber(plain), out, error);
}

bool isPlainNumber(QStringView text, double *value)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    qsizetype i = b;
    if (i < e && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    for (; i < e && digit(text[i]); ++i)
        ++digits;
    if (i < e && text[i] == QLatin1Char('.'))
        for (++i; i < e && digit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < e && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < e && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        int expDigits = 0;
        for (; i < e && digit(text[i]); ++i)
            ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != e)
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(text.mid(b, e - b), &ok);
    if (!ok) // out of range
        return false;
    if (value)
        *value = v;
    return true;
}

bool readPlainNumber(const QString &text, double *value)
{
    return isPlainNumber(QStringView(text).trimmed(), value);
}

} // namespace NumberRules
