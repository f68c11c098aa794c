#include "reports/engine/reporttotals.h"

#include "data/caserules.h"

#include <cmath>

void ReportTotals::reset(int columns)
{
    count = 0;
    sums.fill(0, columns);
    counts.fill(0, columns);
    fieldSums.clear();
}

bool ReportTotals::number(const QVariant &value, double *out)
{
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    *out = value.toDouble(&ok);
    return ok && std::isfinite(*out);
}

void ReportTotals::addRow(const QVector<const QVariant *> &columns)
{
    ++count;
    for (qsizetype i = 0; i < columns.size() && i < sums.size(); ++i)
        addValue(i, *columns.at(i));
}

void ReportTotals::addValue(qsizetype column, const QVariant &v)
{
    if (v.isNull() || column >= sums.size())
        return;
    ++counts[column];
    double n = 0;
    if (number(v, &n))
        sums[column] += n;
}

void ReportTotals::addToField(const QString &field, const QVariant &value)
{
    double n = 0;
    if (number(value, &n))
        fieldSums[field.toLower()] += n;
}

bool ReportGroups::sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return CaseRules::equal(a.toString(), b.toString());
}
