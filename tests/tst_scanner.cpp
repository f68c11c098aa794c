// The scanner download, with a pseudo-terminal standing for the scanner's
// serial line: what arrives, what is stored, what the user is told.
#include "scanner/commwindow.h"
#include "scanner/ops/scanimport.h"
#include "scanner/scannerport.h"
#include "scanner/serialcollector.h"
#include "harness.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The scanner's end of a serial line. Sends only from timers, so that the
// window's own event loop receives while the test waits in a click.
class FakeScanner : public QObject
{
public:
    FakeScanner()
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd >= 0 && grantpt(m_fd) == 0 && unlockpt(m_fd) == 0)
            device = QString::fromLocal8Bit(ptsname(m_fd));
        // A full line buffer must not block the thread that also reads.
        fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
    ~FakeScanner() override { ::close(m_fd); }
    // The line as the program set it up ("9600 8N1 raw", no flow control),
    // then what it sent to the scanner (it never sends).
    QString line() const
    {
        termios t {};
        if (tcgetattr(m_fd, &t) != 0)
            return "no line";
        char sent[256];
        return QStringLiteral("%1 %2%3%4%5%6%7 sent %8").arg(cfgetispeed(&t) == B9600 && cfgetospeed(&t) == B9600 ? "9600" : "other")
            .arg((t.c_cflag & CSIZE) == CS8 ? "8" : "?").arg(t.c_cflag & PARENB ? "P" : "N").arg(t.c_cflag & CSTOPB ? "2" : "1")
            .arg(t.c_cflag & CRTSCTS ? " rtscts" : "").arg(t.c_iflag & (IXON | IXOFF) ? " xonxoff" : "")
            .arg(t.c_lflag & (ECHO | ICANON) ? " cooked" : " raw").arg(qMax(0, int(::read(m_fd, sent, sizeof sent))));
    }
    // Sends the bytes `ms` milliseconds from now.
    void sendAt(int ms, const QByteArray &bytes) { QTimer::singleShot(ms, this, [this, bytes] { push(bytes); }); }
    QString device;

private:
    void push(QByteArray bytes)
    {
        while (!bytes.isEmpty()) {
            const ssize_t n = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
            if (n <= 0) // full: the rest a moment later, after the reader had its turn
                return QTimer::singleShot(5, this, [this, bytes] { push(bytes); });
            bytes.remove(0, n);
        }
    }
    int m_fd = -1;
};

const QString Parts = QString::fromUtf8(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('A1', 'a', 10), ('B2', 'b', 3),"
    "('C3', 'c', 10), ('O''BRIEN', 'quote', 7), ('µ1', 'micro', 1), ('NOSTOCK', 'never counted', NULL),"
    "('BIG', 'nearly full', 32760), ('LOW', 'nearly empty', -32760);");
const int Period = 400;

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
}
// The stock as another connection sees it: what was committed.
QVariantList stockOf(TestEnvironment &env, const QStringList &partNos)
{
    QVariantList out;
    for (const QString &partNo : partNos) {
        const QVariant v = env.scalar("SELECT CurrentInv FROM Inventory WHERE PartNo = ?", {partNo});
        out << (v.isNull() ? QVariant() : v);
    }
    return out;
}
// Parts <prefix>0 .. <prefix>n-1 with no stock, and a transfer adding one
// to each.
QString zeroStock(const QString &prefix, int n, QByteArray *transfer = nullptr)
{
    QStringList values;
    for (int i = 0; i < n; ++i) {
        values << QString("('%1%2', 0)").arg(prefix).arg(i);
        if (transfer)
            *transfer += prefix.toUtf8() + QByteArray::number(i) + ",1\r\n";
    }
    return "INSERT INTO Inventory (PartNo, CurrentInv) VALUES " + values.join(", ") + ";";
}

struct Row
{
    QByteArray received;
    QStringList parts;
    QVariantList after;
    QString skipped; // or the messages shown, one a line
    QString setup = {}; // in the window: "folder" where import.txt goes, "lock" on B2
};
void row(const char *name, const Row &r) { QTest::newRow(name) << r; }

} // namespace
Q_DECLARE_METATYPE(Row)

class TestScanner : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    std::unique_ptr<FakeScanner> scanner;

    CommWindow *openWindow(const QString &rows = Parts)
    {
        h = std::make_unique<Harness>(rows);
        scanner = std::make_unique<FakeScanner>();
        h->env.app.settings()->setValue("Settings/ScannerPort", scanner->device);
        auto *w = scanner->device.isEmpty() ? nullptr : h->open<CommWindow>(CommandId::Import);
        if (w)
            w->setCollectionPeriod(Period);
        return w;
    }
    QString importFile() const { return QDir(h->env.folder()).filePath("import.txt"); }

private slots:
    void cleanup()
    {
        h.reset();
        scanner.reset();
    }

    // The import's sums and its line grammar, on the operation: the stock
    // afterwards (committed) and the lines left out, "line:why".
    void apply_data()
    {
        QTest::addColumn<Row>("r");
        row("one part on two lines, CR only", {"A1,2\rA1,3\r", {"A1"}, {15}, ""});
        row("halves to the even neighbour", {"A1,2.5\r\nC3,3.5\r\n", {"A1", "C3"}, {12, 14}, ""});
        row("missing part, the rest applied", {"X9,4\r\nA1,1\r\n", {"A1"}, {11}, "1:missing X9"});
        row("blank before the comma is part of the number", {"A1 ,5\r\nB2,1\r\n", {"A1", "B2"}, {10, 4}, "1:missing A1 "});
        row("letter case as the database compares", {"a1,5\r\n", {"A1"}, {15}, ""});
        row("quote in the part number", {"O'BRIEN,3\r\n", {"O'BRIEN"}, {10}, ""});
        row("a byte above 127 is one character", {"\xb5" "1,4\r\n", {QString::fromUtf8("µ1")}, {5}, ""});
        row("blanks, sign, exponent; a last line without its end", {"A1, +1e1 \r\nB2,-.5", {"A1", "B2"}, {20, 3}, "2:cut"});
        row("no comma, not a number, no stock, an empty line", {"A1;5\r\nA1,abc\r\nNOSTOCK,1\r\n\r\nB2,1\r\n", {"A1", "B2", "NOSTOCK"},
                                                          {10, 4, QVariant()}, "1:no comma 2:not a number 3:no stock"});
        row("a thousands separator is no number", {"A1,1,000\r\nB2,\r\n", {"A1"}, {10}, "1:not a number 2:not a number"});
        row("quantities: blanks and tab around, a trailing point", {"A1, \t-12 \r\nA1,7.\r\n", {"A1"}, {5}, ""});
        row("quantities that are no number", {"A1,-\rA1,.\rA1,1 2\rA1,5pcs\rA1,1e\rA1,\xb2\r", {"A1"}, {10},
                                             "1:not a number 2:not a number 3:not a number 4:not a number 5:not a number 6:not a number"});
        row("stock out of range, either way", {"BIG,10\r\nLOW,-10\r\nBIG,7\r\n", {"BIG", "LOW"}, {32767, -32760}, "1:out of range 2:out of range"});
        // Lines end with CR LF or CR; empty lines count; LF alone (or LF CR)
        // stays in the line; CR LF LF starts the next line with LF.
        row("line ends", {"X9,1\r\n\r\n\rA1,1\nB2,1\r\n\n\rX7,1\r\n\nX6,1\r\n", {"A1", "B2"}, {10, 3},
                          "1:missing X9 4:not a number 5:no comma 6:missing X7 7:missing \nX6"});
    }
    void apply()
    {
        QFETCH(Row, r);
        TestEnvironment env(Parts);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const ScanImport::Result result = ScanImport::apply(env.app.database(), r.received);
        QVERIFY2(result.committed, qPrintable(result.error.description));
        const char *why[] = {"no comma", "not a number", "missing", "no stock", "stock not a number", "out of range", "cut"};
        QStringList skipped;
        for (const ScanImport::Skipped &s : result.skipped)
            skipped << QStringLiteral("%1:%2").arg(s.lineNumber).arg(why[int(s.problem)])
                           + (s.problem == ScanImport::Problem::PartMissing ? " " + s.partNo : QString());
        QCOMPARE(skipped.join(' '), r.skipped);
        QCOMPARE(stockOf(env, r.parts), r.after);
    }

    // One transfer through the window, one row per kind of outcome: the
    // messages, the stock, import.txt holding the bytes as they came (or,
    // when none came, the earlier transfer) and the progress shown. What
    // cannot be stored is told in words (never an error number of the
    // program's): counts that exist nowhere else still go into stock when
    // import.txt cannot be written, and a line the database refuses leaves
    // the whole import unstored.
    void import_data()
    {
        QTest::addColumn<Row>("r");
        row("nothing received", {"", {"A1"}, {10}, "Time has expired!\r\nImport was not completed."});
        const QByteArray eighty = "A1;" + QByteArray(77, 'x'); // shown whole
        row("three lines skipped, a message each", {"X9,4\r\n" + eighty + "\r\nX8,1\r\nA1,1\r\n", {"A1"}, {11},
                                                    "Part Number X9 Does Not Exist\nLine 2 was not imported (no comma):\r\n" + eighty + "\nPart Number X8 Does Not Exist"});
        QByteArray many;
        QString listed;
        for (int i = 1; i <= 41; ++i)
            many += "X9,1\r\n", listed += i > 40 ? QString() : QStringLiteral("\r\nLine %1: X9,1 (part X9 does not exist)").arg(i);
        row("more lines skipped than listed", {many + "A1,1\r\n", {"A1"}, {11}, "41 lines were not imported:" + listed
                                               + "\r\n... and 1 more; import.txt holds every line.\r\nThe other lines were added to the stock."});
        const QByteArray longLine = "A1;" + QByteArray(1000, 'x');
        row("a long line shown cut", {longLine + "\r\n", {"A1"}, {10}, "Line 1 was not imported (no comma):\r\n" + longLine.left(80) + "... (1003 characters)"});
        row("a cut line", {"B2,-.5", {"B2"}, {3}, "Line 1 was not imported (it was cut off: its line end never came):\r\nB2,-.5"});
        row("many malformed lines, one list", {"A1;5\r\nA1,1,000\r\nBIG,10\r\nLOW,-10\r\nX9,1\r\nA1,1\r\n\r\nB2,\r\n", {"A1"}, {11},
                                               "6 lines were not imported:\r\nLine 1: A1;5 (no comma)\r\n"
                                               "Line 2: A1,1,000 (the quantity is not a number)\r\n"
                                               "Line 3: BIG,10 (the stock of part BIG would be outside -32768 to 32767)\r\n"
                                               "Line 4: LOW,-10 (the stock of part LOW would be outside -32768 to 32767)\r\n"
                                               "Line 5: X9,1 (part X9 does not exist)\r\nLine 8: B2, (the quantity is not a number)\r\n"
                                               "The other lines were added to the stock."});
        row("NOSTOCK", {"NOSTOCK,1\r\n", {"NOSTOCK"}, {QVariant()}, "Line 1 was not imported (part NOSTOCK has no stock figure):\r\nNOSTOCK,1"});
        // Far more than a serial buffer holds, in pieces that split lines
        // and line ends, over most of the period: every line counts.
        row("a large transfer in pieces", {QByteArray("A1,1\r\nC3,1\r\n").repeated(1800), {"A1", "C3"}, {1810, 1810}, ""});
        row("import.txt cannot be written", {"A1,1\r\nB2,1\r\n", {"A1", "B2"}, {11, 4},
                                             "The received lines could not be kept in <folder>/import.txt.\r\nThere is a folder of that name.", "folder"});
        row("database refuses a line", {"A1,1\r\nB2,1\r\n", {"A1", "B2"}, {10, 3}, "No stock was changed. The database refused the import:\r\nB2 is locked", "lock"});
    }
    void import()
    {
        QFETCH(Row, r);
        if (r.setup == "lock" && TestEnvironment::defaultEngine() == TestEnvironment::Engine::Server)
            QSKIP("the refusing trigger is written for the file database");
        CommWindow *w = openWindow();
        QVERIFY(w);
        QVERIFY(ScanImport::writeTransferFile(importFile(), "earlier\r\n", nullptr));
        QVERIFY(r.setup != "folder" || (QFile::remove(importFile()) && QDir(h->env.folder()).mkdir("import.txt")));
        QVERIFY(r.setup != "lock" || h->env.exec("CREATE TRIGGER lockB2 BEFORE UPDATE ON Inventory WHEN old.PartNo = 'B2' "
                                                 "BEGIN SELECT RAISE(ABORT, 'B2 is locked'); END"));
        w->setCollectionPeriod(r.received.size() > 10000 ? 1500 : Period);
        for (int i = 0; i * 997 < r.received.size(); ++i)
            scanner->sendAt(i * 20, r.received.mid(i * 997, 997));
        QVERIFY(Drive::click(w, "cmdImport"));
        QCOMPARE(h->ui.texts().join("\n"), QString(r.skipped).replace("<folder>", h->env.folder()));
        QCOMPARE(stockOf(h->env, r.parts), r.after);
        QCOMPARE(readFile(importFile()), r.received.isEmpty() ? QByteArray("earlier\r\n") : r.setup == "folder" ? "(no file)" : r.received);
        QCOMPARE(w->lblProgressBar->isVisible(), !r.received.isEmpty() && r.setup != "lock");
        QVERIFY(!w->ProgressBar1->isVisible() && w->MSComm1->isOpen());
        QCOMPARE(w->lblProgressBar->text(), r.received.isEmpty() ? "Importing" : r.setup == "lock" ? "Updating Inventory" : "Inventory Updated");
    }

    // A port that cannot be opened (no such device, a plain file): the
    // device as set and the reason are told, nothing starts; the same window
    // imports once the setting names the scanner. The scanner's line goes
    // away while the port is open (an adapter pulled out): the port closes
    // instead of failing over and over, and the next Start Import says the
    // device cannot be opened.
    void portTrouble()
    {
        CommWindow *w = openWindow();
        QVERIFY(w);
        const QString device = scanner->device;
        for (const QString &path : {QStringLiteral("/nonexistent/ttyS9"), QDir(h->env.folder()).filePath("settings.ini"), QString()}) {
            h->env.app.settings()->setValue("Settings/ScannerPort", path.isEmpty() ? device : path);
            if (path.isEmpty())
                scanner->sendAt(0, "A1,1\r\n");
            QVERIFY(Drive::click(w, "cmdImport"));
            const QString shown = h->lastMessage();
            QVERIFY2(path.isEmpty() || (shown.startsWith("The scanner port " + path + " could not be opened.\r\n")
                                        && shown.size() > shown.indexOf('\n') + 3), qPrintable(shown));
            QCOMPARE(w->lblProgressBar->isVisible(), path.isEmpty());
            QVERIFY(!w->isImporting());
        }
        QCOMPARE(h->ui.texts().size(), 2);
        QCOMPARE(stockOf(h->env, {"A1"}), QVariantList{11});
        scanner.reset();
        QTRY_VERIFY(!w->MSComm1->isOpen());
        QVERIFY(Drive::click(w, "cmdImport"));
        QCOMPARE(h->ui.texts().size(), 3);
        QVERIFY2(h->lastMessage().startsWith("The scanner port " + device + " could not be opened."), qPrintable(h->lastMessage()));
        // The device comes from the ScannerPort setting beside the window
        // geometry: none or blank is the first serial port.
        h->env.app.settings()->setValue("Settings/ScannerPort", "  ");
        QCOMPARE(ScannerPort::device(h->env.app), QStringLiteral("/dev/ttyS0"));
        h->env.app.settings()->remove("Settings/ScannerPort");
        QCOMPARE(ScannerPort::device(h->env.app), QStringLiteral("/dev/ttyS0"));
    }

    // The window opens with the focus on the instructions, no progress and
    // the port closed; Tab walks to the buttons; Enter on Start Import starts
    // it. A second Start Import (keypad Enter) reads on the port left open by
    // the first; what came after a period (the rest of a transfer too late
    // for it) belongs to no import and is dropped when the next collection
    // starts.
    void keyboard()
    {
        CommWindow *w = openWindow();
        QVERIFY(w);
        QVERIFY(h->main.action(CommandId::Import)->isEnabled());
        const QString instructions = w->txtDownload->toPlainText();
        QVERIFY(instructions.startsWith("1. Press the Start Import button below."));
        QVERIFY(w->txtDownload->hasFocus());
        QVERIFY(!w->lblProgressBar->isVisible() && !w->ProgressBar1->isVisible() && !w->MSComm1->isOpen());
        for (const auto &[key, name] : {std::pair{Qt::Key_Tab, "cmdImport"}, {Qt::Key_Tab, "cmdexit"}, {Qt::Key_Backtab, "cmdImport"}}) {
            Drive::key(key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(Drive::focused()->objectName(), QString(name));
        }
        QCOMPARE(w->txtDownload->toPlainText(), instructions);
        scanner->sendAt(0, "A1,1\r\n");
        scanner->sendAt(Period + 1000, "A1,2\r\n"); // after the first period
        Drive::key(Qt::Key_Return);
        QCOMPARE(stockOf(h->env, {"A1"}), QVariantList{11});
        QCOMPARE(scanner->line() + ' ' + w->MSComm1->lineSettings(), QStringLiteral("9600 8N1 raw sent 0 9600,N,8,1"));
        QCOMPARE(w->lblProgressBar->text(), "Inventory Updated");
        QTRY_COMPARE(w->MSComm1->pending(), 6); // "A1,2\r\n" waits in the open port
        scanner->sendAt(0, "B2,4\r\n");
        QVERIFY(w->cmdImport->hasFocus());
        Drive::key(Qt::Key_Enter);
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stockOf(h->env, {"A1", "B2"}), (QVariantList{11, 7}));
        QCOMPARE(readFile(importFile()), QByteArray("B2,4\r\n"));
    }

    // While collecting: the progress shows and moves, the hourglass is up,
    // Start Import does nothing and Exit (the window's or the program's)
    // waits until the import is over.
    void whileCollecting_data()
    {
        QTest::addColumn<QString>("closer");
        QTest::newRow("Exit") << "Exit";
        QTest::newRow("main window closed") << "main";
    }
    void whileCollecting()
    {
        QFETCH(QString, closer);
        CommWindow *w = openWindow();
        QVERIFY(w);
        w->setCollectionPeriod(800);
        QPointer<CommWindow> window = w;
        scanner->sendAt(0, "A1,1\r\n");
        QStringList seen;
        QTimer::singleShot(400, this, [&] {
            seen << w->lblProgressBar->text() << QString::number(w->lblProgressBar->isVisible())
                 << QString::number(w->ProgressBar1->value() > 0 && w->ProgressBar1->value() < 300000)
                 << QString::number(h->main.cursor().shape() == Qt::WaitCursor);
            w->cmdImport->click();
            closer == "Exit" ? w->cmdexit->click() : void(h->main.close());
            seen << QString::number(!window.isNull() && w->isVisible());
        });
        QVERIFY(Drive::click(w, "cmdImport"));
        QCOMPARE(seen, QStringList({"Importing", "1", "1", "1", "1"}));
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stockOf(h->env, {"A1"}), QVariantList{11}); // once
        QVERIFY(h->main.cursor().shape() != Qt::WaitCursor);
        QTRY_VERIFY(window.isNull());
        QVERIFY(h->main.isVisible());
    }

    // A program killed half-way through the update leaves the stock as it
    // was, and nothing locked: the next import goes through.
    void killDuringUpdate()
    {
        QByteArray transfer;
        TestEnvironment env(zeroStock("K", 100, &transfer));
        QVERIFY(env.isValid());
        const QString transferPath = QDir(env.folder()).filePath("import.txt");
        QVERIFY(ScanImport::writeTransferFile(transferPath, transfer, nullptr));
        QProcess child;
        child.start(QCoreApplication::applicationDirPath() + "/scanner_import_child", {env.app.databaseAddress(), transferPath, "50"});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        while (!child.canReadLine()) // a whole line, however the pipe hands it over
            QVERIFY(child.waitForReadyRead(20000));
        // Half the lines are stored in the child's transaction.
        QCOMPARE(child.readLine().trimmed(), QByteArray("paused 50"));
        child.kill();
        QVERIFY(child.waitForFinished(20000));
        const QString sum = "SELECT SUM(CurrentInv) FROM Inventory";
        QCOMPARE(env.scalar(sum).toInt(), 0);
        const ScanImport::Result next = ScanImport::apply(env.app.database(), "K0,5\r\n");
        QVERIFY2(next.committed, qPrintable(next.error.description));
        QCOMPARE(env.scalar(sum).toInt(), 5);
    }
};

QTEST_MAIN(TestScanner)
#include "tst_scanner.moc"
