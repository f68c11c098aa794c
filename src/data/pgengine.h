#pragma once

#include "data/sqlengine.h"

#include <QHash>

// A PostgreSQL server, for several workstations on one database. The tables
// carry a key column of their own (the server has no stable hidden row key),
// text compares without regard to letter case through citext. In a write
// transaction every row read is locked until the commit (FOR UPDATE), so a
// read-modify-write of the stock waits for another workstation's instead of
// overwriting it; a deadlock, or a new row another workstation added a moment
// before, fails the transaction, and runWrite runs it again.
class PgEngine : public SqlEngine
{
public:
    // The parts of an address postgresql://user@host:port/dbname?key=value.
    struct Address
    {
        QString user;
        QString password; // accepted, never shown; ~/.pgpass or PGPASSWORD is the way
        QString host;     // a name, an IP address, or a socket folder (/run/postgresql)
        int port = -1;
        QString database;
        QStringList options; // key=value, passed to the client library
    };

    static constexpr int DefaultConnectTimeoutS = 10;

    static bool isAddress(const QString &address);
    // False with *why when the text is not a usable address.
    static bool parse(const QString &address, Address *out, QString *why);

    QString driverName() const override { return QStringLiteral("QPSQL"); }
    bool connect(const QString &connectionName, const QString &address,
                 DbError *error) const override;
    QString describe(const QString &address) const override;
    QString shortName(const QString &address) const override;
    bool configure(QSqlDatabase &db, DbError *error) const override;
    QString schemaScript() const override;
    QStringList tables(QSqlDatabase &db) const override;
    DbError errorFrom(const QSqlError &error) const override;
    bool isConflict(const DbError &error) const override;
    QString translate(const QString &sql) const override;
    QString lockingRead(const QString &sql) const override;
    QString beginWriteStatement() const override;
    QString rowKeyExpression(const QString &table) const override;
    QString hiddenColumn() const override { return QStringLiteral("RowKey"); }
    QString insertKeyClause() const override { return QStringLiteral(" RETURNING RowKey"); }
    QVariant bindable(const QVariant &value) const override;
    bool isConnectionLost(QSqlDatabase &db, const DbError &error) const override;
    DbError classify(const DbError &error) const override;
    QStringList readOnlyBegin() const override { return {QStringLiteral("BEGIN READ ONLY")}; }
    QStringList readOnlyEnd() const override { return {QStringLiteral("ROLLBACK")}; }
    bool keepsWriteIds() const override { return true; }
    // The names the translation quotes, by their small-letter spelling.
    static QHash<QString, QString> names();
};
