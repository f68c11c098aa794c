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

} // namespace CaseRules
