#pragma once

#include "reports/engine/reportdefinition.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// A text of a template with {name} or {name|format} placeholders; "{{" and
// "}}" stand for the braces themselves.
class ReportText
{
public:
    struct Piece
    {
        bool placeholder = false;
        QString text;                     // the literal, or the placeholder's name
        std::optional<ReportFormat> format;
    };

    // Splits a text; false with a reason for an unclosed or stray brace or a
    // format that is not one.
    static bool split(const QString &text, QList<Piece> *pieces, QString *error);
    // Reads a format word: text, general, 0, 0.0, 0.00 ..., money, yesno.
    static std::optional<ReportFormat> parseFormat(const QString &word);

    // Joins the pieces, asking `value` for each placeholder (null: unknown).
    using Lookup = std::function<std::optional<QString>(const QString &name,
                                                        const std::optional<ReportFormat> &format)>;
    static QString expand(const QList<Piece> &pieces, const Lookup &value);
};
