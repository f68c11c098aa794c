#include "data/dialect.h"

#include <QList>
#include <QRegularExpression>
#include <QSet>

namespace Dialect {

namespace {

struct Token
{
    enum Kind { Literal, Name, Word, Number, Comment, Other };
    Kind kind;
    QString text; // a Name's text without its quotes or brackets
};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QList<Token> tokens(const QString &text)
{
    QList<Token> out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        const qsizetype start = i;
        if (c == QLatin1Char('\'')) {
            for (++i; i < n; ++i) {
                if (text.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('\'')) {
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
            }
            out.append({Token::Literal, text.mid(start, i - start)});
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('"') ? QLatin1Char('"') : QLatin1Char(']');
            QString name;
            for (++i; i < n; ++i) {
                if (text.at(i) == close) {
                    if (close == QLatin1Char('"') && i + 1 < n && text.at(i + 1) == close) {
                        name += close;
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += text.at(i);
            }
            out.append({Token::Name, name});
        } else if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            while (i < n && text.at(i) != QLatin1Char('\n'))
                ++i;
            out.append({Token::Comment, text.mid(start, i - start)});
        } else if (isWordStart(c)) {
            while (i < n && isWordPart(text.at(i)))
                ++i;
            out.append({Token::Word, text.mid(start, i - start)});
        } else if (c.isDigit()) {
            // A number, also one with an exponent (1e5), is not a name.
            while (i < n && (isWordPart(text.at(i)) || text.at(i) == QLatin1Char('.')))
                ++i;
            out.append({Token::Number, text.mid(start, i - start)});
        } else {
            out.append({Token::Other, QString(c)});
            ++i;
        }
    }
    return out;
}

QString quotedName(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

bool isWord(const Token &t, const char *word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The next token that is not blank.
qsizetype nextSolid(const QList<Token> &ts, qsizetype i)
{
    for (++i; i < ts.size(); ++i)
        if (!(ts.at(i).kind == Token::Other && ts.at(i).text.at(0).isSpace()))
            return i;
    return -1;
}

} // namespace

QString standardDelete(const QString &sql)
{
    static const QRegularExpression deleteForm(
        QStringLiteral(R"(^\s*delete\s+(?:[A-Za-z_][A-Za-z0-9_]*\.)?(?:\*|[A-Za-z_][A-Za-z0-9_]*|\[[^\]]*\])\s+from\s+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = deleteForm.match(sql);
    if (m.hasMatch())
        return QStringLiteral("DELETE FROM ") + sql.mid(m.capturedEnd());
    return sql;
}

QString quoteNames(const QString &sql, const QHash<QString, QString> &names)
{
    const QList<Token> ts = tokens(standardDelete(sql));
    // First the aliases: a word after AS, except the type in CAST(x AS type).
    QHash<QString, QString> aliases;
    QSet<qsizetype> types; // the type names of casts, never quoted
    {
        QList<bool> inCast; // per open bracket
        QString lastWord;
        for (qsizetype i = 0; i < ts.size(); ++i) {
            const Token &t = ts.at(i);
            if (t.kind == Token::Other && t.text == QLatin1String("("))
                inCast << (lastWord.compare(QLatin1String("cast"), Qt::CaseInsensitive) == 0);
            else if (t.kind == Token::Other && t.text == QLatin1String(")") && !inCast.isEmpty())
                inCast.removeLast();
            if (isWord(t, "as")) {
                const qsizetype j = nextSolid(ts, i);
                if (j >= 0 && ts.at(j).kind == Token::Word) {
                    if (inCast.size() && inCast.last())
                        types.insert(j);
                    else if (!names.contains(ts.at(j).text.toLower()))
                        aliases.insert(ts.at(j).text.toLower(), ts.at(j).text);
                }
            }
            if (t.kind == Token::Word)
                lastWord = t.text;
            else if (!(t.kind == Token::Other && t.text.at(0).isSpace()))
                lastWord.clear();
        }
    }
    QString out;
    out.reserve(sql.size() + 32);
    for (qsizetype i = 0; i < ts.size(); ++i) {
        const Token &t = ts.at(i);
        switch (t.kind) {
        case Token::Name:
            out += quotedName(names.value(t.text.toLower(), t.text));
            break;
        case Token::Word: {
            const QString folded = t.text.toLower();
            const auto known = names.constFind(folded);
            if (known != names.constEnd()) {
                out += quotedName(*known);
                break;
            }
            const auto alias = aliases.constFind(folded);
            const qsizetype next = nextSolid(ts, i);
            // A function of the same name is no use of the alias.
            const bool call = next >= 0 && ts.at(next).kind == Token::Other
                              && ts.at(next).text == QLatin1String("(");
            out += alias != aliases.constEnd() && !call && !types.contains(i) ? quotedName(*alias) : t.text;
            break;
        }
        default:
            out += t.text;
        }
    }
    return out;
}

QHash<QString, QString> namesOf(const QString &schemaScript)
{
    QHash<QString, QString> names;
    for (const Token &t : tokens(schemaScript))
        if (t.kind == Token::Name)
            names.insert(t.text.toLower(), t.text);
    return names;
}

QString lockingRead(const QString &sql)
{
    // Rows of totals, groups or joins are not rows of a table to lock.
    static const QRegularExpression notLockable(
        QStringLiteral(R"(\b(count|sum|min|max|avg)\s*\(|\bgroup\s+by\b|\bdistinct\b|\bunion\b|\bjoin\b|\bfor\s+update\b)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression select(QStringLiteral(R"(^\s*select\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (!select.match(sql).hasMatch() || notLockable.match(sql).hasMatch())
        return sql;
    QString text = sql.trimmed();
    while (text.endsWith(QLatin1Char(';')))
        text = text.chopped(1).trimmed();
    return text + QStringLiteral(" FOR UPDATE");
}

bool singleTable(const QString &sql, SingleTable *out)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+([A-Za-z_][A-Za-z0-9_]*)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression notPlain(
        QStringLiteral(R"(^\s*,|\bjoin\b|\bgroup\s+by\b|\bunion\b)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression distinct(QStringLiteral(R"(^\s*distinct\b)"),
                                             QRegularExpression::CaseInsensitiveOption);
    // A sub-select among the columns: the first "from" is not the statement's.
    static const QRegularExpression subSelect(QStringLiteral(R"(\bselect\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
    // A set of totals has no rows of the table to write back.
    static const QRegularExpression aggregate(QStringLiteral(R"(\b(count|sum|min|max|avg)\s*\()"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch())
        return false;
    if (notPlain.match(m.captured(3)).hasMatch() || distinct.match(m.captured(1)).hasMatch()
        || aggregate.match(m.captured(1)).hasMatch() || subSelect.match(m.captured(1)).hasMatch())
        return false;
    out->columns = m.captured(1);
    out->table = m.captured(2);
    out->rest = m.captured(3);
    return true;
}

bool hasWhere(const QString &rest)
{
    for (const Token &t : tokens(rest))
        if (isWord(t, "where"))
            return true;
    return false;
}

bool isReadOnly(const QString &sql)
{
    const QList<Token> ts = tokens(sql);
    qsizetype first = -1;
    for (qsizetype i = 0; i < ts.size(); ++i) {
        const Token &t = ts.at(i);
        if (t.kind == Token::Comment || (t.kind == Token::Other && t.text.at(0).isSpace()))
            continue;
        if (first < 0) {
            first = i;
            if (!isWord(t, "select") && !isWord(t, "with") && !isWord(t, "values"))
                return false;
        }
        // Statements after the first, and writes nested in a WITH.
        if (t.kind == Token::Other && t.text == QLatin1String(";")) {
            const qsizetype next = nextSolid(ts, i);
            if (next >= 0 && ts.at(next).kind != Token::Comment)
                return false;
        }
        for (const char *write : {"insert", "update", "delete", "drop", "attach", "create", "alter",
                                  "pragma", "vacuum", "detach", "truncate", "grant"})
            if (isWord(t, write) && !(i > 0 && ts.at(i - 1).text == QLatin1String(".")))
                return false;
    }
    return first >= 0;
}

} // namespace Dialect
