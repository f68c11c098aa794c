#pragma once

// What the BOM and kit tests share: their rows, and what is stored as another
// connection sees it (only what was committed, on either engine).
#include "harness.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"

namespace BomFixture {

// Three BOMs: AMP with three rows, PSU with one and a null description, and
// KIT with one; one row an earlier run left without a BOM number.
inline const QString Boms = QStringLiteral(
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
    "('AMP', 'Amplifier', 'R100', 2), ('AMP', 'Amplifier', 'C10U', 1), ('AMP', 'Amplifier', 'IC1', 1),"
    "('PSU', NULL, 'D1', 4), ('KIT', 'Kit', 'HW1', 10), (NULL, NULL, 'ORPHAN', 1);");

inline QString part(const QString &no, int stock, int reorderPoint = 0, int bin = 0)
{
    return QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq, "
                          "Bin) VALUES ('%1', 'part %1', %2, 1.5, %3, 5, %4);\n").arg(no).arg(stock).arg(reorderPoint).arg(bin);
}

inline QString line(const QString &kit, const QString &no, const QString &qty)
{
    return QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('%1', 'kit %1', '%2', %3);\n")
        .arg(kit, no, qty);
}

// The rows a statement reads through a connection of its own, each as its
// values joined by `separator` ("~" for null).
inline QStringList committed(const QString &address, const QString &sql, const QString &separator = QStringLiteral("|"))
{
    static int n = 0;
    Database other(QStringLiteral("check%1").arg(++n));
    QStringList rows;
    Recordset rs;
    if (!other.open(address) || !rs.open(other, sql))
        return {QStringLiteral("failed: ") + other.errorString() + rs.errorString()};
    for (; !rs.isEof(); rs.moveNext()) {
        QStringList values;
        for (int i = 0; i < rs.fieldNames().size(); ++i)
            values << (rs.value(i).isNull() ? QStringLiteral("~") : NumberRules::plainText(rs.value(i)));
        rows << values.join(separator);
    }
    return rows;
}

// Every part as "PartNo=stock/bin".
inline QString stockState(const QString &address)
{
    QStringList parts;
    for (const QString &r : committed(address, QStringLiteral("SELECT PartNo, CurrentInv, Bin FROM Inventory ORDER BY PartNo")))
        parts << r.section('|', 0, 0) + '=' + r.section('|', 1, 1).replace('~', QStringLiteral("null")) + '/' + r.section('|', 2);
    return parts.join(' ');
}

// Every BoardBOM row, in the order written, as "BoardPN|Description|PartNo|QtyUsed".
inline QStringList storedRows(const QString &address, const QString &where = QString())
{
    Database probe(QStringLiteral("probe"));
    const QString order = probe.open(address) ? probe.engine().rowKeyExpression(QStringLiteral("BoardBOM")) : QString();
    probe.close();
    return committed(address, QStringLiteral("select BoardPN, Description, PartNo, QtyUsed from BoardBOM ") + where
                                  + QStringLiteral(" order by ") + order);
}


} // namespace BomFixture
