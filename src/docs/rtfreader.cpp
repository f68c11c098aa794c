#include "docs/rtfparser_p.h"

using RtfRead::Parser;

namespace {

qsizetype rtfStart(const QByteArray &data)
{
    qsizetype i = 0;
    while (i < data.size() && (data.at(i) == ' ' || data.at(i) == '\t' || data.at(i) == '\r'
                               || data.at(i) == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf") ? i : -1;
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray &data)
{
    return rtfStart(data) >= 0;
}

bool RtfReader::check(const QByteArray &rtf, qint64 size)
{
    m_losses = Losses();
    m_images.clear();
    m_error.clear();
    if (size < 0)
        size = rtf.size();
    if (size > m_maxInputSize) {
        m_error = tr("The document is too large to open (%1 bytes; at most %2 can be read).")
                      .arg(size)
                      .arg(m_maxInputSize);
        return false;
    }
    if (rtf.trimmed().isEmpty()) {
        m_error = tr("The document is empty.");
        return false;
    }
    if (!looksLikeRtf(rtf)) {
        m_error = tr("The document is not in Rich Text Format (it does not start with {\\rtf).");
        return false;
    }
    return true;
}

bool RtfReader::parse(const QByteArray &rtf, QTextDocument *document)
{
    const QByteArray data = QByteArray::fromRawData(rtf.constData() + rtfStart(rtf),
                                                    rtf.size() - rtfStart(rtf));
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    Parser parser(data, cursor, m_maxDepth);
    const bool ok = parser.run();
    cursor.endEditBlock();
    m_losses = parser.losses();
    m_images = parser.images();
    if (!ok)
        m_error = tr("The document is damaged: its groups are nested more than %1 levels deep.")
                      .arg(m_maxDepth);
    return ok;
}

bool RtfReader::read(const QByteArray &rtf, QTextDocument *document)
{
    if (!document) {
        m_error = tr("There is no document to read into.");
        return false;
    }
    if (!check(rtf))
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    const bool ok = parse(rtf, document);
    if (!ok)
        document->clear();
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
    return ok;
}

bool RtfReader::read(QIODevice *device, QTextDocument *document)
{
    if (!device || !device->isReadable()) {
        m_error = tr("The document cannot be read: %1")
                      .arg(device ? device->errorString() : tr("no device"));
        return false;
    }
    QByteArray data;
    if (!device->isSequential()) {
        // A file says how large it is: refuse it before reading anything.
        const qint64 size = device->size() - device->pos();
        if (size > m_maxInputSize)
            return check(QByteArray(), size);
        data = device->read(size);
    } else {
        // One byte over the limit is enough to know the data is too large.
        while (data.size() <= m_maxInputSize) {
            const QByteArray chunk = device->read(std::min<qint64>(1 << 20, m_maxInputSize + 1 - data.size()));
            if (chunk.isEmpty())
                break;
            data += chunk;
        }
        if (data.size() > m_maxInputSize)
            return check(QByteArray(), data.size());
    }
    return read(data, document);
}

bool RtfReader::insert(const QByteArray &rtf, QTextCursor &cursor)
{
    if (cursor.isNull()) {
        m_error = tr("There is no document to insert into.");
        return false;
    }
    if (!check(rtf))
        return false;
    QTextDocument scratch;
    scratch.setUndoRedoEnabled(false);
    scratch.setDefaultFont(cursor.document()->defaultFont());
    if (!parse(rtf, &scratch))
        return false;
    for (const auto &[name, image] : std::as_const(m_images))
        cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    cursor.insertFragment(QTextDocumentFragment(&scratch));
    return true;
}

QStringList RtfReader::Losses::describe() const
{
    QStringList out;
    auto add = [&](int n, const char *one, const char *many) {
        if (n > 0)
            out << (n == 1 ? QString::fromLatin1(one) : QString::number(n) + QLatin1Char(' ') + QLatin1String(many));
    };
    add(objects, "an embedded object", "embedded objects");
    add(otherPictures, "a picture that is not PNG or JPEG (such as a metafile)",
        "pictures that are not PNG or JPEG (such as metafiles)");
    add(tableRows, "a table row's merged or nested cells (they are kept as plain cells)",
        "table rows' merged or nested cells (they are kept as plain cells)");
    return out;
}
