// Document windows and the File and Edit commands that act on them, driven
// through the real main window.
#include "app/childwindow.h"
#include "app/mainwindow.h"
#include "docs/documentcommands.h"
#include "docs/documentwindow.h"
#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"
#include "testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using Answer = UserInterface::Answer;

namespace {

// The program's main window with scripted dialogs, shown and active.
struct Program
{
    TestEnvironment env;
    std::unique_ptr<MainWindow> main;

    Program()
    {
        main = std::make_unique<MainWindow>(env.app);
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));
    }

    DocumentCommands &docs() const { return *DocumentCommands::of(*main); }
    DocumentWindow *active() const { return docs().activeDocument(); }
    void run(CommandId id) const { main->action(id)->trigger(); }
    QString path(const QString &name) const { return QDir(env.folder()).filePath(name); }

    QStringList captions() const
    {
        QStringList out;
        for (QMdiSubWindow *w : main->mdiArea()->subWindowList())
            out << w->windowTitle();
        return out;
    }

    DocumentWindow *newDocument(const QString &typed = QString()) const
    {
        run(CommandId::FileNew);
        DocumentWindow *doc = active();
        if (doc && !typed.isEmpty())
            QTest::keyClicks(doc->textBox(), typed);
        return doc;
    }

    // Lets closed windows go away.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

// The text of an RTF file as this program reads it.
QString fileText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    QTextDocument doc;
    return RtfReader().read(f.readAll(), &doc) ? doc.toPlainText() : QStringLiteral("<not rtf>");
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// An RTF file with "Plain " and a bold "Bold".
QByteArray boldRtf()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("Plain "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("Bold"), bold);
    return RtfWriter().write(&doc);
}

#ifdef Q_OS_UNIX
// Files of this process may not grow beyond a size while it lives, as on a
// full disk: writes past it fail (even for root).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old {};
};
#endif

bool isBoldAt(const QTextDocument *doc, int position)
{
    QTextCursor c(const_cast<QTextDocument *>(doc));
    c.setPosition(position + 1); // the format of the character before the cursor
    return c.charFormat().fontWeight() >= QFont::Bold;
}

void select(QTextEdit *edit, int from, int to)
{
    QTextCursor c = edit->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    edit->setTextCursor(c);
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    // ---- windows, captions, numbering ----

    void newWindowsAreNumbered_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("File > New") << "menu";
        QTest::newRow("Window > New Window") << "window";
        QTest::newRow("toolbar New") << "toolbar";
    }

    void newWindowsAreNumbered()
    {
        QFETCH(QString, how);
        Program p;
        auto create = [&] {
            if (how == "menu")
                p.run(CommandId::FileNew);
            else if (how == "window")
                p.run(CommandId::WindowNewWindow);
            else
                p.main->runToolButton("New");
        };
        for (int i = 0; i < 3; ++i)
            create();
        QCOMPARE(p.captions(), QStringList({"Document 1", "Document 2", "Document 3"}));
        QCOMPARE(p.active()->objectName(), QString("frmDocument"));
        QVERIFY(p.active()->findChild<QTextEdit *>("rtfText"));

        p.main->mdiArea()->subWindowList().at(1)->close();
        Program::settle();
        create();
        QCOMPARE(p.captions(), QStringList({"Document 1", "Document 3", "Document 4"}));
        QCOMPARE(p.active()->caption(), QString("Document 4"));
        QVERIFY(p.env.ui.shown.isEmpty());
    }

    // ---- Save and Save As ----

    void saveAsksForANameWhileUntitled()
    {
        Program p;
        DocumentWindow *doc = p.newDocument("first");
        p.env.ui.fileNames << p.path("a.rtf");
        p.run(CommandId::FileSave);
        QCOMPARE(p.env.ui.dialogTitles, QStringList({"Save"}));
        QVERIFY(fileBytes(p.path("a.rtf")).startsWith("{\\rtf"));
        QCOMPARE(fileText(p.path("a.rtf")), QString("first"));
        QCOMPARE(doc->caption(), QString("Document 1"));
        QVERIFY(!doc->isModified());

        // Still untitled: the next Save asks again; cancelling writes nothing.
        QTest::keyClicks(doc->textBox(), " second");
        p.main->runToolButton("Save");
        QCOMPARE(p.env.ui.dialogTitles, QStringList({"Save", "Save"}));
        QCOMPARE(fileText(p.path("a.rtf")), QString("first"));
        QVERIFY(doc->isModified());
        QVERIFY(p.env.ui.shown.isEmpty());
    }

    void saveAsNamesTheWindow()
    {
        Program p;
        DocumentWindow *doc = p.newDocument("one");
        const QString file = p.path("notes.rtf");
        p.env.ui.fileNames << file;
        p.run(CommandId::FileSaveAs);
        QCOMPARE(doc->caption(), file);
        QCOMPARE(p.captions(), QStringList({file}));
        QCOMPARE(fileText(file), QString("one"));

        // Named now: Save writes there without asking.
        QTest::keyClicks(doc->textBox(), " two");
        p.run(CommandId::FileSave);
        QCOMPARE(p.env.ui.dialogTitles, QStringList({"Save As"}));
        QCOMPARE(fileText(file), QString("one two"));

        // Save As cancelled: nothing changes.
        p.run(CommandId::FileSaveAs);
        QCOMPARE(doc->caption(), file);
    }

    void failedSaveKeepsWhatWasThere_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder does not exist") << "missing folder";
        QTest::newRow("file replaced by a folder") << "folder";
#ifdef Q_OS_UNIX
        QTest::newRow("disk full while writing") << "full";
#endif
    }

    void failedSaveKeepsWhatWasThere()
    {
        QFETCH(QString, how);
        Program p;
        DocumentWindow *doc = p.newDocument("kept");
        const QString file = p.path("doc.rtf");
        p.env.ui.fileNames << file;
        p.run(CommandId::FileSaveAs);
        QTest::keyClicks(doc->textBox(), " lost?");

        QString target;
        if (how == "folder") {
            QVERIFY(QFile::remove(file));
            QVERIFY(QDir(p.env.folder()).mkdir("doc.rtf"));
            target = file;
            p.run(CommandId::FileSave);
        } else if (how == "full") {
#ifdef Q_OS_UNIX
            QTextCursor(doc->document()).insertText(QString(20000, QChar('x')));
            target = file;
            FileSizeLimit limit(QFileInfo(file).size() + 1000);
            p.run(CommandId::FileSave);
#endif
        } else {
            target = p.path("nowhere/doc.rtf");
            p.env.ui.fileNames << target;
            p.run(CommandId::FileSaveAs);
        }
        QCOMPARE(p.env.ui.shown.size(), 1);
        const auto shown = p.env.ui.shown.first();
        QVERIFY2(shown.text.startsWith("Unable to save \"" + QDir::toNativeSeparators(target) + "\": "),
                 qPrintable(shown.text));
        QCOMPARE(shown.title, QString("Partwise"));
        // The window keeps its name and its unsaved text; what was on disk stays.
        QCOMPARE(doc->caption(), file);
        QVERIFY(doc->isModified());
        if (how == "folder")
            QVERIFY(QFileInfo(file).isDir());
        else
            QCOMPARE(fileText(file), QString("kept"));
        QCOMPARE(QDir(p.env.folder()).entryList({"doc.rtf.*"}, QDir::Files), QStringList());
    }

    void commandsWithoutADocument_data()
    {
        QTest::addColumn<CommandId>("command");
        QTest::addColumn<bool>("otherChild");
        QTest::addColumn<QString>("message");
        const QString none = "No document to save.";
        QTest::newRow("Save, no child window") << CommandId::FileSave << false << none;
        QTest::newRow("Save, stock window") << CommandId::FileSave << true << none;
        QTest::newRow("Open, stock window") << CommandId::FileOpen << true << "";
        QTest::newRow("Save As") << CommandId::FileSaveAs << true << "";
        QTest::newRow("Print") << CommandId::FilePrint << true << "";
        QTest::newRow("Undo") << CommandId::EditUndo << true << "";
        QTest::newRow("Cut") << CommandId::EditCut << true << "";
        QTest::newRow("Copy") << CommandId::EditCopy << true << "";
        QTest::newRow("Paste") << CommandId::EditPaste << true << "";
        QTest::newRow("Paste Special") << CommandId::EditPasteSpecial << true << "";
    }

    void commandsWithoutADocument()
    {
        QFETCH(CommandId, command);
        QFETCH(bool, otherChild);
        QFETCH(QString, message);
        Program p;
        if (otherChild)
            p.main->showChild(new ChildWindow(p.env.app));
        p.env.ui.fileNames << p.path("x.rtf");
        p.env.ui.printChoices << true;
        p.env.ui.printToPdf = p.path("x.pdf");
        p.run(command);
        QCOMPARE(p.main->mdiArea()->subWindowList().size(), otherChild ? 1 : 0);
        QVERIFY(p.env.ui.dialogTitles.isEmpty());
        QCOMPARE(p.env.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(p.env.ui.shown[0].title, QString("Partwise"));
            QCOMPARE(p.env.ui.shown[0].icon, UserInterface::Icon::None);
            QCOMPARE(p.env.ui.shown[0].buttons, UserInterface::Buttons::Ok);
        }
    }

    // ---- Open ----

    void openReadsIntoTheActiveWindow_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        QTest::newRow("rtf") << boldRtf() << "Plain Bold" << true;
        QTest::newRow("plain text") << QByteArray("line 1\nline 2\n") << "line 1\nline 2\n" << false;
        QTest::newRow("utf-8 text") << QByteArray("Widerstand 10 k\xce\xa9") << "Widerstand 10 k\u03a9"
                                    << false;
        QTest::newRow("latin-1 text") << QByteArray("50 \xb5" "F") << "50 \u00b5F" << false;
        QTest::newRow("rtf source as text") << QByteArray("x {\\rtf1 y}") << "x {\\rtf1 y}" << false;
    }

    void openReadsIntoTheActiveWindow()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        Program p;
        const QString file = p.path("in.doc");
        writeFile(file, content);
        DocumentWindow *doc = p.newDocument();
        p.env.ui.fileNames << file;
        p.main->runToolButton("Open");
        QCOMPARE(p.env.ui.dialogTitles, QStringList({"Open"}));
        QCOMPARE(p.captions(), QStringList({file}));
        QCOMPARE(p.active(), doc);
        QCOMPARE(doc->document()->toPlainText(), text);
        QCOMPARE(isBoldAt(doc->document(), int(text.size()) - 1), bold);
        QVERIFY(!doc->isModified());
        // The loaded text is not undone by Undo.
        p.run(CommandId::EditUndo);
        QCOMPARE(doc->document()->toPlainText(), text);
        QVERIFY(p.env.ui.shown.isEmpty());
    }

    void openWithoutWindowCreatesOne_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("file chosen") << false;
        QTest::newRow("cancelled") << true;
    }

    void openWithoutWindowCreatesOne()
    {
        QFETCH(bool, cancel);
        Program p;
        p.run(CommandId::FileNew); // Document 1, closed again: Open takes the next number
        p.active()->subWindow()->close();
        Program::settle();
        const QString file = p.path("in.rtf");
        writeFile(file, boldRtf());
        if (!cancel)
            p.env.ui.fileNames << file;
        p.run(CommandId::FileOpen);
        QCOMPARE(p.captions(), QStringList({cancel ? QString("Document 2") : file}));
        QCOMPARE(p.active()->document()->toPlainText(), cancel ? QString() : QString("Plain Bold"));
    }

    void openAsksBeforeReplacingTypedText_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("No: discard") << Answer::No << true;
        QTest::newRow("Cancel") << Answer::Cancel << false;
        QTest::newRow("Yes, save dialog cancelled") << Answer::Yes << false;
    }

    void openAsksBeforeReplacingTypedText()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, loaded);
        Program p;
        const QString file = p.path("in.rtf");
        writeFile(file, boldRtf());
        DocumentWindow *doc = p.newDocument("typed");
        p.env.ui.answers << answer;
        if (answer == Answer::No)
            p.env.ui.fileNames << file;
        p.run(CommandId::FileOpen);
        QCOMPARE(p.env.ui.texts(), QStringList({"Save changes to Document 1?"}));
        QCOMPARE(doc->document()->toPlainText(), loaded ? QString("Plain Bold") : QString("typed"));
        QCOMPARE(p.env.ui.dialogTitles.contains("Open"), loaded);
    }

    void unreadableFileLeavesTheWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "gone.rtf" << QByteArray() << "No such file or directory";
        QTest::newRow("a folder") << "folder" << QByteArray() << "";
        QTest::newRow("damaged rtf") << "deep.rtf" << QByteArray("{\\rtf1" + QByteArray(5000, '{'))
                                     << "";
    }

    void unreadableFileLeavesTheWindow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        Program p;
        const QString file = p.path(name);
        if (name == "folder")
            QVERIFY(QDir(p.env.folder()).mkdir(name));
        else if (!content.isEmpty())
            writeFile(file, content);
        DocumentWindow *doc = p.newDocument("typed");
        doc->document()->setModified(false);
        p.env.ui.fileNames << file;
        p.run(CommandId::FileOpen);
        QCOMPARE(p.env.ui.shown.size(), 1);
        const QString text = p.env.ui.shown[0].text;
        QVERIFY2(text.startsWith("Unable to open \"" + QDir::toNativeSeparators(file) + "\": "),
                 qPrintable(text));
        QVERIFY2(text.endsWith(reason) && text.size() > file.size() + 20, qPrintable(text));
        QCOMPARE(doc->document()->toPlainText(), QString("typed"));
        QCOMPARE(doc->caption(), QString("Document 1"));
    }

    // ---- unsaved changes ----

    void closingAsksAboutUnsavedText_data()
    {
        QTest::addColumn<bool>("wholeProgram");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("fileChosen");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        for (bool whole : {false, true}) {
            const char *w = whole ? "program: " : "window: ";
            QTest::newRow(qPrintable(QString(w) + "Yes, saved")) << whole << Answer::Yes << true << true << true;
            QTest::newRow(qPrintable(QString(w) + "Yes, dialog cancelled"))
                << whole << Answer::Yes << false << false << false;
            QTest::newRow(qPrintable(QString(w) + "No")) << whole << Answer::No << false << true << false;
            QTest::newRow(qPrintable(QString(w) + "Cancel"))
                << whole << Answer::Cancel << false << false << false;
        }
    }

    void closingAsksAboutUnsavedText()
    {
        QFETCH(bool, wholeProgram);
        QFETCH(Answer, answer);
        QFETCH(bool, fileChosen);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        Program p;
        p.newDocument(); // unchanged: closes without a question
        DocumentWindow *doc = p.newDocument("precious");
        QPointer<DocumentWindow> alive(doc);
        p.env.ui.answers << answer;
        if (fileChosen)
            p.env.ui.fileNames << p.path("saved.rtf");
        if (wholeProgram)
            p.run(CommandId::FileExit);
        else
            doc->subWindow()->close();
        Program::settle();

        QCOMPARE(p.env.ui.shown.size(), 1);
        QCOMPARE(p.env.ui.shown[0].text, QString("Save changes to Document 2?"));
        QCOMPARE(p.env.ui.shown[0].title, QString("Partwise"));
        QCOMPARE(p.env.ui.shown[0].buttons, UserInterface::Buttons::YesNoCancel);
        QCOMPARE(alive.isNull(), closed);
        QCOMPARE(QFile::exists(p.path("saved.rtf")), saved);
        if (saved)
            QCOMPARE(fileText(p.path("saved.rtf")), QString("precious"));
        if (wholeProgram)
            QCOMPARE(p.main->isVisible(), !closed);
        if (!closed)
            QCOMPARE(doc->document()->toPlainText(), QString("precious"));
    }

    void valueWindow()
    {
        Program p;
        DocumentWindow *value = p.docs().valueWindow();
        QCOMPARE(value->caption(), QString("Current Value of Inventory"));
        value->setFontPointSize(15);
        value->setProgramText("Total Current Inventory: $1.00");
        QVERIFY(!value->isModified());
        QCOMPARE(value->textBox()->currentFont().pointSizeF(), 15.0);

        // Save writes to the file its caption names, without asking.
        p.run(CommandId::FileSave);
        QVERIFY(p.env.ui.dialogTitles.isEmpty());
        QCOMPARE(fileText(p.path("Current Value of Inventory")), QString("Total Current Inventory: $1.00"));

        // The one window is reused in place, not raised; it takes no number.
        DocumentWindow *other = p.newDocument();
        QCOMPARE(other->caption(), QString("Document 1"));
        QCOMPARE(p.docs().valueWindow(), value);
        QCOMPARE(p.active(), other);
        // Closed, it is made anew.
        value->subWindow()->close();
        QVERIFY(p.docs().valueWindow() != value);
        Program::settle();
        QCOMPARE(p.captions(), QStringList({"Document 1", "Current Value of Inventory"}));

        // Program text is no unsaved change: the program closes without a question.
        p.docs().valueWindow()->setProgramText("again");
        p.run(CommandId::FileExit);
        QVERIFY(p.env.ui.shown.isEmpty());
        QVERIFY(!p.main->isVisible());
    }

    // ---- printing ----

    void printing_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("keepSelection");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QStringList>("notPrinted");
        QTest::newRow("all") << false << false << true << QStringList{"Resistors", "Capacitors"}
                             << QStringList{};
        QTest::newRow("selection") << true << true << true << QStringList{"Capacitors"}
                                   << QStringList{"Resistors"};
        QTest::newRow("selection, user chose all") << true << false << true
                                                   << QStringList{"Resistors", "Capacitors"}
                                                   << QStringList{};
        QTest::newRow("cancelled") << true << true << false << QStringList{} << QStringList{};
    }

    void printing()
    {
        QFETCH(bool, selected);
        QFETCH(bool, keepSelection);
        QFETCH(bool, chosen);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, notPrinted);
        Program p;
        DocumentWindow *doc = p.newDocument();
        QTest::keyClicks(doc->textBox(), "Resistors");
        QTest::keyClick(doc->textBox(), Qt::Key_Return);
        QTest::keyClicks(doc->textBox(), "Capacitors");
        if (selected)
            QTest::keyClick(doc->textBox(), Qt::Key_Home, Qt::ShiftModifier);
        const QString pdf = p.path("out.pdf");
        p.env.ui.printToPdf = pdf;
        p.env.ui.printChoices << chosen;
        p.env.ui.printSelectionChoice = keepSelection;
        p.main->runToolButton("Print");

        QCOMPARE(p.env.ui.printRequests.size(), 1);
        QCOMPARE(p.env.ui.printRequests[0].title, QString("Print"));
        QCOMPARE(p.env.ui.printRequests[0].hasSelection, selected);
        QCOMPARE(QFile::exists(pdf), chosen);
        if (!chosen)
            return;
        const QByteArray data = fileBytes(pdf);
        QVERIFY(data.startsWith("%PDF") && data.size() > 500);
        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (tool.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed: the PDF's text is not checked");
        QProcess run;
        run.start(tool, {pdf, "-"});
        QVERIFY(run.waitForFinished(30000));
        const QString text = QString::fromUtf8(run.readAllStandardOutput());
        for (const QString &s : printed)
            QVERIFY2(text.contains(s), qPrintable(text));
        for (const QString &s : notPrinted)
            QVERIFY2(!text.contains(s), qPrintable(text));
    }

    // ---- clipboard and editing ----

    void copyPutsRichTextOnTheClipboard_data()
    {
        QTest::addColumn<CommandId>("command");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("left");
        QTest::newRow("Copy") << CommandId::EditCopy << false << "Plain Bold";
        QTest::newRow("Cut") << CommandId::EditCut << false << "Plain ";
        QTest::newRow("Ctrl+X in the text box") << CommandId::EditCut << true << "Plain ";
    }

    void copyPutsRichTextOnTheClipboard()
    {
        QFETCH(CommandId, command);
        QFETCH(bool, byKey);
        QFETCH(QString, left);
        Program p;
        const QString file = p.path("in.rtf");
        writeFile(file, boldRtf());
        p.env.ui.fileNames << file;
        p.run(CommandId::FileOpen);
        DocumentWindow *source = p.active();
        select(source->textBox(), 6, 10); // "Bold"
        QApplication::clipboard()->clear();
        if (byKey)
            QTest::keyClick(source->textBox(), Qt::Key_X, Qt::ControlModifier);
        else
            p.run(command);
        QCOMPARE(source->document()->toPlainText(), left);

        const QMimeData *data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        for (const char *type : {"text/rtf", "application/rtf", "text/html", "text/plain"})
            QVERIFY2(data->hasFormat(type), type);
        QVERIFY(RtfReader::looksLikeRtf(data->data("text/rtf")));
        QCOMPARE(data->data("application/rtf"), data->data("text/rtf"));
        QCOMPARE(QApplication::clipboard()->text(), QString("Bold"));

        // Into another document, with its formatting.
        DocumentWindow *target = p.newDocument("x ");
        p.run(CommandId::EditPaste);
        QCOMPARE(target->document()->toPlainText(), QString("x Bold"));
        QVERIFY(!isBoldAt(target->document(), 0));
        QVERIFY(isBoldAt(target->document(), 2));
        QVERIFY(isBoldAt(target->document(), 5));
        QVERIFY(p.env.ui.shown.isEmpty());
    }

    void pasteTakesTheRichestFormat_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        QTest::newRow("rtf first") << QStringList{"text/rtf", "text/html", "text/plain"} << "Plain Bold"
                                   << true;
        QTest::newRow("application/rtf") << QStringList{"application/rtf", "text/plain"} << "Plain Bold"
                                         << true;
        QTest::newRow("html") << QStringList{"text/html", "text/plain"} << "Html Bold" << true;
        QTest::newRow("plain") << QStringList{"text/plain"} << "Text Bold" << false;
        QTest::newRow("damaged rtf, html beside") << QStringList{"bad rtf", "text/html"} << "Html Bold"
                                                  << true;
    }

    void pasteTakesTheRichestFormat()
    {
        QFETCH(QStringList, types);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        Program p;
        DocumentWindow *doc = p.newDocument("12345");
        select(doc->textBox(), 1, 4); // replaced by the paste
        auto *data = new QMimeData; // the clipboard takes it
        for (const QString &type : types) {
            if (type == "bad rtf")
                data->setData("text/rtf", "{\\rtf1" + QByteArray(5000, '{'));
            else if (type == "text/html")
                data->setHtml("Html <b>Bold</b>");
            else if (type == "text/plain")
                data->setText("Text Bold");
            else
                data->setData(type, boldRtf());
        }
        QApplication::clipboard()->setMimeData(data);
        p.main->runToolButton("Paste");
        QCOMPARE(doc->document()->toPlainText(), "1" + text + "5");
        QCOMPARE(isBoldAt(doc->document(), 1 + text.size() - 1), bold);
        QVERIFY(!isBoldAt(doc->document(), 1));
        // One Undo takes the whole paste back.
        p.run(CommandId::EditUndo);
        QCOMPARE(doc->document()->toPlainText(), QString("12345"));
    }

    void pasteSpecialPastesPlainText()
    {
        Program p;
        auto *data = new QMimeData;
        data->setData("text/rtf", boldRtf());
        data->setText("Plain Bold");
        QApplication::clipboard()->setMimeData(data);
        DocumentWindow *doc = p.newDocument("> ");
        p.run(CommandId::EditPasteSpecial);
        QCOMPARE(doc->document()->toPlainText(), QString("> Plain Bold"));
        QVERIFY(!isBoldAt(doc->document(), 8));
        QVERIFY(p.env.ui.shown.isEmpty());
    }

    void undoUndoesTheLastEdit()
    {
        Program p;
        DocumentWindow *doc = p.newDocument("typed");
        QVERIFY(doc->isModified());
        p.run(CommandId::EditUndo);
        QCOMPARE(doc->document()->toPlainText(), QString());
        // Back where it started: nothing to save.
        QVERIFY(!doc->isModified());
        QVERIFY(p.env.ui.shown.isEmpty());
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
