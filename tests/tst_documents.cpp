// Document windows and the File and Edit commands that act on them, driven
// through the real main window.
#include "ui/childwindow.h"
#include "docs/documentcommands.h"
#include "docs/documentwindow.h"
#include "docs/rtfreader.h"
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
        Drive::typeText(typed);
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

// The text of an RTF file as this program reads it.
QString fileText(const QString &path)
{
    QTextDocument doc;
    return RtfReader().read(fileBytes(path), &doc) ? doc.toPlainText() : QStringLiteral("<not rtf>");
}

// The document's text with bold runs between asterisks.
QString marked(const QTextDocument *doc)
{
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next(), out += '\n')
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out += it.fragment().charFormat().fontWeight() >= QFont::Bold ? '*' + it.fragment().text() + '*' : it.fragment().text();
    return out.chopped(1);
}

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

    // One row a scenario of opening, saving and closing: "new" or "open" (the
    // first name, holding `file`), "+text" typed at the end (_ a space), "big"
    // (20000 more letters), "full" (Save on a full disk), "dir" (the window's
    // file replaced by a folder), "Close" (the window), "child" (a window that
    // is no document), "link" (a part in stock and a link to the database),
    // a command. Outcome: file dialogs [names proposed] | messages | windows
    // (* unsaved, bold between asterisks) | files in the folder (= as read,
    // : not RTF). After Exit the database must open again, whole.
    void save_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("answers"); // Y, N, C to the questions
        QTest::addColumn<QStringList>("names"); // file dialog answers, "" cancels
        QTest::addColumn<QString>("outcome");
        const QByteArray text = "R100 x 5\nC10U x 2\n", object = "{\\rtf1 Chart {\\object\\objemb{\\*\\objdata 0102}{\\result here}}\\par}";
        const QString textOut = "R100 x 5\nC10U x 2\nR150", warning = "chart.rtf holds what this program cannot keep:\n- an embedded object\n\n"
                                                                      "Saving over it would lose that. Save under another name instead?";
        auto row = [](const char *name, const QByteArray &file, const char *script, const char *answers, const QStringList &names,
                      const QString &outcome) { QTest::newRow(name) << file << QString(script) << QString(answers) << names << outcome; };
        const QByteArray bold = BoldRtf, elf = QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + QByteArray(300, '\x01');
        const QString asked = "Save changes to Document 1? YNC / Unable to open \"in.doc\": ";
        row("open plain text, Undo", "line 1\nline 2\n", "new open Undo", "", {"in.doc"}, "Open |  | in.doc=line 1\nline 2\n | in.doc:as it was");
        row("open utf-8 text", "Widerstand 10 k\xce\xa9", "new open", "", {"in.doc"}, "Open |  | in.doc=Widerstand 10 k\u03a9 | in.doc:as it was");
        row("open latin-1 text", "50 \xb5" "F", "new open", "", {"in.doc"}, "Open |  | in.doc=50 \u00b5F | in.doc:as it was");
        row("open rtf source as text", "x {\\rtf1 y}", "new open", "", {"in.doc"}, "Open |  | in.doc=x {\\rtf1 y} | in.doc:as it was");
        row("open utf-16 text", QByteArray("\xff\xfeR\0" "1\0" "\n\0", 8), "new open", "", {"in.doc"}, "Open |  | in.doc=R1\n | in.doc:as it was");
        row("open rtf, Undo", bold, "new Close open Undo", "", {"in.doc"}, "Open |  | in.doc=Plain *Bold* | in.doc=Plain Bold");
        row("open cancelled after a close", bold, "new Close open", "", {""}, "Open |  | Document 2= | ");
        row("open over typed text, No", bold, "new +typed open", "N", {"in.doc"},
            "Open | Save changes to Document 1? YNC | in.doc=Plain *Bold* | in.doc=Plain Bold");
        row("open over typed text, Cancel", bold, "new +typed open", "C", {"in.doc"},
            " | Save changes to Document 1? YNC | Document 1*=typed | in.doc=Plain Bold");
        row("open over typed text, Yes, save cancelled", bold, "new +typed open", "Y", {"", "in.doc"},
            "Save | Save changes to Document 1? YNC | Document 1*=typed | ");
        row("open a missing file", "", "new +typed open", "N", {"in.doc"}, "Open | " + asked + "No such file or directory | Document 1*=typed | ");
        row("open a folder", "<folder>", "new +typed open", "N", {"in.doc"},
            "Open | " + asked + "file to open is a directory | Document 1*=typed | in.doc/");
        row("open damaged rtf", "{\\rtf1" + QByteArray(5000, '{'), "new +typed open", "N", {"in.doc"}, "Open | " + asked
            + "The document is damaged: its groups are nested more than 1000 levels deep. | Document 1*=typed | in.doc:as it was");
        row("open a program", elf, "new +typed open", "N", {"in.doc"}, "Open | " + asked + "it is neither RTF nor text. | Document 1*=typed | in.doc:as it was");
        row("open control bytes without nul", QByteArray(200, '\x02') + "some text", "new +typed open", "N", {"in.doc"},
            "Open | " + asked + "it is neither RTF nor text. | Document 1*=typed | in.doc:as it was");
        QStringList refused; // the database and the files beside it, whatever the command or the name they go by
        for (const QString how : {"open", "save", "save"})
            for (const auto &[file, role] : QList<QPair<QString, QString>>{{"Inventory.mdb", "the inventory database"},
                                                                          {"Inventory.mdb-wal", "the inventory database's write-ahead log"},
                                                                          {"Inventory.mdb-journal", "the inventory database's rollback journal"},
                                                                          {"link.mdb", "the inventory database"}})
                refused << "Unable to " + how + " \"" + file + "\": it is " + role
                               + (how == "open" ? ", not a document." : "; a document is never saved over it.");
        row("the database is no document", "", "link new open open open open +x Save Save Save Save SaveAs SaveAs SaveAs SaveAs Exit", "N",
            (QString("Inventory.mdb Inventory.mdb-wal Inventory.mdb-journal link.mdb ").repeated(2) + "=Inventory.mdb =Inventory.mdb-wal =Inventory.mdb-journal =link.mdb").split(' '),
            "Open,Open,Open,Open,Save,Save,Save,Save,Save As,Save As,Save As,Save As [,,,,,,,] | " + refused.join(" / ")
                + " / Save changes to Document 1? YNC | gone | ");
        row("no document: no window, then a window that is none", "", "Save child Save open SaveAs Print Undo Cut Copy Paste PasteSpecial",
            "", {}, " | No document to save. / No document to save. | other | ");
        row("Undo back to nothing to save", "", "new +typed Undo Close", "", {}, " |  |  | ");
        row("untitled: Save asks, the caption stays", "", "new +first Save", "", {"a.rtf"}, "Save |  | Document 1=first | a.rtf=first");
        row("asked again, cancelled", "", "new +first Save +_second Tool:Save", "", {"a.rtf", ""},
            "Save,Save [,] |  | Document 1*=first second | a.rtf=first");
        row("Save As names the window, Save writes there", "", "new +first SaveAs +2 Save SaveAs", "", {"n.rtf", ""},
            "Save As,Save As [,n.rtf] |  | n.rtf=first2 | n.rtf=first2");
        row("text file: Save As, then Save", text, "open +R150 Save +0 Save", "", {"notes.txt", "notes.rtf"},
            "Open,Save As [notes.rtf] |  | notes.rtf=" + textOut + "0 | notes.rtf=" + textOut + "0, notes.txt:as it was");
        row("text file: closed, Yes", text, "open +R150 Close", "Y", {"notes.txt", "notes.rtf"},
            "Open,Save As [notes.rtf] | Save changes to notes.txt? YNC |  | notes.rtf=" + textOut + ", notes.txt:as it was");
        row("text file: Save cancelled", text, "open +R150 Save", "", {"notes.txt", ""},
            "Open,Save As [notes.rtf] |  | notes.txt*=" + textOut + " | notes.txt:as it was");
        row("text file without suffix", text, "open +R150 Save", "", {"README", "README.rtf"},
            "Open,Save As [README.rtf] |  | README.rtf=" + textOut + " | README:as it was, README.rtf=" + textOut);
        row("text file named .rtf", text, "open +R150 Save", "", {"list.rtf", "list.rtf.rtf"},
            "Open,Save As [list.rtf.rtf] |  | list.rtf.rtf=" + textOut + " | list.rtf:as it was, list.rtf.rtf=" + textOut);
        row("what cannot be kept: Yes saves as", object, "open +x Save", "Y", {"chart.rtf", "copy.rtf"},
            "Open,Save As [chart.rtf] | " + warning + " YNC | copy.rtf=Chart herex | chart.rtf=Chart here, copy.rtf=Chart herex");
        row("what cannot be kept: No saves over", object, "open +x Save", "N", {"chart.rtf", "copy.rtf"},
            "Open | " + warning + " YNC | chart.rtf=Chart herex | chart.rtf=Chart herex");
        row("what cannot be kept: Cancel", object, "open +x Save", "C", {"chart.rtf", "copy.rtf"},
            "Open | " + warning + " YNC | chart.rtf*=Chart herex | chart.rtf=Chart here");
        row("a table is kept", "{\\rtf1 \\trowd\\cellx1000\\cellx2000\\intbl R1\\cell 10k\\cell\\row\\pard Stock\\par}", "open +x Save",
            "", {"chart.rtf"}, "Open |  | chart.rtf=\nR1\n10k\nStockx | chart.rtf=\nR1\n10k\nStockx");
        row("closed, Yes, saved", "", "new new +precious Close", "Y", {"s.rtf"},
            "Save | Save changes to Document 2? YNC | Document 1= | s.rtf=precious");
        row("closed, Yes, save cancelled", "", "new new +precious Close", "Y", {""},
            "Save | Save changes to Document 2? YNC | Document 1=, Document 2*=precious | ");
        row("closed, No", "", "new new +precious Close", "N", {}, " | Save changes to Document 2? YNC | Document 1= | ");
        row("closed, Cancel", "", "new new +precious Close", "C", {}, " | Save changes to Document 2? YNC | Document 1=, Document 2*=precious | ");
        row("Exit, Yes, saved", "", "new new +precious Exit", "Y", {"s.rtf"}, "Save | Save changes to Document 2? YNC | gone | s.rtf=precious");
        row("Exit, Cancel", "", "new new +precious Exit", "C", {}, " | Save changes to Document 2? YNC | Document 1=, Document 2*=precious | ");
        row("failed saves keep the file and the window's text", "", "new +kept SaveAs +_lost SaveAs big full", "", {"doc.rtf", "nowhere/doc.rtf"},
            "Save As,Save As [,doc.rtf] | Unable to save \"nowhere/doc.rtf\": No such file or directory"
            " / Unable to save \"doc.rtf\": Only part of the document could be written (is the disk full?) | doc.rtf*=xxxxxxxxxxxxxxxxxxxxxkept lost | doc.rtf=kept");
        row("file replaced by a folder", "", "new +kept SaveAs dir Save", "", {"doc.rtf"},
            "Save As | Unable to save \"doc.rtf\": Filename refers to a directory | doc.rtf=kept | doc.rtf/");
    }

    void save()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, script);
        QFETCH(QString, answers);
        QFETCH(QStringList, names);
        QFETCH(QString, outcome);
        Program p;
        QFile given(p.path(names.value(0)));
        if (!file.isEmpty() && !names.value(0).isEmpty())
            QVERIFY(file == "<folder>" ? QDir(p.env.folder()).mkdir(names.value(0)) : given.open(QIODevice::WriteOnly) && given.write(file) == file.size());
        given.close();
        for (const QChar a : answers)
            p.ui.answers << (a == 'Y' ? Answer::Yes : a == 'N' ? Answer::No : Answer::Cancel);
        for (const QString &name : names)
            p.ui.fileNames << (name.isEmpty() ? name : name.startsWith('=') ? name.mid(1) : p.path(name)); // "=name": a bare name
        const QMap<QString, CommandId> commands{{"new", CommandId::FileNew}, {"open", CommandId::FileOpen}, {"Save", CommandId::FileSave},
                                                {"SaveAs", CommandId::FileSaveAs}, {"Undo", CommandId::EditUndo}, {"Exit", CommandId::FileExit},
                                                {"Print", CommandId::FilePrint}, {"Cut", CommandId::EditCut}, {"Copy", CommandId::EditCopy},
                                                {"Paste", CommandId::EditPaste}, {"PasteSpecial", CommandId::EditPasteSpecial}};
        for (const QString &step : script.split(' ')) {
            if (step.startsWith('+')) {
                Drive::key(Qt::Key_End, Qt::ControlModifier);
                Drive::typeText(QString(step.mid(1)).replace('_', ' '));
            } else if (step == "child") {
                p.main.showChild(new ChildWindow(p.env.app));
            } else if (step == "link") {
                QVERIFY(p.env.exec("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('R100', 'Resistor', 100)"));
                QVERIFY(QFile::link(p.env.app.databasePath(), p.path("link.mdb")));
            } else if (step == "big") {
                QTextCursor(p.active()->document()).insertText(QString(20000, QChar('x')));
            } else if (step == "full") {
#ifdef Q_OS_UNIX
                const auto diskFull = limitFileSize(QFileInfo(p.active()->caption()).size() + 1000);
                p.run(CommandId::FileSave);
#else
                QSKIP("no file size limit here");
#endif
            } else if (step == "dir") {
                QVERIFY(QFile::remove(p.active()->caption()) && QDir().mkdir(p.active()->caption()));
            } else if (step == "Close") {
                p.active()->subWindow()->close();
            } else if (step == "Tool:Save") {
                p.main.runToolButton("Save");
            } else {
                QVERIFY2(commands.contains(step), qPrintable(step));
                p.run(commands.value(step));
                if ((step == "new" || step == "open") && p.active())
                    Drive::focus(p.active()->textBox());
            }
            Program::settle();
        }
        QStringList shown, windows, files;
        for (const auto &m : p.ui.shown)
            shown << m.text + (m.buttons == UserInterface::Buttons::YesNoCancel ? " YNC" : "");
        for (QMdiSubWindow *w : p.main.mdiArea()->subWindowList()) {
            auto *d = qobject_cast<DocumentWindow *>(w->widget());
            windows << (d ? d->caption() + (d->isModified() ? "*=" : "=") + marked(d->document()).right(30) : "other");
        }
        const QString db = QFileInfo(p.env.app.databasePath()).fileName();
        for (const QFileInfo &f : QDir(p.env.folder()).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (!f.fileName().startsWith(db) && !f.isSymLink() && f.fileName() != "backups" && f.fileName() != "settings.ini")
                files << f.fileName() + (f.isDir() ? "/" : fileText(f.filePath()) != "<not rtf>" ? "=" + fileText(f.filePath())
                                         : fileBytes(f.filePath()) == file ? ":as it was" : ":" + fileBytes(f.filePath()));
        if (!p.main.isVisible()) { // the database closed whole; it opens again with what it held
            QVERIFY(!p.env.app.database().isOpen() && fileBytes(p.env.app.databasePath()).startsWith("SQLite format 3"));
            QVERIFY2(p.env.app.OpenInventoryDatabase(), qPrintable(p.env.app.database().errorString()));
            QCOMPARE(p.env.scalar("PRAGMA integrity_check").toString(), QString("ok"));
            QCOMPARE(p.env.scalar("select count(*) from Inventory where PartNo = 'R100'").toInt(), int(script.startsWith("link")));
        }
        const QString proposed = p.ui.proposedNames.join(',');
        const QString actual = QString(p.ui.dialogTitles.join(',') + (proposed.isEmpty() ? "" : " [" + proposed + "]") + " | " + shown.join(" / ")
                         + " | " + (p.main.isVisible() ? windows.join(", ") : "gone") + " | " + files.join(", "))
                     .replace(p.env.folder() + '/', "");
        QVERIFY2(actual == outcome, qPrintable(actual));
    }

    // Printed to a PDF: all of it, or the selection when there is one and
    // the user keeps that choice; the text read back by pdftotext.
    void printing_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("keepSelection"); // the user's choice in the dialog
        QTest::addColumn<QString>("printed"); // "" when the dialog is cancelled
        QTest::newRow("all") << false << false << "Resistors Capacitors 1";
        QTest::newRow("selection") << true << true << "Capacitors 1";
        QTest::newRow("selection, user chose all") << true << false << "Resistors Capacitors 1";
        QTest::newRow("cancelled") << true << true << "";
    }

    void printing()
    {
        QFETCH(bool, selected);
        QFETCH(bool, keepSelection);
        QFETCH(QString, printed);
        Program p;
        p.newDocument("Resistors");
        Drive::key(Qt::Key_Return);
        Drive::typeText("Capacitors");
        if (selected)
            Drive::key(Qt::Key_Home, Qt::ShiftModifier);
        const QString pdf = p.ui.printToPdf = p.path("out.pdf");
        p.ui.printChoices << !printed.isEmpty();
        p.ui.printSelectionChoice = keepSelection;
        p.main.runToolButton("Print");
        QCOMPARE(p.ui.dialogTitles, QStringList{"Print"});
        QCOMPARE(p.ui.printRequests.value(0).hasSelection, selected);
        QCOMPARE(QFile::exists(pdf), !printed.isEmpty());
        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (printed.isEmpty() || tool.isEmpty())
            return;
        QCOMPARE(QProcess::execute(tool, {pdf}), 0);
        QCOMPARE(QString::fromUtf8(fileBytes(p.path("out.txt"))).simplified(), printed); // and the page number
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
                auto *dialog = QApplication::activeModalWidget();
                for (const char *name : {"printAll", "printSelection", "printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"})
                    if (QWidget *w = dialog ? dialog->findChild<QWidget *>(name) : nullptr; w && !w->isHidden() && w->isEnabled())
                        usable << name;
                if (dialog)
                    dialog->close();
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
        auto row = [](const char *name, const QStringList &source, const char *text, CommandId command = CommandId::EditPaste) {
            QTest::newRow(name) << source << text << command; };
        row("Copy", {"Copy"}, "*Bold*");
        row("Cut", {"Cut"}, "*Bold*");
        row("Ctrl+X in the text box", {"Ctrl+X"}, "*Bold*");
        row("rtf first", {"text/rtf", "text/html", "text/plain"}, "Plain *Bold*");
        row("application/rtf", {"application/rtf", "text/plain"}, "Plain *Bold*");
        row("html", {"text/html", "text/plain"}, "Html *Bold*");
        row("plain", {"text/plain"}, "Text Bold");
        row("damaged rtf, html beside", {"damaged text/rtf", "text/html"}, "Html *Bold*");
        row("Paste Special: plain text", {"text/rtf", "text/plain"}, "Text Bold", CommandId::EditPasteSpecial);
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
            Drive::key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier); // "Bold"
            QApplication::clipboard()->clear();
            if (how == "Ctrl+X")
                Drive::key(Qt::Key_X, Qt::ControlModifier);
            else
                p.run(how == "Copy" ? CommandId::EditCopy : CommandId::EditCut);
            QCOMPARE(box->toPlainText(), how == "Copy" ? QString("Plain Bold") : QString("Plain "));
            const QMimeData *data = QApplication::clipboard()->mimeData();
            QVERIFY(data->hasHtml() && RtfReader::looksLikeRtf(data->data("text/rtf")));
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
        QCOMPARE(marked(doc->document()), "1" + text + "5");
        QVERIFY(p.ui.shown.isEmpty());
        p.run(CommandId::EditUndo); // takes the whole paste back
        QCOMPARE(doc->document()->toPlainText(), QString("1X5"));
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
