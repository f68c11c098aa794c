#pragma once

#include "ui/appcontext.h"
#include "scripteduserinterface.h"

#include <QTemporaryDir>
#include <QVariant>

// A program folder of its own for one test: a database made from the schema
// (plus the test's rows), a settings file, scripted dialogs and a fixed clock.
//
// The database is a file in that folder, or a new database on the process's
// private PostgreSQL server (PgServer). A test picks the engine itself, or
// takes the default, which is the file unless the variable
// PARTWISE_TEST_ENGINE is "postgresql": tests/CMakeLists.txt runs the tests
// named in PARTWISE_BOTH_ENGINES a second time that way (ctest name *_pg).
class TestEnvironment
{
public:
    enum class Data { Empty, Sample };
    enum class Engine { File, Server };

    explicit TestEnvironment(const QString &rows = QString(), Data data = Data::Empty,
                             Engine engine = defaultEngine());

    static Engine defaultEngine();
    // Empty when the engine can be used here; else why not (a test skips).
    static QString unavailable(Engine engine);
    Engine engine() const { return m_engine; }
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

    // The first row's values, or an empty list.
    QVariantList row(const QString &sql, const QVariantList &values = {});
    // Makes the database refuse every new row of a table with the text "row
    // refused", and lets it take them again; the message a window then shows.
    bool refuseInserts(const QString &table);
    // A check deferred to the COMMIT, which then fails when a row of the
    // table was changed.
    bool refuseCommitAfterUpdate(const QString &table);
    bool allowInserts(const QString &table);
    QString refusedMessage() const;

    static QString sampleData();

private:
    QTemporaryDir m_dir;
    QString m_error;
    Engine m_engine;
};
