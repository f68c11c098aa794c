#pragma once

#include "data/sqlengine.h"

#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

// Rows of a query in compact storage, column by column: per cell one byte
// for its kind and four bytes for a whole number, a flag or where its text
// lies (eight in a column that holds a fraction or a larger number), texts
// in a shared pool as Latin-1 bytes where they fit (a QVariant per cell
// would take several times the memory of a large catalogue). Filled as a row
// sink, straight from the engine, page after page; a row read never changes.
class GridStore : public SqlEngine::RowSink
{
public:
    GridStore() = default;
    GridStore(const GridStore &) = delete;
    GridStore &operator=(const GridStore &) = delete;

    void clear();
    qsizetype rows() const { return m_rows; }
    int columns() const { return int(m_columns.size()); }
    QStringList names() const { return m_names; }

    enum class Kind : quint8 { Null, Int, Double, Bool, Latin1, Utf16 };
    Kind kind(qsizetype row, int column) const;
    QVariant value(qsizetype row, int column) const;
    bool isNull(qsizetype row, int column) const { return kind(row, column) == Kind::Null; }
    // A cell's number (Int, Double, Bool).
    double number(qsizetype row, int column) const;
    // A text cell's characters in place, without a copy: UTF-16 units, or
    // Latin-1 bytes (`wide` false).
    struct Text
    {
        const void *data = nullptr;
        qsizetype length = 0;
        bool wide = false;
    };
    Text text(qsizetype row, int column) const;
    // Every value read into the column is a number (nulls aside), and there
    // is one at least.
    bool isNumberColumn(int column) const;

    // The column names of the first read; a later page's names are ignored.
    void columns(const QStringList &names) override;
    void value(QVariant &&v) override;
    void endRow() override;

private:
    static constexpr int BlockBits = 16;
    // Values in blocks of a fixed size: growing never copies what was read.
    template <typename T>
    struct Blocks
    {
        std::vector<std::unique_ptr<T[]>> blocks;
        qsizetype size = 0;
        void push(T v)
        {
            const qsizetype in = size & ((qsizetype(1) << BlockBits) - 1);
            if (in == 0)
                blocks.emplace_back(new T[size_t(1) << BlockBits]);
            blocks.back()[in] = v;
            ++size;
        }
        T at(qsizetype i) const
        {
            return blocks[size_t(i >> BlockBits)][i & ((qsizetype(1) << BlockBits) - 1)];
        }
    };
    struct Column
    {
        Blocks<quint8> kinds;
        Blocks<quint32> narrow; // until a value needs more than 32 bits
        Blocks<quint64> wide;
        bool isWide = false;
        quint8 seen = 0; // bit 0 a number seen, bit 1 something else
        quint64 payload(qsizetype row) const { return isWide ? wide.at(row) : narrow.at(row); }
    };
    void append(Column &c, Kind kind, quint64 payload, bool fitsNarrow);
    quint64 storeText(const QString &text, Kind *kind);
    const uchar *textAt(quint64 payload, qsizetype *length) const;

    static constexpr qsizetype TextBlockBytes = qsizetype(1) << 20;
    std::vector<std::unique_ptr<uchar[]>> m_textBlocks;
    qsizetype m_textUsed = 0; // in the last text block
    std::vector<Column> m_columns;
    qsizetype m_rows = 0;
    int m_next = 0; // the column the next value belongs to
    QStringList m_names;
};
