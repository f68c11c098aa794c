#include "reports/engine/reporttext.h"

#include <QRegularExpression>

bool ReportText::split(const QString &text, QList<Piece> *pieces, QString *error)
{
    pieces->clear();
    QString literal;
    auto flush = [&] {
        if (!literal.isEmpty())
            pieces->append(Piece{false, literal, std::nullopt});
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('{')) {
            literal += c;
            ++i;
        } else if (c == QLatin1Char('}') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('}')) {
            literal += c;
            ++i;
        } else if (c == QLatin1Char('}')) {
            *error = QStringLiteral("a '}' with no '{' before it");
            return false;
        } else if (c == QLatin1Char('{')) {
            const qsizetype end = text.indexOf(QLatin1Char('}'), i + 1);
            const qsizetype nested = text.indexOf(QLatin1Char('{'), i + 1);
            if (end < 0 || (nested >= 0 && nested < end)) {
                *error = QStringLiteral("a '{' that is not closed");
                return false;
            }
            const QString inside = text.mid(i + 1, end - i - 1);
            const qsizetype bar = inside.indexOf(QLatin1Char('|'));
            Piece piece{true, (bar < 0 ? inside : inside.left(bar)).simplified(), std::nullopt};
            if (piece.text.isEmpty()) {
                *error = QStringLiteral("an empty placeholder {}");
                return false;
            }
            if (bar >= 0) {
                piece.format = parseFormat(inside.mid(bar + 1));
                if (!piece.format) {
                    *error = QStringLiteral("'%1' is not a format").arg(inside.mid(bar + 1).trimmed());
                    return false;
                }
            }
            flush();
            pieces->append(piece);
            i = end;
        } else {
            literal += c;
        }
    }
    flush();
    return true;
}

std::optional<ReportFormat> ReportText::parseFormat(const QString &word)
{
    const QString w = word.trimmed().toLower();
    ReportFormat f;
    if (w == QLatin1String("text")) {
        f.kind = ReportFormat::Kind::Text;
    } else if (w == QLatin1String("general")) {
        f.kind = ReportFormat::Kind::General;
    } else if (w == QLatin1String("money")) {
        f.kind = ReportFormat::Kind::Money;
    } else if (w == QLatin1String("yesno")) {
        f.kind = ReportFormat::Kind::YesNo;
    } else {
        static const QRegularExpression fixed(QStringLiteral("^0(\\.(0{1,9}))?$"));
        const QRegularExpressionMatch m = fixed.match(w);
        if (!m.hasMatch())
            return std::nullopt;
        f.kind = ReportFormat::Kind::Fixed;
        f.decimals = int(m.capturedLength(2));
    }
    return f;
}

QString ReportText::expand(const QList<Piece> &pieces, const Lookup &value)
{
    QString out;
    for (const Piece &p : pieces) {
        if (!p.placeholder) {
            out += p.text;
        } else if (const std::optional<QString> v = value(p.text, p.format)) {
            out += *v;
        }
    }
    return out;
}
