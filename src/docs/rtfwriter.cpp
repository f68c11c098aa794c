#include "docs/rtfwriter.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextImageFormat>
#include <QUrl>

#include <QColor>
#include <QHash>
#include <QIODevice>
#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <tuple>

namespace {

constexpr double TwipsPerPixel = 15.0;
// Lines are broken after a space past SoftLine columns, anywhere past HardLine.
constexpr qsizetype SoftLine = 78;
constexpr qsizetype HardLine = 200;

struct RunProps
{
    int font = 0;
    int halfPoints = 24;
    int fg = 0;
    int bg = 0;
    qint8 vAlign = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

// The character's byte in code page 1252 (the document's \ansicpg), or 0.
unsigned char cp1252Byte(char16_t c)
{
    if ((c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (high[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

char asciiFallback(char16_t c)
{
    switch (c) {
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2212:
        return '-';
    case 0x2018: case 0x2019: case 0x201A: case 0x2032:
        return '\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x2033:
        return '"';
    case 0x2022: case 0x00B7:
        return '*';
    case 0x2026:
        return '.';
    default:
        break;
    }
    const QString d = QChar(c).decomposition();
    if (!d.isEmpty()) {
        const char16_t b = d.at(0).unicode();
        if (b >= 0x20 && b < 0x7F && b != '\\' && b != '{' && b != '}')
            return char(b);
    }
    return '?';
}

class Emitter
{
public:
    explicit Emitter(const QTextDocument *doc) : m_doc(doc), m_default(doc->defaultFont()) {}

    QByteArray run();

private:
    RunProps props(const QTextCharFormat &f);
    RunProps props(int formatIndex, const QTextCharFormat &f);
    int fontIndex(const QString &family);
    int colorIndex(const QBrush &brush);

    void word(const char *w) { m_out += '\\'; m_out += w; m_delim = true; }
    void word(const char *w, int n)
    {
        word(w);
        m_out += QByteArray::number(n);
    }
    void switchTo(const RunProps &p);
    void paragraphStart(const QTextBlock &block, bool inTable);
    // The paragraph's text, without its end.
    void paragraph(const QTextBlock &block, bool inTable);
    void endLine(const char *w);
    void table(const QTextTable *table);
    void text(QStringView s);
    // A one-byte fallback after \uN, written as \'hh.
    void fallback(char byte);
    void picture(const QTextImageFormat &format);
    void wrap(bool afterSpace);
    void escaped(QStringView s); // for the tables: no control words for tab etc.

    const QTextDocument *m_doc;
    QFont m_default;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QHash<int, RunProps> m_props; // by the document's format index
    QList<QColor> m_colors;
    QByteArray m_out;
    qsizetype m_lineStart = 0;
    bool m_delim = false; // a control word awaits its delimiter before text
    RunProps m_cur;
};

int Emitter::fontIndex(const QString &family)
{
    const auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.constEnd())
        return *it;
    m_fonts.append(family);
    m_fontIndex.insert(family, int(m_fonts.size() - 1));
    return int(m_fonts.size() - 1);
}

int Emitter::colorIndex(const QBrush &brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QColor c = brush.color().toRgb();
    // Index 0 is the automatic colour.
    qsizetype i = m_colors.indexOf(c);
    if (i < 0) {
        m_colors.append(c);
        i = m_colors.size() - 1;
    }
    return int(i) + 1;
}

RunProps Emitter::props(const QTextCharFormat &f)
{
    // Unset properties come from the document's default font.
    const QFont font = f.font().resolve(m_default);
    RunProps p;
    const QStringList families = font.families();
    p.font = fontIndex(families.isEmpty() ? font.family() : families.first());
    double pt = font.pointSizeF();
    if (pt <= 0 && font.pixelSize() > 0)
        pt = font.pixelSize() * 0.75;
    p.halfPoints = pt > 0 ? std::max(1, int(std::lround(pt * 2))) : 24;
    p.bold = font.weight() >= QFont::DemiBold;
    p.italic = font.italic();
    p.strike = font.strikeOut();
    if (f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline))
        p.underline = f.underlineStyle() != QTextCharFormat::NoUnderline
                      && f.underlineStyle() != QTextCharFormat::SpellCheckUnderline;
    else
        p.underline = m_default.underline();
    p.fg = colorIndex(f.foreground());
    p.bg = colorIndex(f.background());
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        p.vAlign = 1;
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        p.vAlign = -1;
    return p;
}

// Resolving a format against the default font is the slow part of writing;
// a document has few distinct formats.
RunProps Emitter::props(int formatIndex, const QTextCharFormat &f)
{
    const auto it = m_props.constFind(formatIndex);
    if (it != m_props.constEnd())
        return *it;
    const RunProps p = props(f);
    m_props.insert(formatIndex, p);
    return p;
}

void Emitter::switchTo(const RunProps &p)
{
    if (p.font != m_cur.font)
        word("f", p.font);
    if (p.halfPoints != m_cur.halfPoints)
        word("fs", p.halfPoints);
    if (p.bold != m_cur.bold)
        p.bold ? word("b") : word("b", 0);
    if (p.italic != m_cur.italic)
        p.italic ? word("i") : word("i", 0);
    if (p.underline != m_cur.underline)
        p.underline ? word("ul") : word("ulnone");
    if (p.strike != m_cur.strike)
        p.strike ? word("strike") : word("strike", 0);
    if (p.fg != m_cur.fg)
        word("cf", p.fg);
    if (p.bg != m_cur.bg)
        word("highlight", p.bg);
    if (p.vAlign != m_cur.vAlign)
        word(p.vAlign > 0 ? "super" : p.vAlign < 0 ? "sub" : "nosupersub");
    m_cur = p;
}

void Emitter::paragraphStart(const QTextBlock &block, bool inTable)
{
    const QTextBlockFormat f = block.blockFormat();
    word("pard");
    if (inTable)
        word("intbl");
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        word("qj");
    else if (a & Qt::AlignHCenter)
        word("qc");
    else if (a & (Qt::AlignRight | (block.textDirection() == Qt::LeftToRight ? Qt::AlignTrailing
                                                                              : Qt::AlignLeading)))
        word("qr");
    auto twips = [](double px) { return int(std::lround(px * TwipsPerPixel)); };
    double left = f.leftMargin() + f.indent() * m_doc->indentWidth();
    if (const QTextList *list = block.textList())
        left += list->format().indent() * m_doc->indentWidth();
    if (const int li = twips(left))
        word("li", li);
    if (const int ri = twips(f.rightMargin()))
        word("ri", ri);
    if (const int fi = twips(f.textIndent()))
        word("fi", fi);
    if (const int sb = twips(f.topMargin()))
        word("sb", sb);
    if (const int sa = twips(f.bottomMargin()))
        word("sa", sa);
}

void Emitter::wrap(bool afterSpace)
{
    const qsizetype column = m_out.size() - m_lineStart;
    if (column >= HardLine || (afterSpace && column >= SoftLine)) {
        m_out += '\n';
        m_lineStart = m_out.size();
        m_delim = false;
    }
}

void Emitter::text(QStringView s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s.at(i).unicode();
        // Only whole surrogate pairs are written.
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            word("u", int(c) - 0x10000);
            fallback('?');
            c = s.at(++i).unicode();
        } else if (QChar::isSurrogate(c)) {
            c = QChar::ReplacementCharacter;
        }
        if (c >= 0x20 && c < 0x7F) {
            if (m_delim) {
                m_out += ' ';
                m_delim = false;
            }
            if (c == '\\' || c == '{' || c == '}')
                m_out += '\\';
            m_out += char(c);
            wrap(c == ' ');
            continue;
        }
        switch (c) {
        case u'\t': word("tab"); break;
        case QChar::LineSeparator: word("line"); break;
        case QChar::Nbsp: m_out += "\\~"; m_delim = false; break;
        case QChar::SoftHyphen: m_out += "\\-"; m_delim = false; break;
        case 0x2011: m_out += "\\_"; m_delim = false; break;
        default:
            // Control characters, object and frame markers carry no text.
            if (c < 0x20 || c == 0x7F || c == QChar::ObjectReplacementCharacter || c == 0xFDD0
                || c == 0xFDD1 || c >= 0xFFFE)
                break;
            word("u", c > 0x7FFF ? int(c) - 0x10000 : int(c));
            // The one character a reader without Unicode shows instead, as a
            // hex escape that every reader skips as one (\u181\'b5): its
            // byte in the code page, else a look-alike, else "?".
            if (const unsigned char b = QChar::isLowSurrogate(c) ? 0 : cp1252Byte(c))
                fallback(char(b));
            else
                fallback(QChar::isLowSurrogate(c) ? '?' : asciiFallback(c));
            m_delim = false;
            break;
        }
        wrap(false);
    }
}

void Emitter::picture(const QTextImageFormat &format)
{
    // PNG keeps every picture whole; its size in twips as the document shows it.
    const QVariant resource = m_doc->resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image = resource.value<QImage>();
    if (image.isNull())
        image = resource.value<QPixmap>().toImage();
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const double w = format.width() > 0 ? format.width() : image.width();
    const double h = format.height() > 0 ? format.height() : image.height();
    m_out += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich"
             + QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(qRound(w * 15))
             + "\\pichgoal" + QByteArray::number(qRound(h * 15)) + '\n';
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        m_out += hex.mid(i, 128) + '\n';
    m_out += '}';
    m_lineStart = m_out.size();
    m_delim = false;
}

void Emitter::fallback(char byte)
{
    static const char hex[] = "0123456789abcdef";
    const auto b = static_cast<unsigned char>(byte);
    m_out += "\\'";
    m_out += hex[b >> 4];
    m_out += hex[b & 15];
    m_delim = false;
}

void Emitter::escaped(QStringView s)
{
    // Font names: no control characters or separators of their own.
    QString clean = s.toString();
    clean.remove(QLatin1Char(';'));
    for (QChar &c : clean)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    text(clean);
}

void Emitter::paragraph(const QTextBlock &block, bool inTable)
{
    paragraphStart(block, inTable);
    if (const QTextList *list = block.textList()) {
        QString marker = list->itemText(block);
        if (marker.isEmpty())
            marker = QChar(0x2022);
        switchTo(props(block.charFormatIndex(), block.charFormat()));
        text(marker);
        word("tab");
    }
    bool empty = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid())
            continue;
        const QTextCharFormat format = frag.charFormat();
        empty = false;
        if (format.isImageFormat()) {
            picture(format.toImageFormat());
            continue;
        }
        // A link is a field whose result is the linked text; the group
        // keeps the formats inside it to itself.
        const bool link = format.isAnchor() && !format.anchorHref().isEmpty();
        const RunProps outside = m_cur;
        if (link) {
            m_out += "{\\field{\\*\\fldinst HYPERLINK \"";
            m_delim = false;
            QString href = format.anchorHref();
            href.remove(QLatin1Char('"'));
            text(href);
            m_out += "\"}{\\fldrslt ";
            m_delim = false;
        }
        switchTo(props(frag.charFormatIndex(), format));
        text(frag.text());
        if (link) {
            m_out += "}}";
            m_delim = false;
            m_cur = outside;
        }
    }
    // An empty paragraph's height comes from its mark's format.
    if (empty)
        switchTo(props(block.charFormatIndex(), block.charFormat()));
}

void Emitter::endLine(const char *w)
{
    word(w);
    m_out += '\n';
    m_lineStart = m_out.size();
    m_delim = false;
}

// Each row: its cell boundaries, then each cell's paragraphs, the last one
// ended by \cell. A cell covered by a merged one is written empty; a table
// inside a cell is written as that cell's paragraphs.
void Emitter::table(const QTextTable *table)
{
    const int columns = table->columns();
    const QList<QTextLength> widths = table->format().columnWidthConstraints();
    // Fixed widths as they are; others share the text width of a letter page.
    constexpr int TextWidth = 9360;
    double fixed = 0;
    int open = 0;
    for (int c = 0; c < columns; ++c) {
        if (c < widths.size() && widths.at(c).type() == QTextLength::FixedLength)
            fixed += widths.at(c).rawValue() * TwipsPerPixel;
        else if (c < widths.size() && widths.at(c).type() == QTextLength::PercentageLength)
            fixed += widths.at(c).rawValue() * TextWidth / 100;
        else
            ++open;
    }
    const double share = open ? std::max(360.0, (TextWidth - fixed) / open) : 0;
    QByteArray cellx;
    double right = 0;
    for (int c = 0; c < columns; ++c) {
        if (c < widths.size() && widths.at(c).type() == QTextLength::FixedLength)
            right += widths.at(c).rawValue() * TwipsPerPixel;
        else if (c < widths.size() && widths.at(c).type() == QTextLength::PercentageLength)
            right += widths.at(c).rawValue() * TextWidth / 100;
        else
            right += share;
        cellx += "\\cellx" + QByteArray::number(std::max(c + 1, int(std::lround(right))));
    }
    for (int r = 0; r < table->rows(); ++r) {
        m_out += "\\trowd\\trgaph108" + cellx + '\n';
        m_lineStart = m_out.size();
        m_delim = false;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) {
                word("pard");
                word("intbl");
                endLine("cell");
                continue;
            }
            const QTextBlock last = cell.lastCursorPosition().block();
            for (QTextBlock b = cell.firstCursorPosition().block(); b.isValid(); b = b.next()) {
                paragraph(b, true);
                if (b == last)
                    break;
                endLine("par");
            }
            endLine("cell");
        }
        endLine("row");
    }
}

QByteArray Emitter::run()
{
    // The body first: it finds the fonts and colours the tables need.
    fontIndex(m_default.families().isEmpty() ? m_default.family()
                                             : m_default.families().first());
    // What \plain\f0 means to every reader.
    m_cur = RunProps();
    m_out.reserve(m_doc->characterCount() * 2 + 1024);
    m_out += "\\plain";
    m_delim = true;
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        // The outermost table the paragraph is in, written whole.
        const QTextTable *t = nullptr;
        for (QTextFrame *f = m_doc->frameAt(block.position()); f; f = f->parentFrame())
            if (const auto *inside = qobject_cast<const QTextTable *>(f))
                t = inside;
        if (t) {
            table(t);
            block = m_doc->findBlock(t->lastPosition());
            continue;
        }
        paragraph(block, false);
        endLine("par");
    }
    QByteArray body;
    body.swap(m_out);

    m_out.reserve(body.size() + 1024);
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        m_out += "\n{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        m_lineStart = m_out.size();
        m_delim = false;
        escaped(m_fonts.at(i));
        m_out += ";}";
    }
    m_out += "}\n{\\colortbl;";
    for (const QColor &c : std::as_const(m_colors))
        m_out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green())
                 + "\\blue" + QByteArray::number(c.blue()) + ';';
    m_out += "}\n{\\*\\generator Partwise " + QByteArray::number(PARTWISE_VERSION_MAJOR) + '.'
             + QByteArray::number(PARTWISE_VERSION_MINOR) + '.'
             + QByteArray::number(PARTWISE_VERSION_PATCH) + ";}\n";
    m_out += body;
    m_out += "}\n";
    return m_out;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument *document) const
{
    if (!document)
        return QByteArray();
    return Emitter(document).run();
}

QByteArray RtfWriter::write(const QTextDocumentFragment &fragment, const QFont &defaultFont) const
{
    QTextDocument scratch;
    scratch.setUndoRedoEnabled(false);
    scratch.setDefaultFont(defaultFont);
    QTextCursor(&scratch).insertFragment(fragment);
    return write(&scratch);
}

bool RtfWriter::write(const QTextDocument *document, QIODevice *device)
{
    m_error.clear();
    if (!document || !device || !device->isWritable()) {
        m_error = tr("The document cannot be written: %1")
                      .arg(device ? device->errorString() : tr("no device"));
        return false;
    }
    const QByteArray data = write(document);
    if (device->write(data) != data.size()) {
        m_error = tr("The document cannot be written: %1").arg(device->errorString());
        return false;
    }
    return true;
}
