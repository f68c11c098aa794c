#pragma once

// What the BOM window tests share: typing as the user types, and the
// BoardBOM rows as another connection sees them.
#include "harness.h"

#include "data/database.h"
#include "data/numberrules.h"

#include <QLineEdit>
#include <QSqlError>
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
// ("~" for null), read through a connection of its own: what is committed,
// on either engine.
inline QStringList storedRows(const QString &address, const QString &where = QString())
{
    QStringList rows;
    Database other(QStringLiteral("check"));
    if (!other.open(address))
        return {QStringLiteral("cannot open: ") + other.errorString()};
    {
        QSqlQuery q(other.handle());
        const QString sql = QStringLiteral("select BoardPN, Description, PartNo, QtyUsed from BoardBOM ")
                            + where + QStringLiteral(" order by ")
                            + other.engine().rowKeyExpression(QStringLiteral("BoardBOM"));
        if (!q.exec(other.engine().translate(sql)))
            return {QStringLiteral("failed: ") + q.lastError().text()};
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < 4; ++i)
                values << (q.value(i).isNull() ? QStringLiteral("~") : NumberRules::plainText(q.value(i)));
            rows << values.join(QLatin1Char('|'));
        }
    }
    other.close();
    return rows;
}

// A control of a window by its name.
template <class T = QWidget>
T *control(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("no control %s", name);
    return found;
}

} // namespace BomFixture
