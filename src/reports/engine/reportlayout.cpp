#include "reports/engine/reportlayout.h"

#include "reports/engine/reportpages.h"
#include "reports/engine/reportpainter.h"
#include "reports/engine/reporttext.h"
#include "reports/engine/reporttotals.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <cmath>
#include <map>
#include <memory>

namespace {

constexpr double PointsPerMm = 72.0 / 25.4;

// Plain decimal, no exponent, no trailing zeros.
QString general(double v)
{
    QString s = QString::number(v, 'f', 6);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

class Builder
{
public:
    Builder(const ReportDefinition &def, const QHash<QString, QVariant> &answers,
            const QDateTime &printedAt, const QLocale &locale, const ReportLayout::Rows &rows)
        : d(def), m_answers(answers), m_printedAt(printedAt), m_locale(locale), m_rows(rows)
    {
    }

    ReportError build(ReportDocument *out)
    {
        doc.title = d.title;
        doc.landscape = d.landscape;
        doc.pageSize = ReportLayout::paperSize(m_locale, d.landscape);
        doc.paper = doc.pageSize;
        // Templates are drawn for A4. On a narrower paper (Letter, landscape)
        // columns that fit A4 are laid out on a page of the paper's shape
        // made just wide enough, which the painter scales down to the paper.
        double need = 2 * ReportLayout::MarginPt - ColumnGap;
        for (const ReportColumn &c : d.columns)
            need += c.widthMm * PointsPerMm + ColumnGap;
        const double a4Width = ReportLayout::paperSize(QLocale(QLocale::German), d.landscape).width();
        if (need > doc.pageSize.width() && need <= a4Width + 0.5)
            doc.pageSize *= need / doc.pageSize.width();
        m_size = d.fontSize;
        m_line = std::ceil(m_size * 1.45);
        if (ReportError e = resolveColumns())
            return e;
        if (ReportError e = splitTexts())
            return e;
        collectSums();
        for (const QString &f : std::as_const(m_summedFields))
            if (field(f) < 0)
                return unknownField(f);
        m_top = ReportLayout::MarginPt;
        m_bottom = doc.pageSize.height() - ReportLayout::MarginPt - footerHeight();

        m_report.reset(int(d.columns.size()));
        m_groupTotals.resize(d.groups.size());
        m_groupFirst.resize(d.groups.size());
        newPage();

        const qsizetype rows = m_rows.count();
        if (rows == 0 && !d.emptyText.isEmpty()) {
            const QString text = expand(m_emptyText, -1, nullptr);
            if (m_error)
                return m_error;
            addText(QRectF(m_left, m_y, m_width, m_line), text, Qt::AlignLeft, m_size, false);
            m_y += m_line;
        }
        for (qsizetype r = 0; r < rows && !m_error; ++r) {
            int changed = int(d.groups.size());
            if (r == 0) {
                changed = 0;
            } else {
                for (int g = 0; g < d.groups.size(); ++g) {
                    if (!ReportGroups::sameValue(value(r, m_groupCols[g]), value(r - 1, m_groupCols[g]))) {
                        changed = g;
                        break;
                    }
                }
            }
            if (r > 0)
                for (int g = int(d.groups.size()) - 1; g >= changed; --g)
                    groupFooter(g);
            for (int g = changed; g < d.groups.size(); ++g)
                groupHeader(g, r);
            detail(r);
        }
        if (rows > 0)
            for (int g = int(d.groups.size()) - 1; g >= 0 && !m_error; --g)
                groupFooter(g);
        if (d.hasTotalLine && !m_error)
            totalLine();
        if (m_error)
            return m_error;
        finishPages();
        if (m_error)
            return m_error;
        *out = std::move(doc);
        return {};
    }

private:
    ReportError resolveColumns()
    {
        double x = ReportLayout::MarginPt;
        for (const ReportColumn &c : d.columns) {
            const int index = field(c.field);
            if (index < 0)
                return unknownField(c.field);
            if (c.total != ReportColumn::Total::None)
                m_totalColumns << int(m_cols.size());
            m_cols << index;
            const double w = c.widthMm * PointsPerMm;
            m_x << x;
            m_w << w;
            x += w + ColumnGap;
        }
        for (const ReportGroup &g : d.groups) {
            const int index = field(g.field);
            if (index < 0)
                return unknownField(g.field);
            m_groupCols << index;
        }
        m_left = ReportLayout::MarginPt;
        m_width = doc.pageSize.width() - 2 * ReportLayout::MarginPt;
        const double used = x - ColumnGap - m_left;
        if (used > m_width + 0.5)
            return ReportError::make(ReportErrorNumber::TooWide,
                                     QStringLiteral("The report's columns are %1 mm wide; the page "
                                                    "has room for %2 mm.")
                                         .arg(qRound(used / PointsPerMm))
                                         .arg(qRound(m_width / PointsPerMm)));
        return {};
    }

    ReportError unknownField(const QString &name) const
    {
        return ReportError::make(ReportErrorNumber::UnknownName,
                                 QStringLiteral("The report's query gives no column %1.").arg(name));
    }

    ReportError splitTexts()
    {
        QString why;
        auto split = [&](const QString &text, QList<ReportText::Piece> *pieces) {
            if (!ReportText::split(text, pieces, &why))
                m_error = ReportError::make(ReportErrorNumber::Syntax, why);
        };
        split(d.subtitle, &m_subtitle);
        split(d.emptyText, &m_emptyText);
        split(d.totalText, &m_totalText);
        split(d.pageHeader.left, &m_band[0]);
        split(d.pageHeader.center, &m_band[1]);
        split(d.pageHeader.right, &m_band[2]);
        split(d.pageFooter.left, &m_band[3]);
        split(d.pageFooter.center, &m_band[4]);
        split(d.pageFooter.right, &m_band[5]);
        for (const ReportGroup &g : d.groups) {
            m_groupHeader.append(QList<ReportText::Piece>());
            m_groupFooter.append(QList<ReportText::Piece>());
            split(g.header, &m_groupHeader.last());
            split(g.footer, &m_groupFooter.last());
        }
        return m_error;
    }

    int field(const QString &name) const
    {
        for (int i = 0; i < m_rows.fields.size(); ++i)
            if (m_rows.fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    const QVariant &value(qsizetype row, int column) const
    {
        return m_rows.values.at(row * m_rows.fields.size() + column);
    }

    double footerHeight() const
    {
        return d.pageFooter.isEmpty() ? 0 : m_line + 4;
    }

    void addText(const QRectF &rect, const QString &text, Qt::Alignment align, double size, bool bold)
    {
        m_out.addText(rect, text, align, size, bold);
    }

    void addRule(double x, double y, double width) { m_out.addRule(x, y, width); }

    void newPage()
    {
        m_out.startPage(qsizetype(d.columns.size()) * qsizetype(m_bottom / m_line + 8));
        m_y = m_top + headerHeight();
        if (doc.pages.size() == 1 && !m_subtitle.isEmpty()) {
            const QString text = expand(m_subtitle, -1, nullptr);
            addText(QRectF(m_left, m_y, m_width, m_line + 2), text, Qt::AlignLeft, m_size + 1, false);
            m_y += m_line + 6;
        }
        for (int i = 0; i < d.columns.size(); ++i)
            addText(QRectF(m_x[i], m_y, m_w[i], m_line), d.columns[i].heading, d.columns[i].align,
                    m_size, true);
        m_y += m_line;
        addRule(m_left, m_y + 1, m_width);
        m_y += 4;
    }

    double headerHeight() const
    {
        return d.pageHeader.isEmpty() ? 0 : (m_size + 4) * 1.5 + 8;
    }

    // Starts a new page unless `height` fits on this one; the open groups are
    // headed again on the new page.
    void ensure(double height, int reheadBelow)
    {
        if (m_y + height <= m_bottom || m_y <= firstBodyY())
            return;
        newPage();
        for (int g = 0; g < reheadBelow; ++g)
            headerLine(g, m_groupFirst[g], true);
    }

    double firstBodyY() const
    {
        // Nothing but headings on the page yet: breaking again would not help.
        return m_top + headerHeight() + m_line + 4 + (doc.pages.size() == 1 && !m_subtitle.isEmpty() ? m_line + 6 : 0);
    }

    void headerLine(int g, qsizetype row, bool continued)
    {
        if (m_groupHeader[g].isEmpty())
            return;
        QString text = expand(m_groupHeader[g], row, nullptr);
        if (continued)
            text += QStringLiteral(" (continued)");
        const double indent = g * 8;
        addText(QRectF(m_left + indent, m_y, m_width - indent, m_line), text, Qt::AlignLeft, m_size, true);
        m_y += m_line;
    }

    void groupHeader(int g, qsizetype row)
    {
        m_groupFirst[g] = row;
        m_groupTotals[g].reset(int(d.columns.size()));
        if (m_groupHeader[g].isEmpty())
            return;
        // A header keeps at least one row with it.
        ensure(m_line * 2.4, g);
        m_y += m_line * 0.4;
        headerLine(g, row, false);
    }

    void detail(qsizetype r)
    {
        ensure(m_line, int(d.groups.size()));
        for (int i = 0; i < d.columns.size(); ++i) {
            const ReportColumn &c = d.columns[i];
            const QVariant &v = value(r, m_cols[i]);
            const QString text = v.isNull() ? c.blank : ReportLayout::formatValue(v, c.format, m_locale);
            addText(QRectF(m_x[i], m_y, m_w[i], m_line), text, c.align, m_size, false);
        }
        m_y += m_line;
        count(r, m_report);
        for (ReportTotals &t : m_groupTotals)
            count(r, t);
    }

    void count(qsizetype r, ReportTotals &t)
    {
        // Only the columns that show a total: the others' sums are never read.
        ++t.count;
        for (int i : std::as_const(m_totalColumns))
            t.addValue(i, value(r, m_cols[i]));
        for (const QString &f : std::as_const(m_summedFields))
            t.addToField(f, value(r, field(f)));
    }

    void totalsRow(const QList<ReportText::Piece> &label, const ReportTotals &t, qsizetype row, double indent,
                   int reheadBelow)
    {
        const bool hasTotals = d.hasColumnTotals();
        ensure(m_line + 3, reheadBelow);
        double labelRight = m_left + m_width;
        for (int i = 0; i < d.columns.size(); ++i) {
            if (d.columns[i].total == ReportColumn::Total::None)
                continue;
            labelRight = std::min(labelRight, m_x[i] - ColumnGap);
            addRule(m_x[i], m_y + 1, m_w[i]);
        }
        m_y += 3;
        const QString text = expand(label, row, &t);
        addText(QRectF(m_left + indent, m_y, std::max(0.0, labelRight - m_left - indent), m_line), text,
                Qt::AlignLeft, m_size, true);
        if (hasTotals) {
            for (int i = 0; i < d.columns.size(); ++i) {
                const ReportColumn &c = d.columns[i];
                if (c.total == ReportColumn::Total::None)
                    continue;
                const QString value = c.total == ReportColumn::Total::Count
                                          ? QString::number(t.counts[i])
                                          : formatTotal(t.sums[i], c.format);
                addText(QRectF(m_x[i], m_y, m_w[i], m_line), value, c.align, m_size, true);
            }
        }
        m_y += m_line;
    }

    QString formatTotal(double sum, const ReportFormat &format) const
    {
        if (format.kind == ReportFormat::Kind::Text || format.kind == ReportFormat::Kind::YesNo)
            return general(sum);
        return ReportLayout::formatValue(sum, format, m_locale);
    }

    void groupFooter(int g)
    {
        if (m_groupFooter[g].isEmpty() && !d.hasColumnTotals())
            return;
        totalsRow(m_groupFooter[g], m_groupTotals[g], m_groupFirst[g], g * 8, g + 1);
        m_y += m_line * 0.3;
    }

    void totalLine()
    {
        ensure(m_line * 1.5, 0);
        addRule(m_left, m_y + 1, m_width);
        m_y += 3;
        totalsRow(m_totalText, m_report, -1, 0, 0);
    }

    void finishPages()
    {
        const int pages = int(doc.pages.size());
        const double headerY = m_top;
        const double footerY = doc.pageSize.height() - ReportLayout::MarginPt - m_line;
        for (int p = 0; p < pages && !m_error; ++p) {
            m_out.select(p);
            m_pageNumber = p + 1;
            m_pages = pages;
            if (!d.pageHeader.isEmpty()) {
                const double h = (m_size + 4) * 1.5;
                addText(QRectF(m_left, headerY, m_width, h), expand(m_band[0], -1, nullptr), Qt::AlignLeft,
                        m_size + 4, true);
                addText(QRectF(m_left, headerY, m_width, h), expand(m_band[1], -1, nullptr),
                        Qt::AlignHCenter, m_size, false);
                addText(QRectF(m_left, headerY, m_width, h), expand(m_band[2], -1, nullptr), Qt::AlignRight,
                        m_size, false);
                addRule(m_left, headerY + h + 2, m_width);
            }
            if (!d.pageFooter.isEmpty()) {
                addRule(m_left, footerY - 2, m_width);
                addText(QRectF(m_left, footerY, m_width, m_line), expand(m_band[3], -1, nullptr),
                        Qt::AlignLeft, m_size - 1, false);
                addText(QRectF(m_left, footerY, m_width, m_line), expand(m_band[4], -1, nullptr),
                        Qt::AlignHCenter, m_size - 1, false);
                addText(QRectF(m_left, footerY, m_width, m_line), expand(m_band[5], -1, nullptr),
                        Qt::AlignRight, m_size - 1, false);
            }
        }
    }

    // Fields named in {sum X} placeholders, known before the rows run.
    void collectSums()
    {
        auto scan = [&](const QList<ReportText::Piece> &pieces) {
            for (const ReportText::Piece &p : pieces)
                if (p.placeholder && p.text.startsWith(QLatin1String("sum "), Qt::CaseInsensitive))
                    m_summedFields << p.text.mid(4).trimmed();
        };
        for (const QList<ReportText::Piece> &footer : std::as_const(m_groupFooter))
            scan(footer);
        scan(m_totalText);
        m_summedFields.removeDuplicates();
    }

    QString expand(const QList<ReportText::Piece> &pieces, qsizetype row, const ReportTotals *totals)
    {
        return ReportText::expand(pieces, [&](const QString &name, const std::optional<ReportFormat> &format)
                                              -> std::optional<QString> {
            const QString lower = name.toLower();
            auto formatted = [&](const QVariant &v, const ReportFormat &fallback) {
                return ReportLayout::formatValue(v, format.value_or(fallback), m_locale);
            };
            if (lower == QLatin1String("title"))
                return d.title;
            if (lower == QLatin1String("date"))
                return m_locale.toString(m_printedAt.date(), QLocale::ShortFormat);
            if (lower == QLatin1String("time"))
                return m_locale.toString(m_printedAt.time(), QLocale::ShortFormat);
            if (lower == QLatin1String("page") && m_pageNumber > 0)
                return QString::number(m_pageNumber);
            if (lower == QLatin1String("pages") && m_pages > 0)
                return QString::number(m_pages);
            if (lower == QLatin1String("count") && totals)
                return QString::number(totals->count);
            if (lower.startsWith(QLatin1String("sum ")) && totals)
                return formatted(totals->fieldSums.value(lower.mid(4).trimmed()),
                                 ReportFormat{ReportFormat::Kind::General, 0});
            if (const ReportPrompt *p = d.prompt(name)) {
                const QVariant v = m_answers.value(p->name.toLower());
                return format ? formatted(v, *format) : v.toString();
            }
            if (row >= 0) {
                const int index = field(name);
                if (index >= 0) {
                    ReportFormat fallback{ReportFormat::Kind::Text, 0};
                    for (int i = 0; i < d.columns.size(); ++i)
                        if (m_cols[i] == index)
                            fallback = d.columns[i].format;
                    return formatted(value(row, index), fallback);
                }
            }
            if (!m_error)
                m_error = ReportError::make(ReportErrorNumber::UnknownName,
                                            QStringLiteral("The report text {%1} names nothing the "
                                                           "report knows there.")
                                                .arg(name));
            return std::nullopt;
        });
    }

    static constexpr double ColumnGap = ReportLayout::ColumnGapPt;

    const ReportDefinition &d;
    const QHash<QString, QVariant> &m_answers;
    QDateTime m_printedAt;
    QLocale m_locale;
    const ReportLayout::Rows &m_rows;
    ReportDocument doc;
    ReportPages m_out{doc};
    ReportError m_error;

    double m_size = 9, m_line = 13, m_top = 0, m_bottom = 0, m_y = 0, m_left = 0, m_width = 0;
    QVector<int> m_cols, m_groupCols, m_totalColumns;
    QVector<double> m_x, m_w;
    QList<ReportText::Piece> m_subtitle, m_emptyText, m_totalText;
    QList<ReportText::Piece> m_band[6];
    QList<QList<ReportText::Piece>> m_groupHeader, m_groupFooter;
    QStringList m_summedFields;
    ReportTotals m_report;
    QVector<ReportTotals> m_groupTotals;
    QVector<qsizetype> m_groupFirst;
    int m_pageNumber = 0, m_pages = 0;
};

} // namespace

ReportLayout::ReportLayout(const ReportDefinition &definition, const QHash<QString, QVariant> &answers,
                           const QDateTime &printedAt, const QLocale &locale)
    : m_def(definition), m_printedAt(printedAt), m_locale(locale)
{
    for (auto it = answers.begin(); it != answers.end(); ++it)
        m_answers.insert(it.key().toLower(), it.value());
}

QSizeF ReportLayout::paperSize(const QLocale &locale, bool landscape)
{
    // Letter where US measures are used and in the countries of the
    // Americas that print on it; A4 everywhere else.
    const QLocale::Territory letterTerritories[] = {
        QLocale::UnitedStates, QLocale::Canada,   QLocale::Mexico,    QLocale::Chile,
        QLocale::Colombia,     QLocale::Venezuela, QLocale::Philippines, QLocale::PuertoRico};
    // The C locale (no locale chosen) keeps A4.
    bool letter = locale.language() != QLocale::C
                  && locale.measurementSystem() == QLocale::ImperialUSSystem;
    for (QLocale::Territory t : letterTerritories)
        letter = letter || locale.territory() == t;
    const QSizeF portrait = letter ? QSizeF(612, 792) : QSizeF(595.276, 841.89);
    return landscape ? portrait.transposed() : portrait;
}

ReportError ReportLayout::layout(const Rows &rows, ReportDocument *out) const
{
    Builder builder(m_def, m_answers, m_printedAt, m_locale, rows);
    return builder.build(out);
}

QString ReportLayout::formatValue(const QVariant &value, const ReportFormat &format, const QLocale &locale)
{
    if (!value.isValid() || value.isNull())
        return QString();
    double n = 0;
    const bool numeric = ReportTotals::number(value, &n);
    switch (format.kind) {
    case ReportFormat::Kind::Text:
        // Numbers read back as doubles still show in plain decimal.
        if (value.metaType().id() == QMetaType::Double)
            return general(value.toDouble());
        return value.toString();
    case ReportFormat::Kind::General:
        return numeric ? general(n) : value.toString();
    case ReportFormat::Kind::Fixed:
        if (!numeric)
            return value.toString();
        {
            // Halves to the even neighbour, as stock figures are rounded.
            const double scale = std::pow(10.0, format.decimals);
            const double scaled = n * scale;
            if (std::abs(scaled) < 1e15)
                n = std::nearbyint(scaled) / scale;
            return QString::number(n, 'f', format.decimals);
        }
    case ReportFormat::Kind::Money:
        return numeric ? locale.toCurrencyString(n) : value.toString();
    case ReportFormat::Kind::YesNo:
        if (numeric)
            return n != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    return value.toString();
}
