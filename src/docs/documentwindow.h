#pragma once

#include <QStringList>

#include "ui/childwindow.h"

#include <QPointer>
#include <QString>

class QTextDocument;
class QTextEdit;

// A rich-text document inside the main window. Its caption is "Document n"
// until it has been opened from or saved under a file name; after that the
// caption is the file name.
class DocumentWindow : public ChildWindow
{
    Q_OBJECT
public:
    // The filter of the open and save dialogs.
    static QString fileFilter() { return QStringLiteral("All Files (*.*)"); }
    // The caption of the one window the inventory valuation writes into.
    static QString valueCaption() { return QStringLiteral("Current Value of Inventory"); }

    explicit DocumentWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
    bool supports(StandardAction action) const override;
    void perform(StandardAction action) override;
    QSize sizeHint() const override;
    // The text box follows the window's size: tiling may make it small.
    QSize leastTiledSize() const override { return minimumSizeHint(); }

    QTextEdit *textBox() const { return rtfText; }
    QTextDocument *document() const;
    bool isModified() const;

    QString caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }
    // While the caption starts with "Document", Save asks for a file name.
    bool hasFileName() const;

    // Text the program writes: replaces the content and is not a change the
    // user would be asked to save.
    void setProgramText(const QString &text);
    // True while the window holds only what the program put there (or
    // nothing): the user has not typed into it or opened a file into it.
    bool holdsProgramText() const;
    void setFontPointSize(qreal points);

    // Reads a file into the window (RTF, or plain text when it is not RTF)
    // and takes its name as caption. A file that cannot be read, a binary
    // file and the inventory database's files are refused with a message
    // and leave the window as it was.
    bool openFile(const QString &fileName);
    // Writes the document as RTF; a bare name is a file in the program
    // folder. The previous file stays intact when this fails; the failure is
    // reported. Never writes over the inventory database's files.
    bool saveToFile(const QString &fileName);
    // File > Save: asks for a name while the window has none, and keeps the
    // caption. A document read from a text file is saved through Save As
    // instead, so that the text file is not rewritten as RTF. False when
    // cancelled or failed.
    bool save();
    // File > Save As: the caption becomes the chosen name once it is saved.
    bool saveAs();
    // File > Print: the selection or the whole document.
    void print();
    // Before unsaved changes are dropped: asks whether to save them. True when
    // it is fine to go on.
    bool maybeSave();

    void undo();
    void cut();
    void copy();
    void paste();
    // Pastes the clipboard's plain text, without its formatting.
    void pasteUnformatted();

    bool isClosing() const { return m_closing; }

protected:
    bool canClose() override { return maybeSave(); }
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void layoutTextBox();
    void reportFileError(const QString &action, const QString &fileName, const QString &reason);

    QTextEdit *rtfText = nullptr;
    bool m_closing = false;
    // The document and its revision as the program last wrote them.
    QPointer<QTextDocument> m_programDocument;
    int m_programRevision = -1;
    bool m_fromText = false; // read from a file that is not RTF
    // What the file held that this window cannot keep: a save over it loses it.
    QStringList m_cannotKeep;
};
