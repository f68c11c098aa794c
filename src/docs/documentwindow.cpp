#include "docs/documentwindow.h"

#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <memory>

namespace {

// Clipboard formats that carry RTF, in the order they are tried on paste.
const char *const RtfMimeTypes[] = {"text/rtf", "application/rtf", "text/richtext"};

// A text box whose clipboard and drag-and-drop data is RTF with HTML and plain
// text beside it, so that other programs get formatting or plain text, never
// the RTF source as text.
class RichTextBox : public QTextEdit
{
public:
    using QTextEdit::QTextEdit;

protected:
    QMimeData *createMimeDataFromSelection() const override
    {
        const QTextDocumentFragment fragment = textCursor().selection();
        auto data = std::make_unique<QMimeData>();
        const QByteArray rtf = RtfWriter().write(fragment, document()->defaultFont());
        data->setData(QStringLiteral("text/rtf"), rtf);
        data->setData(QStringLiteral("application/rtf"), rtf);
        data->setHtml(fragment.toHtml());
        data->setText(fragment.toPlainText());
        return data.release();
    }

    bool canInsertFromMimeData(const QMimeData *source) const override
    {
        for (const char *type : RtfMimeTypes)
            if (source->hasFormat(QLatin1String(type)))
                return true;
        return QTextEdit::canInsertFromMimeData(source);
    }

    void insertFromMimeData(const QMimeData *source) override
    {
        if (isReadOnly() || !source)
            return;
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        bool done = false;
        for (const char *type : RtfMimeTypes) {
            const QByteArray rtf = source->data(QLatin1String(type));
            if (RtfReader::looksLikeRtf(rtf) && RtfReader().insert(rtf, cursor)) {
                done = true;
                break;
            }
        }
        if (!done && source->hasHtml()) {
            cursor.insertFragment(QTextDocumentFragment::fromHtml(source->html(), document()));
            done = true;
        }
        if (!done && source->hasText()) {
            cursor.insertText(source->text());
            done = true;
        }
        cursor.endEditBlock();
        if (!done) {
            QTextEdit::insertFromMimeData(source);
            return;
        }
        setTextCursor(cursor);
        ensureCursorVisible();
    }
};

// Neither RTF nor text: a NUL byte, or many other control bytes, near its
// start. Text in UTF-16 or UTF-32 starts with its byte order mark.
bool looksBinary(const QByteArray &data)
{
    if (QStringConverter::encodingForData(data))
        return false;
    const QByteArray head = data.left(64 * 1024);
    qsizetype control = 0;
    for (const char ch : head) {
        const auto c = uchar(ch);
        if (c == 0)
            return true;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1a
            && c != 0x1b)
            ++control;
    }
    return control * 20 > head.size();
}

// The name a document read from a text file is proposed to be saved under:
// the same name, RTF's suffix instead of its own.
QString rtfNameFor(const QString &path)
{
    const QFileInfo info(path);
    QString name = info.dir().filePath(info.completeBaseName() + QStringLiteral(".rtf"));
    if (info.suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0 || info.completeBaseName().isEmpty())
        name = path + QStringLiteral(".rtf");
    return name;
}

QString decodePlainText(const QByteArray &data)
{
    const auto encoding = QStringConverter::encodingForData(data).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding);
    QString text = decoder.decode(data);
    // Not UTF-8: an older single-byte file.
    if (decoder.hasError())
        text = QString::fromLatin1(data);
    return text;
}

} // namespace

DocumentWindow::DocumentWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmDocument"));
    rtfText = new RichTextBox(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    rtfText->setAcceptRichText(true);
    setFocusProxy(rtfText);
    // Empty and untouched counts as the program's.
    m_programDocument = document();
    m_programRevision = document()->revision();
}

bool DocumentWindow::supports(StandardAction action) const
{
    return action != StandardAction::New;
}

void DocumentWindow::perform(StandardAction action)
{
    switch (action) {
    case StandardAction::New:
        break;
    case StandardAction::Save:
        save();
        break;
    case StandardAction::SaveAs:
        saveAs();
        break;
    case StandardAction::Print:
        print();
        break;
    case StandardAction::Undo:
        undo();
        break;
    case StandardAction::Cut:
        cut();
        break;
    case StandardAction::Copy:
        copy();
        break;
    case StandardAction::Paste:
        paste();
        break;
    case StandardAction::PasteSpecial:
        pasteUnformatted();
        break;
    }
}

void DocumentWindow::load()
{
    layoutTextBox();
}

QSize DocumentWindow::sizeHint() const
{
    return {Twips::toPixels(6000, this), Twips::toPixels(4000, this)};
}

QTextDocument *DocumentWindow::document() const
{
    return rtfText->document();
}

bool DocumentWindow::isModified() const
{
    return document()->isModified();
}

bool DocumentWindow::hasFileName() const
{
    return caption().left(8) != QLatin1String("Document");
}

void DocumentWindow::setProgramText(const QString &text)
{
    rtfText->setPlainText(text);
    document()->setModified(false);
    m_programDocument = document();
    m_programRevision = document()->revision();
}

bool DocumentWindow::holdsProgramText() const
{
    // Every edit raises the revision; a file read in brings another document.
    return m_programDocument && m_programDocument == document()
           && document()->revision() == m_programRevision;
}

void DocumentWindow::setFontPointSize(qreal points)
{
    QFont font = rtfText->font();
    font.setPointSizeF(points);
    rtfText->setFont(font);
}

void DocumentWindow::resizeEvent(QResizeEvent *event)
{
    ChildWindow::resizeEvent(event);
    layoutTextBox();
}

void DocumentWindow::layoutTextBox()
{
    const int margin = Twips::toPixels(100, this);
    const int width = this->width() - Twips::toPixels(200, this);
    const int height = this->height() - Twips::toPixels(200, this);
    // Too small to hold the box: keep the last layout.
    if (width <= 0 || height <= 0)
        return;
    rtfText->setGeometry(margin, margin, width, height);
    const int rightMargin = width - Twips::toPixels(400, this);
    if (rightMargin > 0) {
        rtfText->setLineWrapMode(QTextEdit::FixedPixelWidth);
        rtfText->setLineWrapColumnOrWidth(rightMargin);
    }
}

void DocumentWindow::reportFileError(const QString &action, const QString &fileName,
                                     const QString &reason)
{
    m_app.ui().message(this,
                       QStringLiteral("Unable to %1 \"%2\": %3")
                           .arg(action, QDir::toNativeSeparators(fileName), reason),
                       UserInterface::programTitle(), UserInterface::Icon::Warning);
}

bool DocumentWindow::openFile(const QString &fileName)
{
    const QString role = m_app.databaseFileRole(fileName);
    if (!role.isEmpty()) {
        reportFileError(QStringLiteral("open"), fileName, QStringLiteral("it is %1, not a document.").arg(role));
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        reportFileError(QStringLiteral("open"), fileName, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reportFileError(QStringLiteral("open"), fileName, file.errorString());
        return false;
    }

    // Read into a fresh document so that a failed read leaves the window as it was.
    const bool rtf = RtfReader::looksLikeRtf(data);
    if (!rtf && looksBinary(data)) {
        reportFileError(QStringLiteral("open"), fileName, QStringLiteral("it is neither RTF nor text."));
        return false;
    }
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(rtfText->font());
    QStringList cannotKeep;
    if (rtf) {
        RtfReader reader;
        if (!reader.read(data, doc.get())) {
            reportFileError(QStringLiteral("open"), fileName, reader.errorString());
            return false;
        }
        cannotKeep = reader.losses().describe();
    } else {
        doc->setUndoRedoEnabled(false);
        doc->setPlainText(decodePlainText(data));
        doc->setUndoRedoEnabled(true);
    }
    doc->setModified(false);

    QPointer<QTextDocument> old = rtfText->document();
    doc->setParent(rtfText);
    rtfText->setDocument(doc.release());
    if (old && old->parent() == rtfText)
        delete old;
    setCaption(fileName);
    m_fromText = !rtf;
    m_cannotKeep = cannotKeep;
    return true;
}

bool DocumentWindow::saveToFile(const QString &fileName)
{
    const QString path = QDir(m_app.programFolder()).absoluteFilePath(fileName);
    const QString role = m_app.databaseFileRole(path);
    if (!role.isEmpty()) {
        reportFileError(QStringLiteral("save"), fileName,
                        QStringLiteral("it is %1; a document is never saved over it.").arg(role));
        return false;
    }
    QSaveFile file(path);
    const QByteArray rtf = RtfWriter().write(document());
    QString reason;
    if (!file.open(QIODevice::WriteOnly))
        reason = file.errorString();
    else if (file.write(rtf) != rtf.size())
        // A short write sets no error: the disk is full or the file too large.
        reason = file.error() != QFileDevice::NoError
                     ? file.errorString()
                     : QStringLiteral("Only part of the document could be written (is the disk full?)");
    else if (!file.commit())
        reason = file.errorString();
    if (!reason.isEmpty()) {
        file.cancelWriting();
        reportFileError(QStringLiteral("save"), fileName, reason);
        return false;
    }
    document()->setModified(false);
    m_cannotKeep.clear();
    return true;
}

bool DocumentWindow::save()
{
    // RTF never replaces the text file the document was read from.
    if (m_fromText)
        return saveAs();
    if (hasFileName() && !m_cannotKeep.isEmpty()) {
        // Saving over the file would lose what was read but not kept.
        const auto answer = m_app.ui().message(
            this,
            QStringLiteral("%1 holds what this program cannot keep:\n- %2\n\nSaving over it "
                           "would lose that. Save under another name instead?")
                .arg(caption(), m_cannotKeep.join(QStringLiteral("\n- "))),
            UserInterface::programTitle(), UserInterface::Icon::Warning,
            UserInterface::Buttons::YesNoCancel);
        if (answer == UserInterface::Answer::Yes)
            return saveAs();
        if (answer != UserInterface::Answer::No)
            return false;
    }
    if (hasFileName())
        return saveToFile(caption());
    const QString fileName = m_app.ui().saveFileName(this, QStringLiteral("Save"), fileFilter());
    if (fileName.isEmpty())
        return false;
    return saveToFile(fileName);
}

bool DocumentWindow::saveAs()
{
    const QString proposed = m_fromText ? rtfNameFor(caption()) : hasFileName() ? caption() : QString();
    const QString fileName =
        m_app.ui().saveFileName(this, QStringLiteral("Save As"), fileFilter(), proposed);
    if (fileName.isEmpty())
        return false;
    // The caption names the file only once it holds the document.
    if (!saveToFile(fileName))
        return false;
    setCaption(fileName);
    m_fromText = false;
    return true;
}

void DocumentWindow::print()
{
    QPrinter printer(QPrinter::HighResolution);
    const QTextCursor cursor = rtfText->textCursor();
    UserInterface::PrintRequest request;
    request.title = QStringLiteral("Print");
    request.hasSelection = cursor.hasSelection();
    if (!m_app.ui().choosePrinter(this, printer, request))
        return;
    if (request.hasSelection && request.printSelection) {
        QTextDocument selection;
        selection.setDefaultFont(document()->defaultFont());
        QTextCursor(&selection).insertFragment(cursor.selection());
        selection.print(&printer);
    } else {
        document()->print(&printer);
    }
}

bool DocumentWindow::maybeSave()
{
    if (!isModified())
        return true;
    const auto answer = m_app.ui().message(
        this, QStringLiteral("Save changes to %1?").arg(caption()), UserInterface::programTitle(),
        UserInterface::Icon::Warning, UserInterface::Buttons::YesNoCancel);
    switch (answer) {
    case UserInterface::Answer::Yes:
        return save();
    case UserInterface::Answer::No:
        return true;
    default:
        return false;
    }
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    if (!maybeClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
}

void DocumentWindow::undo()
{
    rtfText->undo();
}

void DocumentWindow::cut()
{
    rtfText->cut();
}

void DocumentWindow::copy()
{
    rtfText->copy();
}

void DocumentWindow::paste()
{
    rtfText->paste();
}

void DocumentWindow::pasteUnformatted()
{
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty() || rtfText->isReadOnly())
        return;
    QTextCursor cursor = rtfText->textCursor();
    cursor.insertText(text);
    rtfText->setTextCursor(cursor);
}
