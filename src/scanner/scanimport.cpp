#include "scanner/scanimport.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/writetransaction.h"
#include "stock/ops/stockoperations.h"

#include <QSaveFile>

namespace ScanImport {

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

qsizetype skipDigits(const QString &s, qsizetype pos)
{
    while (pos < s.size() && isDigit(s.at(pos)))
        ++pos;
    return pos;
}

// The runtime errors of a stock change that concern one line only; any
// other failure stops the whole import.
bool lineProblem(const DbError &error, Problem *problem)
{
    if (error.is(ErrorNumber::Overflow))
        *problem = Problem::OutOfRange;
    else if (error.is(ErrorNumber::InvalidUseOfNull))
        *problem = Problem::NoStock;
    else if (error.is(ErrorNumber::TypeMismatch))
        *problem = Problem::StockNotANumber;
    else
        return false;
    return true;
}

} // namespace

QString decode(const QByteArray &received)
{
    return QString::fromLatin1(received.constData(), received.size());
}

QList<Line> splitLines(const QString &text)
{
    QList<Line> lines;
    qsizetype start = 0;
    int number = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text.at(i) != QLatin1Char('\r'))
            continue;
        lines.append(Line{++number, text.mid(start, i - start)});
        if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(Line{++number, text.mid(start)});
    return lines;
}

bool splitRecord(const QString &line, QString *partNo, QString *quantity)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return false;
    *partNo = line.left(comma);
    *quantity = line.mid(comma + 1);
    return true;
}

bool readQuantity(const QString &text, double *value)
{
    const QString s = text.trimmed();
    qsizetype pos = 0;
    if (pos < s.size() && (s.at(pos) == QLatin1Char('+') || s.at(pos) == QLatin1Char('-')))
        ++pos;
    const qsizetype intStart = pos;
    pos = skipDigits(s, pos);
    qsizetype digits = pos - intStart;
    if (pos < s.size() && s.at(pos) == QLatin1Char('.')) {
        const qsizetype fracStart = ++pos;
        pos = skipDigits(s, pos);
        digits += pos - fracStart;
    }
    if (digits == 0)
        return false;
    if (pos < s.size() && (s.at(pos) == QLatin1Char('e') || s.at(pos) == QLatin1Char('E'))) {
        ++pos;
        if (pos < s.size() && (s.at(pos) == QLatin1Char('+') || s.at(pos) == QLatin1Char('-')))
            ++pos;
        const qsizetype expStart = pos;
        pos = skipDigits(s, pos);
        if (pos == expStart)
            return false;
    }
    if (pos != s.size())
        return false;
    // The whole text is the number, so the program's own number reading
    // takes all of it.
    *value = NumberRules::readNumber(s);
    return true;
}

Result apply(Database &db, const QByteArray &received, const Progress &progress)
{
    Result result;
    const QList<Line> lines = splitLines(decode(received));

    // One transaction for the whole import; one that met another
    // workstation's write runs again from the first line.
    DbError error;
    const bool written = runWrite(db, [&](DbError *failure) {
        result = Result();
        int done = 0;
        for (const Line &line : lines) {
            QString partNo, quantityText;
            double quantity = 0;
            auto skip = [&](Problem problem) {
                result.skipped.append(Skipped{line.number, line.text, partNo, problem});
            };
            if (line.text.isEmpty()) {
                // nothing to take in
            } else if (!splitRecord(line.text, &partNo, &quantityText)) {
                skip(Problem::NoComma);
            } else if (!readQuantity(quantityText, &quantity)) {
                skip(Problem::NotANumber);
            } else {
                const StockOps::StockChange change = StockOps::adjustStock(db, partNo, quantity);
                Problem problem = Problem::NoComma;
                if (change.ok()) {
                    ++result.linesApplied;
                } else if (change.status == StockOps::Status::PartMissing) {
                    skip(Problem::PartMissing);
                } else if (lineProblem(change.error, &problem)) {
                    skip(problem);
                } else {
                    *failure = change.error;
                    return false; // the transaction rolls back
                }
            }
            if (progress)
                progress(++done);
        }
        return true;
    }, &error);
    if (!written) {
        result.error = error;
        return result;
    }
    result.committed = true;
    return result;
}

bool writeTransferFile(const QString &path, const QByteArray &received, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(received) != received.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ScanImport
