#include "reports/engine/reportrunner.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"
#include "reports/engine/reportlayout.h"

#include <cmath>

ReportError ReportRunner::readAnswers(const ReportDefinition &definition, const Answers &answers,
                                      QHash<QString, QVariant> *values, const QLocale &locale)
{
    values->clear();
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        if (!definition.prompt(it.key()))
            return ReportError::make(ReportErrorNumber::UnknownName,
                                     QStringLiteral("The report asks nothing called %1.").arg(it.key()));
    }
    for (const ReportPrompt &p : definition.prompts) {
        std::optional<QString> answer;
        for (auto it = answers.begin(); it != answers.end(); ++it)
            if (it.key().compare(p.name, Qt::CaseInsensitive) == 0)
                answer = it.value();
        if (!answer)
            return ReportError::make(ReportErrorNumber::MissingPromptValue,
                                     QStringLiteral("The report needs an answer for %1 (\"%2\").")
                                         .arg(p.name, p.text));
        switch (p.kind) {
        case ReportPrompt::Kind::Text:
            values->insert(p.name, *answer);
            break;
        case ReportPrompt::Kind::Whole: {
            qint16 n = 0;
            if (!NumberRules::textToInt16(*answer, &n, nullptr, locale))
                return ReportError::make(ReportErrorNumber::BadPromptValue,
                                         QStringLiteral("\"%1\" is not a whole number from -32768 to "
                                                        "32767 for %2.")
                                             .arg(*answer, p.name));
            values->insert(p.name, int(n));
            break;
        }
        case ReportPrompt::Kind::Number: {
            const double n = NumberRules::readNumber(answer->trimmed());
            if (!NumberRules::isNumeric(*answer, locale) || !std::isfinite(n)
                || answer->contains(locale.groupSeparator()))
                return ReportError::make(ReportErrorNumber::BadPromptValue,
                                         QStringLiteral("\"%1\" is not a number for %2.").arg(*answer, p.name));
            values->insert(p.name, n);
            break;
        }
        }
    }
    return {};
}

ReportError ReportRunner::run(Database &db, const ReportDefinition &definition, const Answers &answers,
                              const QDateTime &printedAt, ReportDocument *out, const QLocale &locale)
{
    QHash<QString, QVariant> values;
    if (ReportError e = readAnswers(definition, answers, &values, locale))
        return e;
    QVariantList bound;
    for (const QString &name : definition.bindOrder)
        bound << values.value(name);

    Recordset rs;
    // Read once from start to end: a report never writes its rows back.
    if (!rs.open(db, definition.sql, bound, Recordset::Kind::ForwardOnly))
        return ReportError::make(ReportErrorNumber::QueryFailed,
                                 QStringLiteral("The report's query failed: %1").arg(rs.errorString()));
    ReportLayout::Rows rows;
    rows.fields = rs.fieldNames();
    const int columns = int(rows.fields.size());
    for (; !rs.isEof(); rs.moveNext())
        for (int c = 0; c < columns; ++c)
            rows.values.append(rs.value(c));
    rs.close();
    return ReportLayout(definition, values, printedAt, locale).layout(rows, out);
}
