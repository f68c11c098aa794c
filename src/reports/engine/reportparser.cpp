#include "reports/engine/reportparser.h"

#include "reports/engine/reporttext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringConverter>
#include <QTextStream>

namespace {

const QStringList kPageWords = {QStringLiteral("title"), QStringLiteral("date"), QStringLiteral("time"),
                                QStringLiteral("page"), QStringLiteral("pages")};

class Reader
{
public:
    explicit Reader(ReportDefinition &def) : d(def) {}

    ReportError run(const QString &text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            m_line = i + 1;
            QString line = lines.at(i);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
                if (ReportError e = startSection(trimmed.mid(1, trimmed.size() - 2).simplified()))
                    return e;
                continue;
            }
            if (m_section == Section::Query) {
                if (!trimmed.startsWith(QLatin1Char('#')))
                    m_query << line;
                continue;
            }
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
                continue;
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                return error(ReportErrorNumber::Syntax,
                             QStringLiteral("'%1' is not of the form key = value").arg(trimmed));
            if (m_section == Section::None)
                return error(ReportErrorNumber::Syntax,
                             QStringLiteral("'%1' stands before any [section]").arg(trimmed));
            if (ReportError e = setting(line.left(eq).simplified().toLower(), line.mid(eq + 1).trimmed()))
                return e;
        }
        m_line = 0;
        return finish();
    }

private:
    enum class Section { None, Report, Prompt, Query, Column, Group, Totals, PageHeader, PageFooter };

    ReportError error(int number, const QString &what) const
    {
        return ReportError::make(number, m_line > 0 ? QStringLiteral("Report template line %1: %2.")
                                                          .arg(m_line).arg(what)
                                                    : QStringLiteral("Report template: %1.").arg(what));
    }

    ReportError startSection(const QString &header)
    {
        const QString lower = header.toLower();
        static const QRegularExpression promptHeader(QStringLiteral("^prompt\\s+([A-Za-z_][A-Za-z0-9_]*)$"),
                                                     QRegularExpression::CaseInsensitiveOption);
        auto once = [&](bool &seen) -> ReportError {
            if (seen)
                return error(ReportErrorNumber::Incomplete,
                             QStringLiteral("[%1] appears a second time").arg(header));
            seen = true;
            return {};
        };
        if (lower == QLatin1String("report")) {
            m_section = Section::Report;
            return once(m_seenReport);
        }
        if (lower == QLatin1String("query")) {
            m_section = Section::Query;
            return once(m_seenQuery);
        }
        if (lower == QLatin1String("column")) {
            m_section = Section::Column;
            d.columns.append(ReportColumn());
            m_columnLines.append(m_line);
            return {};
        }
        if (lower == QLatin1String("group")) {
            m_section = Section::Group;
            d.groups.append(ReportGroup());
            m_groupLines.append(m_line);
            return {};
        }
        if (lower == QLatin1String("totals")) {
            m_section = Section::Totals;
            d.hasTotalLine = true;
            return once(m_seenTotals);
        }
        if (lower == QLatin1String("page header")) {
            m_section = Section::PageHeader;
            return once(m_seenHeader);
        }
        if (lower == QLatin1String("page footer")) {
            m_section = Section::PageFooter;
            return once(m_seenFooter);
        }
        const QRegularExpressionMatch m = promptHeader.match(header);
        if (m.hasMatch()) {
            const QString name = m.captured(1);
            if (d.prompt(name) || kPageWords.contains(name.toLower()) || name.compare(QLatin1String("count"), Qt::CaseInsensitive) == 0)
                return error(ReportErrorNumber::Incomplete,
                             QStringLiteral("the prompt name '%1' is taken").arg(name));
            m_section = Section::Prompt;
            ReportPrompt p;
            p.name = name;
            d.prompts.append(p);
            m_promptLines.append(m_line);
            return {};
        }
        return error(ReportErrorNumber::Syntax, QStringLiteral("[%1] is not a section").arg(header));
    }

    ReportError unknownKey(const QString &key) const
    {
        return error(ReportErrorNumber::Syntax, QStringLiteral("'%1' is not a setting here").arg(key));
    }
    ReportError badValue(const QString &key, const QString &value) const
    {
        return error(ReportErrorNumber::BadValue,
                     QStringLiteral("'%1' is not a value for %2").arg(value, key));
    }

    // A text with placeholders: checked now, names checked once all is read.
    ReportError text(const QString &value, QString *into, bool pageBand)
    {
        QList<ReportText::Piece> pieces;
        QString why;
        if (!ReportText::split(value, &pieces, &why))
            return error(ReportErrorNumber::Syntax, why);
        for (const ReportText::Piece &p : pieces)
            if (p.placeholder)
                m_texts.append({p.text, m_line, pageBand});
        *into = value;
        return {};
    }

    ReportError setting(const QString &key, const QString &value)
    {
        switch (m_section) {
        case Section::Report:
            if (key == QLatin1String("title"))
                d.title = value;
            else if (key == QLatin1String("subtitle"))
                return text(value, &d.subtitle, true);
            else if (key == QLatin1String("empty"))
                return text(value, &d.emptyText, true);
            else if (key == QLatin1String("orientation")) {
                if (value.compare(QLatin1String("landscape"), Qt::CaseInsensitive) == 0)
                    d.landscape = true;
                else if (value.compare(QLatin1String("portrait"), Qt::CaseInsensitive) == 0)
                    d.landscape = false;
                else
                    return badValue(key, value);
            } else if (key == QLatin1String("font size")) {
                bool ok = false;
                const double size = value.toDouble(&ok);
                if (!ok || size < 5 || size > 24)
                    return badValue(key, value);
                d.fontSize = size;
            } else
                return unknownKey(key);
            return {};
        case Section::Prompt: {
            ReportPrompt &p = d.prompts.last();
            if (key == QLatin1String("text"))
                p.text = value;
            else if (key == QLatin1String("title"))
                p.title = value;
            else if (key == QLatin1String("kind")) {
                const QString v = value.toLower();
                if (v == QLatin1String("text"))
                    p.kind = ReportPrompt::Kind::Text;
                else if (v == QLatin1String("whole"))
                    p.kind = ReportPrompt::Kind::Whole;
                else if (v == QLatin1String("number"))
                    p.kind = ReportPrompt::Kind::Number;
                else
                    return badValue(key, value);
            } else
                return unknownKey(key);
            return {};
        }
        case Section::Column: {
            ReportColumn &c = d.columns.last();
            if (key == QLatin1String("field"))
                c.field = value;
            else if (key == QLatin1String("heading"))
                c.heading = value;
            else if (key == QLatin1String("width")) {
                bool ok = false;
                const double w = value.toDouble(&ok);
                if (!ok || w <= 0 || w > 1000)
                    return badValue(key, value);
                c.widthMm = w;
            } else if (key == QLatin1String("align")) {
                const QString v = value.toLower();
                if (v == QLatin1String("left"))
                    c.align = Qt::AlignLeft;
                else if (v == QLatin1String("right"))
                    c.align = Qt::AlignRight;
                else if (v == QLatin1String("center") || v == QLatin1String("centre"))
                    c.align = Qt::AlignHCenter;
                else
                    return badValue(key, value);
            } else if (key == QLatin1String("format")) {
                const std::optional<ReportFormat> f = ReportText::parseFormat(value);
                if (!f)
                    return badValue(key, value);
                c.format = *f;
            } else if (key == QLatin1String("blank"))
                c.blank = value;
            else if (key == QLatin1String("total")) {
                const QString v = value.toLower();
                if (v == QLatin1String("sum"))
                    c.total = ReportColumn::Total::Sum;
                else if (v == QLatin1String("count"))
                    c.total = ReportColumn::Total::Count;
                else if (v == QLatin1String("none"))
                    c.total = ReportColumn::Total::None;
                else
                    return badValue(key, value);
            } else
                return unknownKey(key);
            return {};
        }
        case Section::Group: {
            ReportGroup &g = d.groups.last();
            if (key == QLatin1String("field"))
                g.field = value;
            else if (key == QLatin1String("header"))
                return text(value, &g.header, false);
            else if (key == QLatin1String("footer"))
                return text(value, &g.footer, false);
            else
                return unknownKey(key);
            return {};
        }
        case Section::Totals:
            if (key == QLatin1String("text"))
                return text(value, &d.totalText, false);
            return unknownKey(key);
        case Section::PageHeader:
        case Section::PageFooter: {
            ReportBand &band = m_section == Section::PageHeader ? d.pageHeader : d.pageFooter;
            if (key == QLatin1String("left"))
                return text(value, &band.left, true);
            if (key == QLatin1String("center") || key == QLatin1String("centre"))
                return text(value, &band.center, true);
            if (key == QLatin1String("right"))
                return text(value, &band.right, true);
            return unknownKey(key);
        }
        case Section::None:
        case Section::Query:
            break;
        }
        return unknownKey(key);
    }

    ReportError finish()
    {
        d.query = m_query.join(QLatin1Char('\n')).trimmed();
        if (d.query.isEmpty())
            return error(ReportErrorNumber::Incomplete, QStringLiteral("there is no [query]"));
        if (d.columns.isEmpty())
            return error(ReportErrorNumber::Incomplete, QStringLiteral("there is no [column]"));
        for (int i = 0; i < d.columns.size(); ++i) {
            if (d.columns.at(i).field.isEmpty()) {
                m_line = m_columnLines.at(i);
                return error(ReportErrorNumber::Incomplete, QStringLiteral("the column has no field"));
            }
        }
        for (int i = 0; i < d.groups.size(); ++i) {
            if (d.groups.at(i).field.isEmpty()) {
                m_line = m_groupLines.at(i);
                return error(ReportErrorNumber::Incomplete, QStringLiteral("the group has no field"));
            }
        }
        for (int i = 0; i < d.prompts.size(); ++i) {
            if (d.prompts.at(i).text.isEmpty()) {
                m_line = m_promptLines.at(i);
                return error(ReportErrorNumber::Incomplete, QStringLiteral("the prompt has no text"));
            }
            if (d.prompts.at(i).title.isEmpty())
                d.prompts[i].title = d.title;
        }
        // Page texts know the report and its prompts only; the others may also
        // name the query's columns, which are known when it runs.
        for (const PlaceholderUse &use : m_texts) {
            const QString lower = use.name.toLower();
            if (use.pageBand && !kPageWords.contains(lower) && !d.prompt(use.name)) {
                m_line = use.line;
                return error(ReportErrorNumber::UnknownName,
                             QStringLiteral("{%1} is not known in a page text").arg(use.name));
            }
        }
        QString unknown;
        if (!ReportParser::bindQuery(d.query, d.prompts, &d.sql, &d.bindOrder, &unknown))
            return error(ReportErrorNumber::UnknownName,
                         QStringLiteral("the query refers to :%1, which is no prompt").arg(unknown));
        if (!m_seenHeader) {
            d.pageHeader.left = QStringLiteral("{title}");
            d.pageHeader.right = QStringLiteral("{date}");
        }
        if (!m_seenFooter)
            d.pageFooter.center = QStringLiteral("Page {page} of {pages}");
        return {};
    }

    struct PlaceholderUse
    {
        QString name;
        int line;
        bool pageBand;
    };

    ReportDefinition &d;
    Section m_section = Section::None;
    int m_line = 0;
    QStringList m_query;
    QList<int> m_columnLines, m_groupLines, m_promptLines;
    QList<PlaceholderUse> m_texts;
    bool m_seenReport = false, m_seenQuery = false, m_seenTotals = false, m_seenHeader = false,
         m_seenFooter = false;
};

} // namespace

ReportError ReportParser::parse(const QString &text, ReportDefinition *out)
{
    ReportDefinition def;
    Reader reader(def);
    if (ReportError e = reader.run(text))
        return e;
    *out = def;
    return {};
}

ReportError ReportParser::parseFile(const QString &path, ReportDefinition *out)
{
    const QFileInfo info(path);
    if (!info.exists())
        return ReportError::make(ReportErrorNumber::TemplateMissing,
                                 QStringLiteral("Cannot find the report template %1.")
                                     .arg(QDir::toNativeSeparators(path)));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return ReportError::make(ReportErrorNumber::TemplateUnreadable,
                                 QStringLiteral("Cannot read the report template %1.")
                                     .arg(QDir::toNativeSeparators(path)));
    const QByteArray bytes = file.readAll();
    auto decode = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    if (decode.hasError())
        return ReportError::make(ReportErrorNumber::TemplateUnreadable,
                                 QStringLiteral("The report template %1 is not UTF-8 text.")
                                     .arg(QDir::toNativeSeparators(path)));
    return parse(text, out);
}

bool ReportParser::bindQuery(const QString &query, const QList<ReportPrompt> &prompts, QString *sql,
                             QStringList *order, QString *unknown)
{
    sql->clear();
    order->clear();
    auto isNameStart = [](QChar c) { return c.isLetter() || c == QLatin1Char('_'); };
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    const qsizetype n = query.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = query.at(i);
        // Quoted text, quoted names and comments pass through untouched.
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype end = query.indexOf(close, i + 1);
            if (end < 0)
                end = n - 1;
            *sql += query.mid(i, end - i + 1);
            i = end;
        } else if (c == QLatin1Char('-') && i + 1 < n && query.at(i + 1) == QLatin1Char('-')) {
            qsizetype end = query.indexOf(QLatin1Char('\n'), i);
            if (end < 0)
                end = n - 1;
            *sql += query.mid(i, end - i + 1);
            i = end;
        } else if (c == QLatin1Char(':') && i + 1 < n && query.at(i + 1) == QLatin1Char(':')) {
            *sql += QStringLiteral("::"); // a cast, not a reference
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < n && isNameStart(query.at(i + 1))) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(query.at(end)))
                ++end;
            const QString name = query.mid(i + 1, end - i - 1);
            const auto known = std::find_if(prompts.begin(), prompts.end(), [&](const ReportPrompt &p) {
                return p.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (known == prompts.end()) {
                *unknown = name;
                return false;
            }
            *sql += QLatin1Char('?');
            order->append(known->name);
            i = end - 1;
        } else {
            *sql += c;
        }
    }
    return true;
}
