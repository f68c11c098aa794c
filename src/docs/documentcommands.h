#pragma once

#include <QObject>
#include <QPointer>

class CommandHost;
class DocumentWindow;

// The document commands of the main window: new windows, Open, and the File
// and Edit commands when the active child window does not answer them itself
// (a child window of another kind counts as no document).
class DocumentCommands : public QObject
{
    Q_OBJECT
public:
    // Registers the commands it serves with the host; owned by the host's widget.
    static DocumentCommands *registerCommands(CommandHost &host);
    static DocumentCommands *of(const QObject *hostWidget);

    explicit DocumentCommands(CommandHost &host);

    // A new empty window captioned "Document " + the next running number.
    DocumentWindow *NewDocumentWindow();
    // The active child window when it is a document window, else null.
    DocumentWindow *activeDocument() const;
    // The window the inventory valuation writes into, captioned "Current
    // Value of Inventory": the open one, left where it is, while it holds
    // only the program's text; else a new one, shown.
    DocumentWindow *valueWindow();

    void open();
    void save();
    void saveAs();
    void print();
    void undo();
    void cut();
    void copy();
    void paste();
    void pasteSpecial();

private:
    CommandHost &m_host;
    QPointer<DocumentWindow> m_valueWindow;
    int m_documentCounter = 0;
};
