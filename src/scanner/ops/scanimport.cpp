#include "scanner/ops/scanimport.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/writetransaction.h"
#include "history/ops/stockledger.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <cerrno>
#include <cstring>

namespace ScanImport {

namespace {

// Why a stored stock cannot be used.
Problem stockProblem(const QVariant &stored, const DbError &error)
{
    if (stored.isNull())
        return Problem::NoStock;
    return error.is(ErrorNumber::Overflow) ? Problem::OutOfRange : Problem::StockNotANumber;
}

// The first row of a read, if any.
struct FirstRow : SqlEngine::RowSink
{
    QVariantList row;
    bool found = false;
    int width = 0;
    void columns(const QStringList &names) override
    {
        row.clear();
        found = false;
        width = int(names.size());
    }
    void value(QVariant &&v) override
    {
        if (!found)
            row.append(std::move(v));
    }
    void endRow() override { found = true; }
};

QString reasonOf(const QFileDevice &file, const QString &path, int savedErrno)
{
    if (QFileInfo(path).isDir())
        return QStringLiteral("There is a folder of that name.");
    const QString said = file.errorString();
    if (file.error() != QFileDevice::NoError && !said.isEmpty()
        && said != QLatin1String("Unknown error"))
        return said;
    if (savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return QStringLiteral("The file could not be written (is the disk full?).");
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
        lines.append(Line{++number, text.mid(start), false});
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

Result apply(Database &db, const QByteArray &received, const Progress &progress)
{
    Result result;
    const QList<Line> lines = splitLines(decode(received));
    const QString readSql = QStringLiteral("SELECT CurrentInv, PartNo FROM Inventory WHERE PartNo = ?");
    const QString writeSql = QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?");

    // One transaction for the whole import; one that met another
    // workstation's write runs again from the first line.
    DbError error;
    const bool written = runWrite(db, [&](DbError *failure) {
        result = Result();
        auto failed = [&] {
            *failure = db.error();
            return false; // the transaction rolls back
        };
        int done = 0;
        const QString ledgerGroup = StockLedger::newGroupId();
        StockLedger::Batch ledger(db);
        FirstRow read;
        for (const Line &line : lines) {
            QString partNo, quantityText;
            double quantity = 0;
            auto skip = [&](Problem problem) {
                result.skipped.append(Skipped{line.number, line.text, partNo, problem});
            };
            if (line.text.isEmpty()) {
                // nothing to take in
            } else if (!line.ended) {
                splitRecord(line.text, &partNo, &quantityText);
                skip(Problem::Cut);
            } else if (!splitRecord(line.text, &partNo, &quantityText)) {
                skip(Problem::NoComma);
            } else if (!NumberRules::readPlainNumber(quantityText, &quantity)) {
                skip(Problem::NotANumber);
            } else {
                if (!db.read(readSql, {partNo}, read))
                    return failed();
                if (!read.found) {
                    skip(Problem::PartMissing);
                } else {
                    const QVariant stored = read.row.value(0);
                    qint16 current = 0, next = 0;
                    DbError why;
                    if (!NumberRules::toInt16(stored, &current, &why)) {
                        skip(stockProblem(stored, why));
                    } else if (!NumberRules::toInt16(double(current) + quantity, &next)) {
                        skip(Problem::OutOfRange);
                    } else {
                        const QString spelled = read.row.value(1).toString();
                        if (!db.execute(writeSql, {qlonglong(next), spelled}))
                            return failed();
                        StockLedger::Entry entry =
                            StockLedger::importLine(ledgerGroup, line.number, spelled, current, next);
                        entry.partNoAsStored = true;
                        if (!ledger.add(entry, failure))
                            return false;
                        ++result.linesApplied;
                    }
                }
            }
            if (progress)
                progress(++done);
        }
        return ledger.flush(failure);
    }, &error);
    if (!written) {
        result.error = error;
        return result;
    }
    result.status = Status::Done;
    result.committed = true;
    return result;
}

bool writeTransferFile(const QString &path, const QByteArray &received, QString *error)
{
    QSaveFile file(path);
    errno = 0;
    if (file.open(QIODevice::WriteOnly) && file.write(received) == received.size() && file.commit())
        return true;
    const int savedErrno = errno;
    file.cancelWriting();
    if (error)
        *error = reasonOf(file, path, savedErrno);
    return false;
}

} // namespace ScanImport
