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

    // First column of the first row, or an invalid value.
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // Runs a statement on the shared connection; fails the test on error.
    bool exec(const QString &sql, const QVariantList &values = {});

    static QString sampleData();

private:
    QTemporaryDir m_dir;
    QString m_error;
};
