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

} // namespace CaseRules
