#include "docs/documentcommands.h"

#include "ui/appcontext.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"
#include "docs/documentwindow.h"

#include <QMdiArea>

DocumentCommands::DocumentCommands(CommandHost &host) : QObject(host.hostWidget()), m_host(host)
{
    setObjectName(QStringLiteral("documentCommands"));
}

DocumentCommands *DocumentCommands::registerCommands(CommandHost &host)
{
    using C = CommandId;
    auto *docs = new DocumentCommands(host);
    host.registerHandler(C::FileNew, [docs] { docs->NewDocumentWindow(); });
    host.registerHandler(C::WindowNewWindow, [docs] { docs->NewDocumentWindow(); });
    host.registerHandler(C::FileOpen, [docs] { docs->open(); });
    host.registerHandler(C::FileSave, [docs] { docs->save(); });
    host.registerHandler(C::FileSaveAs, [docs] { docs->saveAs(); });
    host.registerHandler(C::FilePrint, [docs] { docs->print(); });
    host.registerHandler(C::EditUndo, [docs] { docs->undo(); });
    host.registerHandler(C::EditCut, [docs] { docs->cut(); });
    host.registerHandler(C::EditCopy, [docs] { docs->copy(); });
    host.registerHandler(C::EditPaste, [docs] { docs->paste(); });
    host.registerHandler(C::EditPasteSpecial, [docs] { docs->pasteSpecial(); });
    return docs;
}

DocumentCommands *DocumentCommands::of(const QObject *hostWidget)
{
    return hostWidget->findChild<DocumentCommands *>(QString(), Qt::FindDirectChildrenOnly);
}

DocumentWindow *DocumentCommands::NewDocumentWindow()
{
    const int number = ++m_documentCounter;
    auto *window = new DocumentWindow(m_host.app(), nullptr);
    window->setCaption(QStringLiteral("Document %1").arg(number));
    m_host.showChild(window);
    return window;
}

DocumentWindow *DocumentCommands::activeDocument() const
{
    return qobject_cast<DocumentWindow *>(m_host.activeChild());
}

DocumentWindow *DocumentCommands::valueWindow()
{
    // Once the user typed into it or opened a file into it, the window is
    // the user's document: the next value goes into a new window.
    if (!m_valueWindow || m_valueWindow->isClosing() || !m_valueWindow->holdsProgramText()) {
        m_valueWindow = new DocumentWindow(m_host.app(), nullptr);
        m_valueWindow->setCaption(DocumentWindow::valueCaption());
        m_host.showChild(m_valueWindow);
    }
    m_valueWindow->setCaption(DocumentWindow::valueCaption());
    return m_valueWindow;
}

void DocumentCommands::open()
{
    DocumentWindow *doc = m_host.activeChild() ? activeDocument() : NewDocumentWindow();
    if (!doc || !doc->maybeSave())
        return;
    const QString fileName =
        m_host.app().ui().openFileName(doc, QStringLiteral("Open"), DocumentWindow::fileFilter());
    if (fileName.isEmpty())
        return;
    doc->openFile(fileName);
}

void DocumentCommands::save()
{
    if (DocumentWindow *doc = activeDocument())
        doc->save();
    else
        m_host.app().ui().inform(m_host.hostWidget(), QStringLiteral("No document to save."));
}

void DocumentCommands::saveAs()
{
    if (DocumentWindow *doc = activeDocument())
        doc->saveAs();
}

void DocumentCommands::print()
{
    if (DocumentWindow *doc = activeDocument())
        doc->print();
}

void DocumentCommands::undo()
{
    if (DocumentWindow *doc = activeDocument())
        doc->undo();
}

void DocumentCommands::cut()
{
    if (DocumentWindow *doc = activeDocument())
        doc->cut();
}

void DocumentCommands::copy()
{
    if (DocumentWindow *doc = activeDocument())
        doc->copy();
}

void DocumentCommands::paste()
{
    if (DocumentWindow *doc = activeDocument())
        doc->paste();
}

void DocumentCommands::pasteSpecial()
{
    if (DocumentWindow *doc = activeDocument())
        doc->pasteUnformatted();
}
