#include "ui/gridmodel.h"

#include "data/numberrules.h"

#include <QColor>

namespace {

QString booleanText(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok)
        return NumberRules::plainText(QVariant(d != 0.0));
    return NumberRules::plainText(QVariant(v.toBool()));
}

} // namespace

QColor GridModel::whiteRow()
{
    return QColor(255, 255, 255);
}

QColor GridModel::greyRow()
{
    return QColor(192, 192, 192);
}

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setBooleanColumn(int column, bool boolean)
{
    if (boolean)
        m_booleanColumns.insert(column);
    else
        m_booleanColumns.remove(column);
    if (rowCount() > 0 && column >= 0 && column < columnCount())
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

bool GridModel::isNumberColumn(int column) const
{
    Q_UNUSED(column);
    return false;
}

bool GridModel::setCurrentRow(int row)
{
    Q_UNUSED(row);
    return false;
}

bool GridModel::setCells(const QModelIndex &from, const QVector<QStringList> &cells)
{
    Q_UNUSED(from);
    Q_UNUSED(cells);
    m_error = DbError::runtime(ErrorNumber::NotUpdatable);
    emit writeFailed(m_error);
    return false;
}

QString GridModel::cellText(const QVariant &value, int column) const
{
    if (value.isNull())
        return QString();
    if (m_booleanColumns.contains(column))
        return booleanText(value);
    return NumberRules::plainText(value);
}

QString GridModel::text(int row, int column) const
{
    return cellText(value(row, column), column);
}

void GridModel::setHeadings(const QStringList &names)
{
    m_headings = names;
    m_captions.clear();
}

QStringList GridModel::headings() const
{
    QStringList shown = m_headings;
    for (auto it = m_captions.constBegin(); it != m_captions.constEnd(); ++it)
        if (it.key() < shown.size())
            shown[it.key()] = it.value();
    return shown;
}

void GridModel::setCaption(int column, const QString &caption)
{
    m_captions.insert(column, caption);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headings.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::BackgroundRole:
        // By position: the first data row white, the second grey, ...
        return index.row() % 2 == 0 ? whiteRow() : greyRow();
    case Qt::TextAlignmentRole:
        if (isNumberColumn(index.column()) && !isBooleanColumn(index.column()))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headings.size())
        return m_captions.value(section, m_headings.at(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}
