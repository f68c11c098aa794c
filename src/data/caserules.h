#pragma once

#include <QString>

// Letter case as the database compares text (SQLite's NOCASE): A-Z and a-z
// are the same letter, every other character, accented and non-Latin letters
// included, matches only itself. Whatever the program compares without regard
// to case goes through here, so that a window never finds what the database
// says does not exist, nor the other way round.
namespace CaseRules {

// The character with a-z taken to A-Z; any other character unchanged.
constexpr char16_t fold(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

QString folded(const QString &text);
bool equal(QStringView a, QStringView b);
bool startsWith(QStringView text, QStringView prefix);

// Where a UTF-16 unit sorts as the database orders text without regard to
// case: A-Z as a-z, then by code point (surrogates after the rest of the
// basic plane, as the UTF-8 byte order gives it).
constexpr char16_t orderUnit(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return char16_t(c + (u'a' - u'A'));
    if (c >= 0xD800)
        return char16_t(c >= 0xE000 ? c - 0x800 : c + 0x2000);
    return c;
}
// Below 0, 0 or above 0 as the database orders the two texts; `from`: the
// units before it are known to be equal.
int compare(QStringView a, QStringView b, qsizetype from = 0);

} // namespace CaseRules
