#pragma once

#include <QObject>
#include <QPointer>

class DocumentWindow;
class MainWindow;

// The File and Edit commands of the main window that act on the active
// document window, and the creation of document windows. A child window of
// another kind counts as no document.
class DocumentCommands : public QObject
{
    Q_OBJECT
public:
    // Owned by the main window.
    explicit DocumentCommands(MainWindow &main);
    static DocumentCommands *of(const MainWindow &main);

    // A new empty window captioned "Document " + the next running number.
    DocumentWindow *NewDocumentWindow();
    // The active child window when it is a document window, else null.
    DocumentWindow *activeDocument() const;
    // The one window the inventory valuation writes into, captioned "Current
    // Value of Inventory": created and shown when there is none, else the open
    // one, left where it is.
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
    MainWindow &m_main;
    QPointer<DocumentWindow> m_valueWindow;
};
