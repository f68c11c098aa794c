// Document windows and the File and Edit commands that act on them, driven
// through the real main window.
#include <QLineEdit>
#include "ui/childwindow.h"
#include "app/mainwindow.h"
#include "docs/documentcommands.h"
#include "docs/documentwindow.h"
#include "docs/rtfreader.h"
#include "stock/adddeleteinvwindow.h"
#include "harness.h"

#include <QtTest>
#include <QtWidgets>
#include <QPrinter>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using Answer = UserInterface::Answer;

namespace {

const QByteArray BoldRtf = "{\\rtf1 Plain {\\b Bold}}";

// What another program puts on the clipboard, by type.
const QMap<QString, QByteArray> Offered = {
    {"text/rtf", BoldRtf}, {"application/rtf", BoldRtf}, {"text/html", "Html <b>Bold</b>"},
    {"text/plain", "Text Bold"}, {"damaged text/rtf", "{\\rtf1" + QByteArray(5000, '{')}};

// The shared harness with the document commands at hand.
struct Program : Harness
{
    Program() { QVERIFY(ready()); }
    DocumentCommands &docs() const { return *DocumentCommands::of(&main); }
    DocumentWindow *active() const { return docs().activeDocument(); }
    void run(CommandId id) { main.run(id); }
    QString path(const QString &name) const { return QDir(env.folder()).filePath(name); }
    QStringList captions() const
    {
        QStringList out;
        for (QMdiSubWindow *w : main.mdiArea()->subWindowList())
            out << w->windowTitle();
        return out;
    }
    DocumentWindow *newDocument(const QString &typed = QString())
    {
        run(CommandId::FileNew);
        Drive::focus(active()->textBox());
        const QStringList lines = typed.split('\r'); // \r: the Enter key
        for (qsizetype i = 0; i < lines.size(); ++i)
            Drive::typeText(lines[i], i + 1 < lines.size() ? Qt::Key_Return : Qt::Key_unknown);
        return active();
    }
    // Lets closed windows go away.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The text of an RTF file as this program reads it.
QString fileText(const QString &path)
{
    QTextDocument doc;
    return RtfReader().read(fileBytes(path), &doc) ? doc.toPlainText() : QStringLiteral("<not rtf>");
}

// One digit a character: 1 where it is bold.
QString boldness(const QTextDocument *doc)
{
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out += QString(it.fragment().length(),
                           it.fragment().charFormat().fontWeight() >= QFont::Bold ? '1' : '0');
    return out;
}

// "%1" in names, caption and messages stands for the file opened.
struct OpenCase
{
    QByteArray content; // or <missing>, <folder>
    QString typed;      // into Document 1; <none>: no window
    Answer answer;      // to the save question
    QStringList names;  // file dialog answers
    QString text, caption;
    QStringList dialogs, messages;
};

#ifdef Q_OS_UNIX
// Files of this process may not grow beyond a size until the guard ends, as
// on a full disk: writes past it fail (even for root).
auto limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit {bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    return qScopeGuard([old] { setrlimit(RLIMIT_FSIZE, &old); });
}
#endif

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    // File > New, Window > New Window and the toolbar's New number alike; the
    // one value window takes no number, is reused where it is and made anew
    // once closed.
    void newWindowsAreNumbered()
    {
        Program p;
        DocumentWindow *value = p.docs().valueWindow();
        p.run(CommandId::FileNew);
        p.run(CommandId::WindowNewWindow);
        p.main.runToolButton("New");
        QCOMPARE(p.captions(), QStringList({DocumentWindow::valueCaption(), "Document 1", "Document 2",
                                            "Document 3"}));
        QCOMPARE(p.docs().valueWindow(), value);
        QCOMPARE(p.active()->caption(), QString("Document 3"));
        p.main.mdiArea()->subWindowList().at(2)->close();
        value->subWindow()->close();
        QVERIFY(p.docs().valueWindow() != value);
        Program::settle();
        p.main.runToolButton("New");
        QCOMPARE(p.captions(), QStringList({"Document 1", "Document 3", "Current Value of Inventory",
                                            "Document 4"}));
        QVERIFY(p.ui.shown.isEmpty());

        // Text the program writes is no unsaved change; Save writes to the
        // file the caption names, without asking.
        value = p.docs().valueWindow();
        value->setProgramText("Total Current Inventory: $1.00");
        QVERIFY(!value->isModified());
        p.main.mdiArea()->setActiveSubWindow(value->subWindow());
        p.run(CommandId::FileSave);
        QVERIFY(p.ui.dialogTitles.isEmpty());
        QCOMPARE(fileText(p.path("Current Value of Inventory")), QString("Total Current Inventory: $1.00"));
        value->setProgramText("again");
        p.run(CommandId::FileExit);
        QVERIFY(p.ui.shown.isEmpty());
        QVERIFY(!p.main.isVisible());
    }

    void saveAndSaveAs()
    {
        Program p;
        DocumentWindow *doc = p.newDocument("typed");
        p.run(CommandId::EditUndo); // back where it started: nothing to save
        QVERIFY(doc->document()->isEmpty() && !doc->isModified());

        // Untitled: Save asks for a name and the caption stays.
        Drive::typeText("first");
        p.ui.fileNames << p.path("a.rtf");
        p.run(CommandId::FileSave);
        QCOMPARE(fileText(p.path("a.rtf")), QString("first"));
        QCOMPARE(doc->caption(), QString("Document 1"));
        QVERIFY(!doc->isModified());
        // Asked again; cancelled, nothing is written.
        Drive::typeText(" second");
        p.main.runToolButton("Save");
        QCOMPARE(fileText(p.path("a.rtf")), QString("first"));
        QVERIFY(doc->isModified());

        // Save As names the window; Save then writes there without asking.
        const QString file = p.path("notes.rtf");
        p.ui.fileNames << file;
        p.run(CommandId::FileSaveAs);
        QCOMPARE(p.captions(), QStringList({file}));
        Drive::typeText(" third");
        p.run(CommandId::FileSave);
        QCOMPARE(fileText(file), QString("first second third"));
        p.run(CommandId::FileSaveAs); // cancelled
        QCOMPARE(doc->caption(), file);
        QCOMPARE(p.ui.dialogTitles, QStringList({"Save", "Save", "Save As", "Save As"}));
        QVERIFY(p.ui.shown.isEmpty());
    }

    // Each failure is reported; the window keeps its name and its unsaved
    // text, and what was on disk stays.
    void failedSaveKeepsWhatWasThere()
    {
        Program p;
        DocumentWindow *doc = p.newDocument("kept");
        const QString file = p.path("doc.rtf"), nowhere = p.path("nowhere/doc.rtf");
        p.ui.fileNames << file << nowhere;
        p.run(CommandId::FileSaveAs);
        Drive::typeText(" lost?");
        p.run(CommandId::FileSaveAs); // into a folder that does not exist
        auto failure = [](const QString &path) { // title and message up to the reason
            return "Partwise: Unable to save \"" + QDir::toNativeSeparators(path) + "\": ";
        };
        QStringList failed{failure(nowhere)};
#ifdef Q_OS_UNIX
        QTextCursor(doc->document()).insertText(QString(20000, QChar('x')));
        {
            const auto diskFull = limitFileSize(QFileInfo(file).size() + 1000);
            p.run(CommandId::FileSave);
        }
        failed << failure(file);
#endif
        QCOMPARE(fileText(file), QString("kept"));
        QVERIFY(QFile::remove(file) && QDir(p.env.folder()).mkdir("doc.rtf"));
        p.run(CommandId::FileSave); // the file replaced by a folder
        failed << failure(file);
        QVERIFY(QFileInfo(file).isDir());
        QStringList shown;
        for (const auto &m : p.ui.shown)
            shown << m.title + ": " + m.text.left(m.text.indexOf("\": ") + 3);
        QCOMPARE(shown, failed);
        QCOMPARE(doc->caption(), file);
        QVERIFY(doc->isModified());
        QCOMPARE(QDir(p.env.folder()).entryList({"doc.rtf.*"}, QDir::Files), QStringList());
    }

    // No window at all, then a child window that is no document.
    void commandsWithoutADocument()
    {
        Program p;
        p.run(CommandId::FileSave);
        p.main.showChild(new ChildWindow(p.env.app));
        for (CommandId id : {CommandId::FileSave, CommandId::FileOpen, CommandId::FileSaveAs,
                             CommandId::FilePrint, CommandId::EditUndo, CommandId::EditCut,
                             CommandId::EditCopy, CommandId::EditPaste, CommandId::EditPasteSpecial})
            p.run(id);
        QCOMPARE(p.main.mdiArea()->subWindowList().size(), 1);
        QVERIFY(p.ui.dialogTitles.isEmpty());
        QCOMPARE(p.ui.texts(), QStringList({"No document to save.", "No document to save."}));
    }

    void open_data()
    {
        QTest::addColumn<OpenCase>("c");
        const QStringList file{"%1"}, open{"Open"}, none, question{"Save changes to Document 1?"};
        auto row = [](const char *name, const OpenCase &c) { QTest::newRow(name) << c; };
        auto loads = [&](const char *name, const QByteArray &content, const QString &text) {
            row(name, {content, "", Answer::No, file, text, "%1", open, none});
        };
        loads("plain text", "line 1\nline 2\n", "line 1\nline 2\n");
        loads("utf-8 text", "Widerstand 10 k\xce\xa9", "Widerstand 10 k\u03a9");
        loads("latin-1 text", "50 \xb5" "F", "50 \u00b5F");
        loads("rtf source as text", "x {\\rtf1 y}", "x {\\rtf1 y}");
        loads("utf-16 text", QByteArray("\xff\xfeR\0" "1\0" "\n\0", 8), "R1\n");
        row("no window", {BoldRtf, "<none>", Answer::No, file, "Plain Bold", "%1", open, none});
        row("no window, cancelled", {BoldRtf, "<none>", Answer::No, none, "", "Document 2", open, none});
        row("typed, No: discard", {BoldRtf, "typed", Answer::No, file, "Plain Bold", "%1", open, question});
        row("typed, Cancel", {BoldRtf, "typed", Answer::Cancel, file, "typed", "Document 1", none, question});
        row("typed, Yes, save cancelled",
            {BoldRtf, "typed", Answer::Yes, {"", "%1"}, "typed", "Document 1", {"Save"}, question});
        auto fails = [&](const char *name, const QByteArray &content, const QString &reason) {
            row(name, {content, "typed", Answer::No, file, "typed", "Document 1", open,
                       question + QStringList{"Unable to open \"%1\": " + reason}});
        };
        fails("missing file", "<missing>", "No such file or directory");
        fails("a folder", "<folder>", "file to open is a directory");
        fails("damaged rtf", "{\\rtf1" + QByteArray(5000, '{'),
              "The document is damaged: its groups are nested more than 1000 levels deep.");
        fails("a program", QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + QByteArray(300, '\x01'),
              "it is neither RTF nor text.");
        fails("control bytes without nul", QByteArray(200, '\x02') + "some text", "it is neither RTF nor text.");
    }

    void open()
    {
        QFETCH(OpenCase, c);
        Program p;
        const QString file = p.path("in.doc");
        const auto withFile = [&](QStringList list) { return list.replaceInStrings("%1", file); };
        if (c.content == "<folder>")
            QVERIFY(QDir(p.env.folder()).mkdir("in.doc"));
        else if (c.content != "<missing>")
            QVERIFY(writeFile(file, c.content));
        DocumentWindow *doc = p.newDocument(c.typed == "<none>" ? QString() : c.typed);
        if (c.typed == "<none>") { // Document 1 closed again: Open takes the next number
            doc->subWindow()->close();
            Program::settle();
        }
        p.ui.answers << c.answer;
        p.ui.fileNames.append(withFile(c.names));
        p.main.runToolButton("Open");
        QVERIFY((doc = p.active()));
        QCOMPARE(p.captions(), withFile({c.caption}));
        QCOMPARE(doc->document()->toPlainText(), c.text);
        QCOMPARE(boldness(doc->document()).contains('1'), c.text == "Plain Bold");
        QCOMPARE(p.ui.dialogTitles, c.dialogs);
        QCOMPARE(p.ui.texts(), withFile(c.messages));
        if (c.caption == "%1") { // loaded: unmodified, and not undone by Undo
            QVERIFY(!doc->isModified());
            p.run(CommandId::EditUndo);
            QCOMPARE(doc->document()->toPlainText(), c.text);
        }
    }

    // The database and the files beside it are never read or written as
    // documents, whatever the command or the name they go by; the stock kept
    // in it survives and reads back after a restart.
    void databaseFilesAreNoDocuments()
    {
        Program p;
        QVERIFY(p.env.exec("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('R100', 'Resistor', 100)"));
        const QString db = p.env.app.databasePath(), link = p.path("link.mdb");
        QVERIFY(QFile::link(db, link));
        const QList<QPair<QString, QString>> files = {{db, "the inventory database"},
                                                      {db + "-wal", "the inventory database's write-ahead log"},
                                                      {db + "-journal", "the inventory database's rollback journal"},
                                                      {link, "the inventory database"}};
        QStringList expected;
        for (const auto &[file, role] : files) {
            p.ui.fileNames << file;
            p.run(CommandId::FileOpen);
            expected << "Unable to open \"" + QDir::toNativeSeparators(file) + "\": it is " + role + ", not a document.";
        }
        QCOMPARE(p.captions(), QStringList{"Document 1"});
        QVERIFY(p.active()->document()->isEmpty());
        Drive::typeText("overwrite?");
        for (CommandId command : {CommandId::FileSave, CommandId::FileSaveAs}) {
            for (const auto &[file, role] : files) {
                p.ui.fileNames << file;
                p.run(command);
                expected << "Unable to save \"" + QDir::toNativeSeparators(file) + "\": it is " + role
                                + "; a document is never saved over it.";
            }
        }
        QCOMPARE(p.ui.texts(), expected);
        QCOMPARE(p.captions(), QStringList{"Document 1"});
        QVERIFY(p.active()->isModified());
        QVERIFY(!QFile::exists(db + "-journal"));

        // The stock still changes, and the change outlives the program.
        p.run(CommandId::AddQuantity);
        auto *stock = qobject_cast<AddDeleteInvWindow *>(p.main.activeChild());
        QVERIFY(stock);
        Drive::focus(Drive::find(stock, "txtPartNo"));
        Drive::typeText("R100", Qt::Key_Return); // the Enter chain goes on to the quantity
        Drive::typeText("5", Qt::Key_Return);
        p.ui.answers << Answer::No; // to saving Document 1
        p.run(CommandId::FileExit);
        QVERIFY(!p.main.isVisible());
        QVERIFY(!p.env.app.database().isOpen());
        QVERIFY(fileBytes(db).startsWith("SQLite format 3"));
        QVERIFY2(p.env.app.OpenInventoryDatabase(), qPrintable(p.env.app.database().errorString()));
        QCOMPARE(p.env.scalar("PRAGMA integrity_check").toString(), QString("ok"));
        QCOMPARE(p.env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 105);
    }

    // A document read from a text file is saved through Save As, proposed
    // under its name with RTF's suffix: the text file keeps its text.
    void textFileIsNeverRewrittenAsRtf_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("how");      // Save, close (Yes to the question)
        QTest::addColumn<bool>("accepted");    // the proposed name
        QTest::addColumn<QString>("proposed");
        QTest::newRow("Save") << "notes.txt" << "Save" << true << "notes.rtf";
        QTest::newRow("closing, Yes") << "notes.txt" << "close" << true << "notes.rtf";
        QTest::newRow("Save cancelled") << "notes.txt" << "Save" << false << "notes.rtf";
        QTest::newRow("no suffix") << "README" << "Save" << true << "README.rtf";
        QTest::newRow("text named .rtf") << "list.rtf" << "Save" << true << "list.rtf.rtf";
    }
    void textFileIsNeverRewrittenAsRtf()
    {
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(bool, accepted);
        QFETCH(QString, proposed);
        Program p;
        const QByteArray text = "R100 x 5\nC10U x 2\n";
        QVERIFY(writeFile(p.path(file), text));
        p.ui.fileNames << p.path(file);
        p.run(CommandId::FileOpen);
        QPointer<DocumentWindow> doc = p.active();
        QVERIFY(doc);
        Drive::focus(doc->textBox());
        Drive::key(Qt::Key_End, Qt::ControlModifier);
        Drive::typeText("R150 x 1");
        p.ui.fileNames << (accepted ? p.path(proposed) : QString());
        p.ui.answers << Answer::Yes;
        if (how == "Save")
            p.run(CommandId::FileSave);
        else
            doc->subWindow()->close();
        Program::settle();
        QCOMPARE(p.ui.dialogTitles, QStringList({"Open", "Save As"}));
        QCOMPARE(p.ui.proposedNames, QStringList{p.path(proposed)});
        QCOMPARE(fileBytes(p.path(file)), text);
        QCOMPARE(fileText(p.path(proposed)), accepted ? QString(text + "R150 x 1") : QString("<not rtf>"));
        if (how == "close") {
            QVERIFY(doc.isNull());
            return;
        }
        QCOMPARE(doc->caption(), p.path(accepted ? proposed : file));
        QCOMPARE(doc->isModified(), !accepted);
        if (accepted) { // an RTF file now: Save writes it without asking
            Drive::typeText("0");
            p.run(CommandId::FileSave);
            QCOMPARE(p.ui.dialogTitles.size(), 2);
            QCOMPARE(fileText(p.path(proposed)), QString(text + "R150 x 10"));
        }
    }

    // A file with what cannot be kept (an embedded object here): Save warns
    // first, naming it; Yes saves under another name, No saves over it,
    // Cancel saves nothing. A table is kept: saved over without a warning.
    void saveWarnsOfWhatCannotBeKept_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("saved"); // in the file afterwards; empty: as it was
        QTest::addColumn<QStringList>("dialogs");
        QTest::newRow("Yes: Save As") << int(Answer::Yes) << QByteArray() << QStringList{"Open", "Save As"};
        QTest::newRow("No: over it") << int(Answer::No) << QByteArray("\\ansicpg1252") << QStringList{"Open"};
        QTest::newRow("Cancel") << int(Answer::Cancel) << QByteArray() << QStringList{"Open"};
        QTest::newRow("a table") << -1 << QByteArray("\\cellx1000\\cellx2000|R1\\cell|10k\\cell") << QStringList{"Open"};
    }
    void saveWarnsOfWhatCannotBeKept()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, dialogs);
        Program p;
        const QByteArray rtf = answer < 0 ? "{\\rtf1 \\trowd\\cellx1000\\cellx2000\\intbl R1\\cell 10k\\cell\\row\\pard Stock\\par}"
                                          : "{\\rtf1 Chart {\\object\\objemb{\\*\\objdata 0102}{\\result here}}\\par}";
        QVERIFY(writeFile(p.path("chart.rtf"), rtf));
        p.ui.fileNames << p.path("chart.rtf") << p.path("copy.rtf");
        p.run(CommandId::FileOpen);
        Drive::typeText("x");
        p.answerNext(Answer(qMax(answer, 0)));
        p.run(CommandId::FileSave);
        QCOMPARE(p.ui.texts().value(0), answer < 0 ? QString() : p.path("chart.rtf") + " holds what this program cannot keep:\n- an embedded object\n\n"
                                                                   "Saving over it would lose that. Save under another name instead?");
        QCOMPARE(p.ui.dialogTitles, dialogs);
        const QByteArray now = fileBytes(p.path("chart.rtf"));
        for (const QByteArray &part : saved.split('|'))
            QVERIFY2(saved.isEmpty() ? now == rtf : now.contains(part), now.constData());
        QCOMPARE(QFile::exists(p.path("copy.rtf")), answer == int(Answer::Yes));
    }

    // Yes saves (when a name is chosen) and closes, No closes, Cancel keeps.
    void closingAsksAboutUnsavedText_data()
    {
        QTest::addColumn<bool>("wholeProgram");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("fileChosen");
        QTest::newRow("window: Yes, saved") << false << Answer::Yes << true;
        QTest::newRow("window: Yes, cancelled") << false << Answer::Yes << false;
        QTest::newRow("window: No") << false << Answer::No << true;
        QTest::newRow("window: Cancel") << false << Answer::Cancel << true;
        QTest::newRow("program: Yes, saved") << true << Answer::Yes << true;
        QTest::newRow("program: Cancel") << true << Answer::Cancel << true;
    }

    void closingAsksAboutUnsavedText()
    {
        QFETCH(bool, wholeProgram);
        QFETCH(Answer, answer);
        QFETCH(bool, fileChosen);
        Program p;
        p.newDocument(); // unchanged: closes without a question
        QPointer<DocumentWindow> doc = p.newDocument("precious");
        p.ui.answers << answer;
        p.ui.fileNames << (fileChosen ? p.path("saved.rtf") : QString());
        if (wholeProgram)
            p.run(CommandId::FileExit);
        else
            doc->subWindow()->close();
        Program::settle();

        QCOMPARE(p.ui.texts(), QStringList{"Save changes to Document 2?"});
        QCOMPARE(p.ui.shown[0].buttons, UserInterface::Buttons::YesNoCancel);
        const bool saved = answer == Answer::Yes && fileChosen;
        const bool closed = saved || answer == Answer::No;
        QCOMPARE(fileText(p.path("saved.rtf")), saved ? QString("precious") : QString("<not rtf>"));
        QCOMPARE(doc.isNull(), closed);
        if (wholeProgram)
            QCOMPARE(p.main.isVisible(), !closed);
        if (!closed)
            QCOMPARE(doc->document()->toPlainText(), QString("precious"));
    }

    void printing_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("keepSelection"); // the user's choice in the dialog
        QTest::addColumn<bool>("chosen");
        QTest::newRow("all") << false << false << true;
        QTest::newRow("selection") << true << true << true;
        QTest::newRow("selection, user chose all") << true << false << true;
        QTest::newRow("cancelled") << true << true << false;
    }

    void printing()
    {
        QFETCH(bool, selected);
        QFETCH(bool, keepSelection);
        QFETCH(bool, chosen);
        Program p;
        DocumentWindow *doc = p.newDocument("Resistors\rCapacitors"); // \r: the Enter key
        if (selected)
            Drive::key(Qt::Key_Home, Qt::ShiftModifier);
        const QString pdf = p.ui.printToPdf = p.path("out.pdf");
        p.ui.printChoices << chosen;
        p.ui.printSelectionChoice = keepSelection;
        p.main.runToolButton("Print");

        QCOMPARE(p.ui.dialogTitles, QStringList{"Print"});
        QCOMPARE(p.ui.printRequests.value(0).hasSelection, selected);
        QCOMPARE(QFile::exists(pdf), chosen);
        if (!chosen)
            return;
        QVERIFY(fileBytes(pdf).startsWith("%PDF") && fileBytes(pdf).size() > 500);
        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (tool.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the PDF's text is not checked");
        QCOMPARE(QProcess::execute(tool, {pdf}), 0);
        const QString text = QString::fromUtf8(fileBytes(p.path("out.txt")));
        QVERIFY2(text.contains("Capacitors"), qPrintable(text));
        QVERIFY2(text.contains("Resistors") == !(selected && keepSelection), qPrintable(text));
    }

    // The print dialog offers the whole document (and the selection, when
    // there is one) but no page range.
    void printDialogOffersNoPageRange()
    {
        for (bool selection : {false, true}) {
            DialogUserInterface ui;
            QPrinter printer;
            UserInterface::PrintRequest request;
            request.title = "Print";
            request.hasSelection = selection;
            QStringList usable;
            QTimer::singleShot(200, [&] {
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                for (const char *name : {"printAll", "printSelection", "printRange", "from", "to",
                                         "pagesRadioButton", "pagesLineEdit"})
                    if (QWidget *w = dialog ? dialog->findChild<QWidget *>(name) : nullptr;
                        w && !w->isHidden() && w->isEnabled())
                        usable << name;
                if (dialog)
                    dialog->reject();
            });
            QVERIFY(!ui.choosePrinter(nullptr, printer, request));
            QCOMPARE(usable, selection ? QStringList({"printAll", "printSelection"}) : QStringList{"printAll"});
        }
    }

    // The clipboard filled by this program (Copy, Cut, Ctrl+X of a bold word)
    // or by another one (the formats listed), then pasted over a selection.
    void clipboard_data()
    {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QString>("text"); // pasted; bold but for the plain-text sample
        QTest::addColumn<CommandId>("command");
        auto row = [](const char *name, const QStringList &source, const char *text,
                      CommandId command = CommandId::EditPaste) {
            QTest::newRow(name) << source << text << command;
        };
        row("Copy", {"Copy"}, "Bold");
        row("Cut", {"Cut"}, "Bold");
        row("Ctrl+X in the text box", {"Ctrl+X"}, "Bold");
        row("rtf first", {"text/rtf", "text/html", "text/plain"}, "Plain Bold");
        row("application/rtf", {"application/rtf", "text/plain"}, "Plain Bold");
        row("html", {"text/html", "text/plain"}, "Html Bold");
        row("plain", {"text/plain"}, "Text Bold");
        row("damaged rtf, html beside", {"damaged text/rtf", "text/html"}, "Html Bold");
        row("Paste Special: plain text", {"text/rtf", "text/plain"}, "Text Bold",
            CommandId::EditPasteSpecial);
    }

    void clipboard()
    {
        QFETCH(QStringList, source);
        QFETCH(QString, text);
        QFETCH(CommandId, command);
        Program p;
        const QString how = source.first();
        if (how == "Copy" || how == "Cut" || how == "Ctrl+X") {
            QTextEdit *box = p.newDocument()->textBox();
            box->insertHtml("Plain <b>Bold</b>");
            QTest::keyClick(box, Qt::Key_End);
            QTest::keyClick(box, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier); // "Bold"
            QApplication::clipboard()->clear();
            if (how == "Ctrl+X")
                QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
            else
                p.run(how == "Copy" ? CommandId::EditCopy : CommandId::EditCut);
            QCOMPARE(box->toPlainText(), how == "Copy" ? QString("Plain Bold") : QString("Plain "));
            const QMimeData *data = QApplication::clipboard()->mimeData();
            QVERIFY(data->hasHtml() && data->hasText());
            QVERIFY(RtfReader::looksLikeRtf(data->data("text/rtf")));
            QCOMPARE(data->data("application/rtf"), data->data("text/rtf"));
            QCOMPARE(QApplication::clipboard()->text(), QString("Bold"));
        } else {
            auto *data = new QMimeData; // the clipboard takes it
            for (const QString &type : source)
                data->setData(QString(type).remove("damaged "), Offered.value(type));
            QApplication::clipboard()->setMimeData(data);
        }
        DocumentWindow *doc = p.newDocument("1X5");
        Drive::key(Qt::Key_Left);
        Drive::key(Qt::Key_Left, Qt::ShiftModifier); // "X" is replaced
        p.run(command);
        QCOMPARE(doc->document()->toPlainText(), "1" + text + "5");
        const QString bold = text == "Text Bold" ? "" : "1111";
        QCOMPARE(boldness(doc->document()), "0" + bold.rightJustified(text.size(), '0') + "0");
        QVERIFY(p.ui.shown.isEmpty());
        p.run(CommandId::EditUndo); // takes the whole paste back
        QCOMPARE(doc->document()->toPlainText(), QString("1X5"));
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
