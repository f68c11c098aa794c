#include "data/caserules.h"

namespace CaseRules {

namespace {

bool sameFolded(const QChar *a, const QChar *b, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i] && fold(a[i].unicode()) != fold(b[i].unicode()))
            return false;
    }
    return true;
}

} // namespace

QString folded(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        c = QChar(fold(c.unicode()));
    return out;
}

bool equal(QStringView a, QStringView b)
{
    return a.size() == b.size() && sameFolded(a.data(), b.data(), a.size());
}

bool startsWith(QStringView text, QStringView prefix)
{
    return text.size() >= prefix.size() && sameFolded(text.data(), prefix.data(), prefix.size());
}

int compare(QStringView a, QStringView b, qsizetype from)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = qMin(from, n); i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        const char16_t fx = orderUnit(x);
        const char16_t fy = orderUnit(y);
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace CaseRules
