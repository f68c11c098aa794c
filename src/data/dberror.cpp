#include "data/dberror.h"

#include <QSqlError>

DbError DbError::runtime(int number, const QString &description)
{
    DbError e;
    e.number = number;
    e.description = description.isEmpty() ? runtimeErrorDescription(number) : description;
    e.source = Source::Runtime;
    return e;
}

DbError DbError::engine(int code, const QString &text)
{
    DbError e;
    e.number = code == 0 ? -1 : code;
    e.description = text;
    e.source = Source::Engine;
    return e;
}

DbError DbError::fromSql(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return engine(error.nativeErrorCode().toInt(), text);
}

QString runtimeErrorDescription(int number)
{
    switch (number) {
    case ErrorNumber::Overflow:
        return QStringLiteral("Overflow");
    case ErrorNumber::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrorNumber::ObjectNotSet:
        return QStringLiteral("Object variable or With block variable not set");
    case ErrorNumber::InvalidUseOfNull:
        return QStringLiteral("Invalid use of Null");
    case ErrorNumber::NoCurrentRecord:
        return QStringLiteral("Either BOF or EOF is True, or the current record has been "
                              "deleted. Requested operation requires a current record.");
    case ErrorNumber::ItemNotFound:
        return QStringLiteral("Item cannot be found in the collection corresponding to the "
                              "requested name or ordinal.");
    case ErrorNumber::ObjectClosed:
        return QStringLiteral("Operation is not allowed when the object is closed.");
    case ErrorNumber::RowNotFound:
        return QStringLiteral("Row cannot be located for updating. Some values may have been "
                              "changed since it was last read.");
    case ErrorNumber::NotAllowed:
        return QStringLiteral("Operation is not allowed in this context.");
    case ErrorNumber::NotUpdatable:
        return QStringLiteral("Current Recordset does not support updating.");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

QString errorMessageText(const DbError &error)
{
    // The spelling "occured" is what users have always seen; keep it.
    return QStringLiteral("Error No ") + QString::number(error.number) + QStringLiteral("\r\n")
           + error.description + QStringLiteral(" has occured.");
}
