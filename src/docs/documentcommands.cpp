#include "docs/documentcommands.h"

#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/userinterface.h"
#include "docs/documentwindow.h"

#include <QMdiArea>

DocumentCommands::DocumentCommands(MainWindow &main) : QObject(&main), m_main(main)
{
    setObjectName(QStringLiteral("documentCommands"));
}

DocumentCommands *DocumentCommands::of(const MainWindow &main)
{
    return main.findChild<DocumentCommands *>(QString(), Qt::FindDirectChildrenOnly);
}

DocumentWindow *DocumentCommands::NewDocumentWindow()
{
    const int number = m_main.app().nextDocumentNumber();
    auto *window = new DocumentWindow(m_main.app(), m_main.mdiArea());
    window->setCaption(QStringLiteral("Document %1").arg(number));
    m_main.showChild(window);
    return window;
}

DocumentWindow *DocumentCommands::activeDocument() const
{
    return qobject_cast<DocumentWindow *>(m_main.activeChild());
}

DocumentWindow *DocumentCommands::valueWindow()
{
    if (!m_valueWindow || m_valueWindow->isClosing()) {
        m_valueWindow = new DocumentWindow(m_main.app(), m_main.mdiArea());
        m_valueWindow->setCaption(DocumentWindow::valueCaption());
        m_main.showChild(m_valueWindow);
    }
    m_valueWindow->setCaption(DocumentWindow::valueCaption());
    return m_valueWindow;
}

void DocumentCommands::open()
{
    DocumentWindow *doc = m_main.activeChild() ? activeDocument() : NewDocumentWindow();
    if (!doc || !doc->maybeSave())
        return;
    const QString fileName =
        m_main.app().ui().openFileName(doc, QStringLiteral("Open"), DocumentWindow::fileFilter());
    if (fileName.isEmpty())
        return;
    doc->openFile(fileName);
}

void DocumentCommands::save()
{
    if (DocumentWindow *doc = activeDocument())
        doc->save();
    else
        m_main.app().ui().inform(&m_main, QStringLiteral("No document to save."));
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
