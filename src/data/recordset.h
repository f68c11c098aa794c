#pragma once

#include "data/dberror.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>

class Database;

// A result set with a current row, as the windows use it: open from a
// statement, step through it, read and write columns by name, add and delete
// rows, find forward. Every set holds its rows in memory (a client-side
// cursor: later changes by others are not seen); a forward-only set only
// steps forward and cannot be written. Opening plans the statement (which
// table, key and columns, whether rows can be written back) once per text,
// then reads it through Database::read(). Failures are values: every call
// that can fail returns false or an invalid value and leaves the reason in error().
class Recordset : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Snapshot, Keyset, ForwardOnly };
    enum class Match { Equal, BeginsWith };
    // Position of the current row when there is none.
    static constexpr qsizetype PositionBof = -2;
    static constexpr qsizetype PositionEof = -3;

    explicit Recordset(QObject *parent = nullptr);
    ~Recordset() override;

    bool open(Database &db, const QString &sql, const QVariantList &values = {},
              Kind kind = Kind::Snapshot);
    // Closing a set that is not open is error 3704.
    bool close();
    bool isOpen() const { return m_open; }
    Kind kind() const { return m_kind; }

    // Number of rows; -1 for a forward-only set.
    qsizetype recordCount() const;
    bool isEof() const;
    bool isBof() const;
    // 1-based position of the current row, or PositionBof / PositionEof.
    qsizetype absolutePosition() const;

    bool moveFirst();
    bool moveNext();
    bool movePrevious();
    bool moveLast();
    // Moves to a 1-based row position.
    bool moveTo(qsizetype position);

    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const;
    // Reading with no current row is error 3021; an unknown name 3265.
    QVariant value(const QString &name) const;
    QVariant value(int column) const;
    // A column of any row by its 0-based index, edits not yet written
    // included, without moving the current row (a grid shows every row).
    // While a row is being added, index recordCount() is that row.
    QVariant valueAt(qsizetype row, int column) const;
    bool isAdding() const { return m_adding; }

    // Writing: setValue() edits the current row (or the row begun by
    // addNew()); update() writes it. Moving away from an edited row writes it
    // first unless batch mode holds the edits for updateBatch().
    bool setValue(const QString &name, const QVariant &value);
    bool addNew();
    bool update();
    bool cancelUpdate();
    bool deleteCurrent();
    void setBatchMode(bool batch) { m_batch = batch; }
    bool updateBatch();
    bool hasPendingChanges() const { return m_adding || !m_pending.isEmpty(); }
    bool isUpdatable() const { return !m_table.isEmpty(); }

    // Runs the statement again with the same values; the first row is current.
    bool requery();

    // From the current row (included) towards the end: the first row whose
    // column equals, or begins with, the text, A-Z and a-z alike and every
    // other letter exact, as the database compares. Not found leaves the set
    // at its end.
    bool findForward(const QString &column, Match match, const QString &text);

    DbError error() const { return m_error; }
    QString errorString() const { return m_error.description; }

signals:
    // After every move of the current row, including to either end.
    void moved();
    // After rows were read, added or deleted, or values set or written.
    void contentChanged();

private:
    bool fail(const DbError &e) const;
    bool ensureOpen() const;
    bool hasCurrent() const;
    bool setCurrent(qsizetype row);
    bool m_onDeleted = false; // the current row was deleted and not yet moved off
    bool flushPending();
    bool writeRow(qsizetype row, const QHash<int, QVariant> &changes);
    bool insertRow(const QHash<int, QVariant> &changes);
    // Reads the planned statement's rows into the set.
    bool read(const QString &text, bool wholeTable);

    Database *m_db = nullptr;
    QString m_sql;
    QVariantList m_values;
    Kind m_kind = Kind::Snapshot;
    bool m_open = false;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex; // name folded as the database does -> column
    QString m_table;                  // set when rows can be written back
    QString m_columnsText;            // the statement's column list, to read a new row back
    int m_cols = 0;
    int m_width = 0;                  // columns the statement returns, key and hidden ones included
    QVector<int> m_source;            // per column of the set, its place in the statement's row
    QVector<QVariant> m_data;         // row-major, m_cols per row
    QVector<qint64> m_keys;           // hidden row key per row
    qsizetype m_rows = 0;
    qsizetype m_current = -1;         // -1 before the first row, m_rows past the last
    bool m_batch = false;
    bool m_adding = false;
    QHash<int, QVariant> m_newRow;
    QHash<qsizetype, QHash<int, QVariant>> m_pending;
    mutable DbError m_error;
};
