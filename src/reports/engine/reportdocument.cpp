#include "reports/engine/reportdocument.h"

#include <QMap>
#include <algorithm>

QString ReportDocument::pageText(int page) const
{
    if (page < 0 || page >= pages.size())
        return QString();
    // Texts whose vertical centres lie within a point of each other share a line.
    QMap<qint64, QList<const ReportItem *>> lines;
    for (const ReportItem &item : pages.at(page)) {
        if (item.kind != ReportItem::Kind::Text || item.text.isEmpty())
            continue;
        lines[qRound64(item.rect.center().y())].append(&item);
    }
    QStringList out;
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        QList<const ReportItem *> items = it.value();
        std::stable_sort(items.begin(), items.end(), [](const ReportItem *a, const ReportItem *b) {
            return a->rect.left() < b->rect.left();
        });
        QStringList texts;
        for (const ReportItem *item : items)
            texts << item->text;
        out << texts.join(QStringLiteral(" | "));
    }
    return out.join(QLatin1Char('\n'));
}

QString ReportDocument::text() const
{
    QStringList out;
    for (int i = 0; i < pages.size(); ++i)
        out << pageText(i);
    return out.join(QStringLiteral("\n\f\n"));
}
