#pragma once

#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportdocument.h"
#include "reports/engine/reporterror.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QStringList>
#include <QVariant>
#include <QVector>

// Lays the rows of a report's query out on pages: page header and footer,
// column headings on every page, group headers and footers with their
// totals, the report's total line. A group that goes on over a page break is
// headed again with "(continued)".
class ReportLayout
{
public:
    // The rows, row after row, `fields.size()` values each.
    struct Rows
    {
        QStringList fields;
        QVector<QVariant> values;
        qsizetype count() const { return fields.isEmpty() ? 0 : values.size() / fields.size(); }
    };

    ReportLayout(const ReportDefinition &definition, const QHash<QString, QVariant> &answers,
                 const QDateTime &printedAt, const QLocale &locale = QLocale());

    ReportError layout(const Rows &rows, ReportDocument *out) const;

    // A value as a column shows it.
    static QString formatValue(const QVariant &value, const ReportFormat &format, const QLocale &locale);

    static constexpr double MarginPt = 36;
    static constexpr double ColumnGapPt = 6;
    // The paper of the locale: Letter in the US and its neighbours, else A4.
    static QSizeF paperSize(const QLocale &locale, bool landscape);

private:
    const ReportDefinition &m_def;
    QHash<QString, QVariant> m_answers; // keyed by lower-case prompt name
    QDateTime m_printedAt;
    QLocale m_locale;
};
