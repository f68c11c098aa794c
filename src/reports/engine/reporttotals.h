#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

// Running totals of a report or of one of its groups: the rows counted, each
// column's sum and count of values, and the sums that {sum X} placeholders name.
struct ReportTotals
{
    qsizetype count = 0;
    QVector<double> sums;
    QVector<qsizetype> counts; // non-null values per column
    QHash<QString, double> fieldSums; // by lower-case field name
    void reset(int columns);
    // One row: the value of each column, in column order.
    void addRow(const QVector<const QVariant *> &columns);
    // One column's value of a row (after count is raised for the row).
    void addValue(qsizetype column, const QVariant &value);
    void addToField(const QString &field, const QVariant &value);

    // A value as a number, when it is one.
    static bool number(const QVariant &value, double *out);
};

// Group breaks: rows belong to one group while the group's field compares
// equal the way the database compares text (letter case of A-Z aside).
namespace ReportGroups {
bool sameValue(const QVariant &a, const QVariant &b);
}
