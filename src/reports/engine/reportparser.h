#pragma once

#include "reports/engine/reportdefinition.h"
#include "reports/engine/reporterror.h"

#include <QString>

// Reads a report template into a report definition. The format is described
// in reports/README.md. A template that does not follow it is refused with
// the engine's error number and a description naming the line.
class ReportParser
{
public:
    static ReportError parse(const QString &text, ReportDefinition *out);
    static ReportError parseFile(const QString &path, ReportDefinition *out);

    // The query with each :name outside quotes and comments replaced by ?,
    // and the names in order. False with the offending text when a name is
    // not a prompt's.
    static bool bindQuery(const QString &query, const QList<ReportPrompt> &prompts, QString *sql,
                          QStringList *order, QString *unknown);
};
