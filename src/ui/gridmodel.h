#pragma once

#include "data/dberror.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QStringList>

// What every grid shows: headings (a column's name or the caption set for
// it), each cell's text in plain form (a Boolean column as True and False),
// data rows white and grey by position, so the shading follows the rows after
// a sort, and number columns right-aligned. The read-only listings
// (ListGridModel) and the editor's rows (a model of the window's own) build on
// it.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static QColor whiteRow();
    static QColor greyRow();

    explicit GridModel(QObject *parent = nullptr);

    virtual bool isEditable() const { return false; }
    // Reads whatever rows are still to come (a listing read page by page),
    // for what needs them all; false when a read fails.
    virtual bool readAll() { return true; }
    DbError error() const { return m_error; }

    // The column's values are Booleans, shown as "True" and "False".
    void setBooleanColumn(int column, bool boolean = true);
    bool isBooleanColumn(int column) const { return m_booleanColumns.contains(column); }
    // A column of numbers: shown right-aligned, copied as numbers.
    virtual bool isNumberColumn(int column) const;

    // The raw value and the shown text of a cell, by shown row and column.
    virtual QVariant value(int row, int column) const = 0;
    QString text(int row, int column) const;
    // The headings shown: the column names, or the captions set for them.
    QStringList headings() const;
    // Shows a caption over a column in place of its name. Kept until the
    // rows are read again.
    void setCaption(int column, const QString &caption);

    // The row the window works on (-1 when none), and moving to another:
    // false when the row cannot be left (a write refused).
    virtual int currentRow() const { return -1; }
    virtual bool setCurrentRow(int row);
    // Editable grids: sets a block of cells from `from` as typing each would,
    // or none (false, the reason in error() and told by writeFailed()).
    virtual bool setCells(const QModelIndex &from, const QVector<QStringList> &cells);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The current row moved; -1 when there is none.
    void currentRowChanged(int row);
    // A write failed or a typed value was refused; the reason is in error().
    void writeFailed(const DbError &error);

protected:
    QString cellText(const QVariant &value, int column) const;
    void setHeadings(const QStringList &names);

    QStringList m_headings;
    QHash<int, QString> m_captions;
    DbError m_error;

private:
    QSet<int> m_booleanColumns;
};
