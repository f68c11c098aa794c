#pragma once

#include <QString>

// The report engine's own error numbers. They are the engine's, not the
// program's: a report failure is shown with them and never tested as one of
// the database layer's numbers.
namespace ReportErrorNumber {
enum : int {
    None = 0,
    TemplateMissing = 20501,    // no template file at that path
    TemplateUnreadable = 20502, // the file is there but cannot be read
    Syntax = 20503,             // a line the template format does not allow
    BadValue = 20504,           // a setting with a value it cannot take
    Incomplete = 20505,         // something the report needs is missing or twice
    UnknownName = 20506,        // a reference to a prompt or column that is not there
    QueryFailed = 20507,        // the database refused the report's query
    BadPromptValue = 20508,     // a prompt's answer is not of its kind
    MissingPromptValue = 20509, // no answer for a prompt
    TooWide = 20510,            // the columns do not fit across the page
    OutputFailed = 20511,       // the PDF file could not be written
};
}

// An error of the report engine as a value: its number and a description.
struct ReportError
{
    int number = ReportErrorNumber::None;
    QString description;

    bool isError() const { return number != ReportErrorNumber::None; }
    explicit operator bool() const { return isError(); }

    static ReportError make(int number, const QString &description)
    {
        return ReportError{number, description};
    }
};
