#pragma once

// What the BOM window tests share: typing as the user types, and the
// BoardBOM rows as another connection sees them.
#include "windowharness.h"

#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace BomFixture {

// Three BOMs: AMP with three rows, PSU with one and a null description, and
// KIT with one; one row an earlier run left without a BOM number.
inline const QString Boms = QStringLiteral(
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
    "('AMP', 'Amplifier', 'R100', 2), ('AMP', 'Amplifier', 'C10U', 1), ('AMP', 'Amplifier', 'IC1', 1),"
    "('PSU', NULL, 'D1', 4), ('KIT', 'Kit', 'HW1', 10), (NULL, NULL, 'ORPHAN', 1);");

// Types over a field's text, then presses Enter there.
inline void typeAndEnter(QLineEdit *field, const QString &text, bool enter = true)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) // any character, also those QTest has no key for
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    if (enter)
        QTest::keyClick(field, Qt::Key_Return);
}

// Every BoardBOM row, in the order written, as "BoardPN|Description|PartNo|QtyUsed"
// ("~" for null), read through a connection of its own: what is committed.
inline QStringList storedRows(const QString &databasePath, const QString &where = QString())
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(databasePath);
        if (!db.open())
            return {QStringLiteral("cannot open")};
        QSqlQuery q(db);
        q.exec(QStringLiteral("select BoardPN, Description, PartNo, QtyUsed from BoardBOM ") + where
               + QStringLiteral(" order by rowid"));
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < 4; ++i)
                values << (q.value(i).isNull() ? QStringLiteral("~") : q.value(i).toString());
            rows << values.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

} // namespace BomFixture
