#include "reports/engine/reportrunner.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/dialect.h"
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

    // A template only reads: a statement that would change the database is
    // refused before it runs, and the query runs where the engine refuses
    // every change (a read-only transaction, SQLite's query_only).
    if (!Dialect::isReadOnly(definition.sql))
        return ReportError::make(ReportErrorNumber::QueryFailed,
                                 QStringLiteral("The report's query may only read the database; "
                                                "it was not run and nothing was changed."));
    struct Sink : SqlEngine::RowSink
    {
        ReportLayout::Rows *rows;
        void columns(const QStringList &names) override { rows->fields = names; }
        void value(QVariant &&v) override { rows->values.append(std::move(v)); }
        void endRow() override {}
    };
    ReportLayout::Rows rows;
    Sink sink;
    sink.rows = &rows;
    if (!db.readOnly([&] { return db.read(definition.sql, bound, sink); })) {
        const DbError e = db.error();
        return ReportError::make(ReportErrorNumber::QueryFailed,
                                 QStringLiteral("The report's query failed: %1").arg(e.description));
    }
    return ReportLayout(definition, values, printedAt, locale).layout(rows, out);
}
