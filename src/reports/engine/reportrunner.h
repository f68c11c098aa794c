#pragma once

#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportdocument.h"
#include "reports/engine/reporterror.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QVariant>

class Database;

// Runs a report definition on a connection: reads the prompts' answers,
// runs the query with them bound, and lays the rows out. Reads only.
class ReportRunner
{
public:
    // Answers as typed, by prompt name (any letter case).
    using Answers = QHash<QString, QString>;

    // Each prompt's answer read as its kind, by prompt name as the template
    // spells it. A missing answer or one not of the prompt's kind is an error.
    static ReportError readAnswers(const ReportDefinition &definition, const Answers &answers,
                                   QHash<QString, QVariant> *values, const QLocale &locale = QLocale());

    static ReportError run(Database &db, const ReportDefinition &definition, const Answers &answers,
                           const QDateTime &printedAt, ReportDocument *out,
                           const QLocale &locale = QLocale());
};
