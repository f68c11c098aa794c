#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QIODevice;
class QTextCursor;
class QTextDocument;

// Reads Rich Text Format into a QTextDocument: whole files for the document
// windows, and clipboard data pasted at a cursor. Never throws and never shows
// anything; a failed read leaves a message in errorString().
//
// What is kept: text (code pages and \u), fonts, sizes, bold, italic,
// underline, strike-out, super/subscript (\super, \sub, \up, \dn), colours,
// paragraph alignment, indents and spacing, tabs and line breaks, PNG and
// JPEG pictures, hyperlinks, tables (rows, cells and column widths; merged
// cells and nested tables are read as plain cells). What cannot be kept
// (objects, other pictures, merged or nested cells) is counted in losses();
// headers, footers, footnotes and style sheets are skipped.
class RtfReader
{
    Q_DECLARE_TR_FUNCTIONS(RtfReader)

public:
    static constexpr int DefaultMaxDepth = 1000;
    static constexpr qint64 DefaultMaxInputSize = qint64(64) * 1024 * 1024;

    RtfReader() = default;

    // Groups nested deeper than this make the read fail instead of growing
    // without bound.
    void setMaxDepth(int depth) { m_maxDepth = depth; }
    int maxDepth() const { return m_maxDepth; }

    // Larger input is refused before anything is parsed.
    void setMaxInputSize(qint64 bytes) { m_maxInputSize = bytes; }
    qint64 maxInputSize() const { return m_maxInputSize; }

    // Replaces the whole content of `document`. Undo history is not recorded
    // for the load and the document is left unmodified. Input refused before
    // parsing (empty, not RTF, too large) leaves the document untouched;
    // damaged RTF leaves it empty.
    bool read(const QByteArray &rtf, QTextDocument *document);
    bool read(QIODevice *device, QTextDocument *document);

    // Inserts at the cursor as one undoable step, as a paste does. On failure
    // the document is not touched.
    bool insert(const QByteArray &rtf, QTextCursor &cursor);

    QString errorString() const { return m_error; }

    // What the last read could not keep.
    struct Losses
    {
        int objects = 0;       // embedded (OLE) objects; their shown picture is kept
        int otherPictures = 0; // metafiles and other pictures that are not PNG or JPEG
        int tableRows = 0;     // table rows whose merged or nested cells were read as plain cells
        bool any() const { return objects + otherPictures + tableRows > 0; }
        // "2 embedded objects", ... one text per kind.
        QStringList describe() const;
    };
    const Losses &losses() const { return m_losses; }

    // True if the data starts like RTF (leading white space allowed).
    static bool looksLikeRtf(const QByteArray &data);

private:
    // `size` of the data when it was not read.
    bool check(const QByteArray &rtf, qint64 size = -1);
    bool parse(const QByteArray &rtf, QTextDocument *document);

    int m_maxDepth = DefaultMaxDepth;
    qint64 m_maxInputSize = DefaultMaxInputSize;
    QString m_error;
    Losses m_losses;
    QList<QPair<QString, QImage>> m_images; // resources of the last read
};
