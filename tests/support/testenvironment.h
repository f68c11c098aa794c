#pragma once

#include "ui/appcontext.h"
#include "scripteduserinterface.h"

#include <QTemporaryDir>
#include <QVariant>

// A program folder of its own for one test: a database made from the schema
// (plus the test's rows), a settings file, scripted dialogs and a fixed clock.
class TestEnvironment
{
public:
    enum class Data { Empty, Sample };

    explicit TestEnvironment(const QString &rows = QString(), Data data = Data::Empty);
    ~TestEnvironment();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString folder() const { return m_dir.path(); }

    ScriptedUserInterface ui;
    AppContext app;

    // First column of the first row, or an invalid value, as another program
    // sees the file: through a connection of its own, so that only what was
    // committed counts.
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // The same through the program's own connection (its own settings).
    QVariant ownScalar(const QString &sql, const QVariantList &values = {});
    // Runs a statement on the shared connection.
    bool exec(const QString &sql, const QVariantList &values = {});
    // Runs a statement through a connection of its own, as another
    // workstation does; false (with a warning) when it fails.
    bool execElsewhere(const QString &sql, const QVariantList &values = {});

    static QString sampleData();

private:
    QTemporaryDir m_dir;
    QString m_error;
};
