#pragma once

#include "data/sqlengine.h"

#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

// Every row of a query in compact storage: one value in 16 bytes, a number
// in place or text as a stretch of a shared pool (a QVariant per cell would
// double the memory of a large catalogue). Filled as a row sink, straight
// from the engine; never changes once read.
class GridStore : public SqlEngine::RowSink
{
public:
    GridStore() = default;
    GridStore(const GridStore &) = delete;
    GridStore &operator=(const GridStore &) = delete;

    void clear();
    qsizetype rows() const { return m_rows; }
    int columns() const { return m_columns; }
    QStringList names() const { return m_names; }

    QVariant value(qsizetype row, int column) const;
    // The cell's text in place when it holds text (`isText` true), without
    // a copy; empty otherwise.
    QStringView textAt(qsizetype row, int column, bool *isText) const;
    bool isNull(qsizetype row, int column) const;
    // Every value read into the column is a number (nulls aside), and there
    // is one at least.
    bool isNumberColumn(int column) const;

    void columns(const QStringList &names) override;
    void value(QVariant &&v) override;
    void endRow() override { ++m_rows; }

private:
    struct Cell
    {
        enum Type : quint8 { Null, Int, Double, Bool, Text };
        quint64 bits = 0; // the number, or the text's pool block (high half) and offset
        quint32 length = 0;
        Type type = Null;
    };
    static constexpr int CellBlockBits = 14;
    static constexpr qsizetype TextBlockUnits = qsizetype(1) << 20;
    const Cell &cellAt(qsizetype row, int column) const;
    const char16_t *textOf(const Cell &cell) const;
    void append(const Cell &cell);
    Cell textCell(const QString &text);

    std::vector<std::unique_ptr<Cell[]>> m_cellBlocks;
    qsizetype m_cellCount = 0;
    std::vector<std::unique_ptr<char16_t[]>> m_textBlocks;
    qsizetype m_textUsed = 0; // in the last text block
    qsizetype m_rows = 0;
    int m_columns = 0;
    QStringList m_names;
    std::vector<quint8> m_kinds; // per column: bit 0 a number seen, bit 1 something else
};
