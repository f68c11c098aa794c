#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFont>
#include <QString>

class QIODevice;
class QTextDocument;
class QTextDocumentFragment;

// Writes a QTextDocument as RTF 1.x for this program and other word
// processors: font and colour tables, paragraph alignment, indents and
// spacing, character formats, tabs and line breaks. The output is 7-bit
// ASCII (other characters as \uN with an ASCII fallback) in lines of
// readable length.
//
// Lists are written as their bullet or number followed by a tab; pictures
// as PNG; tables as rows of cells with their column widths (a table inside
// a cell as that cell's paragraphs).
class RtfWriter
{
    Q_DECLARE_TR_FUNCTIONS(RtfWriter)

public:
    RtfWriter() = default;

    QByteArray write(const QTextDocument *document) const;
    // For the clipboard. Formats the fragment leaves unset are taken from
    // `defaultFont`, as a document's are from its default font.
    QByteArray write(const QTextDocumentFragment &fragment,
                     const QFont &defaultFont = QFont()) const;
    bool write(const QTextDocument *document, QIODevice *device);

    QString errorString() const { return m_error; }

private:
    QString m_error;
};
