#pragma once

#include <QString>

class QSqlError;

// Error numbers that windows test for. They keep the numbers the stock room
// staff know from the old program's messages.
namespace ErrorNumber {
enum : int {
    None = 0,
    Overflow = 6,          // a value outside the range of a 16-bit whole number
    TypeMismatch = 13,     // a value that cannot be converted
    ObjectNotSet = 91,     // no such object (for example no active document)
    InvalidUseOfNull = 94, // a null value where a number is needed
    NoCurrentRecord = 3021, // read or write with the cursor past either end
    ItemNotFound = 3265,   // no column of that name
    ObjectClosed = 3704,   // operation on a closed result set or connection
    NotUpdatable = 3251,   // the result set cannot be written
    NotAllowed = 3219,     // operation not allowed in this context
    RowNotFound = 3197,    // the row changed or went away since it was read
    OutcomeUnknown = 3800, // a commit got no answer and the server cannot be reached
};
}

// An error as a value: a number and a description. Engine errors keep the
// engine's own code and text; `Source` keeps them apart from our numbers.
struct DbError
{
    enum class Source { Runtime, Engine };

    int number = ErrorNumber::None;
    QString description;
    Source source = Source::Runtime;
    QString state; // the server's SQLSTATE, when the engine has such codes

    bool isError() const { return number != ErrorNumber::None || !description.isEmpty(); }
    explicit operator bool() const { return isError(); }
    // True for one of the runtime's own numbered errors.
    bool is(int runtimeNumber) const
    {
        return source == Source::Runtime && number == runtimeNumber;
    }

    static DbError runtime(int number, const QString &description = QString());
    static DbError engine(int code, const QString &text);
    // The engine's code and text from a driver error.
    static DbError fromSql(const QSqlError &error);
};

// The standard description of a runtime error number.
QString runtimeErrorDescription(int number);

// "Error No 6\r\nOverflow has occured." as shown by the windows' error traps.
QString errorMessageText(const DbError &error);
