#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

// A report as its template defines it: what to ask, what to select and how
// to lay it out. Made by ReportParser, run by ReportRunner.

struct ReportPrompt
{
    enum class Kind {
        Text,   // bound as typed
        Whole,  // a 16-bit whole number, halves rounded to even
        Number, // any number
    };
    QString name;  // referred to as :name in the query and {name} in texts
    QString text;  // the question
    QString title; // the prompt's caption
    Kind kind = Kind::Text;
};

struct ReportFormat
{
    enum class Kind {
        Text,    // the value as text
        General, // a number in plain decimal, no trailing zeros (0.15, 3)
        Fixed,   // a number with `decimals` decimals (0, 0.0, 0.00, ...)
        Money,   // the locale's currency format
        YesNo,   // non-zero Yes, zero No
    };
    Kind kind = Kind::Text;
    int decimals = 0;
};

struct ReportColumn
{
    enum class Total { None, Sum, Count };
    QString field;   // a column of the query's result
    QString heading;
    double widthMm = 25;
    Qt::Alignment align = Qt::AlignLeft;
    ReportFormat format;
    QString blank;   // shown for a null value
    Total total = Total::None;
};

struct ReportGroup
{
    QString field;  // a new group starts where this value changes
    QString header; // text with {placeholders}; empty: no header line
    QString footer; // text beside the group's totals; empty with no totals: no line
};

// Left, centre and right texts of a page's header or footer line.
struct ReportBand
{
    QString left, center, right;
    bool isEmpty() const { return left.isEmpty() && center.isEmpty() && right.isEmpty(); }
};

struct ReportDefinition
{
    QString title;
    QString subtitle;      // under the page header of the first page
    bool landscape = false;
    double fontSize = 9;   // points
    QString emptyText;     // shown when the query returns no rows

    QString query;         // as written, with :name references
    QString sql;           // the query with a ? for each reference
    QStringList bindOrder; // the prompt each ? stands for, in order

    QList<ReportPrompt> prompts;
    QList<ReportColumn> columns;
    QList<ReportGroup> groups; // outermost first
    QString totalText;         // label of the report's total line; empty with no totals: none
    bool hasTotalLine = false;
    ReportBand pageHeader;
    ReportBand pageFooter;

    const ReportPrompt *prompt(const QString &name) const
    {
        for (const ReportPrompt &p : prompts)
            if (p.name.compare(name, Qt::CaseInsensitive) == 0)
                return &p;
        return nullptr;
    }
    bool hasColumnTotals() const
    {
        for (const ReportColumn &c : columns)
            if (c.total != ReportColumn::Total::None)
                return true;
        return false;
    }
};
