#pragma once

// The reader's parser: it walks the groups and control words of RTF
// (rtfparser.cpp) and builds the document from what they say
// (rtfdocumentbuilder.cpp). Internal to the reader.
#include "docs/rtfcodepages.h"
#include "docs/rtfkeywords.h"
#include "docs/rtfreader.h"

#include <QHash>
#include <QImage>
#include <QIODevice>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace RtfRead {

// Twips per device-independent pixel (96 per inch), the unit of QTextFormat
// lengths.
constexpr double TwipsPerPixel = 15.0;
// Indents and spacing are clamped to the widest paper there is.
constexpr int MaxTwips = 22 * 1440;
constexpr int MaxHalfPoints = 3276;
constexpr int MaxUnicodeSkip = 1000;
// Cells past this many in a row join the last one.
constexpr int MaxColumns = 63;

// Characters that would break the document structure if inserted as text.
void sanitize(QString &s);
// Lone surrogates become the replacement character.
void fixSurrogates(QString &s);

struct CharProps
{
    int font = -1; // -1: the \deff font
    int halfPoints = 24;
    int fg = 0;
    int bg = 0;
    qint8 vAlign = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    QString href; // inside a hyperlink's result

    auto key() const
    {
        return std::tie(font, halfPoints, fg, bg, vAlign, bold, italic, underline, strike,
                        hidden, href);
    }
    bool operator==(const CharProps &o) const { return key() == o.key(); }
    bool operator!=(const CharProps &o) const { return !(*this == o); }
};

struct CharPropsHash
{
    size_t operator()(const CharProps &p) const
    {
        return qHashMulti(0, p.font, p.halfPoints, p.fg, p.bg, p.vAlign, p.bold, p.italic,
                          p.underline, p.strike, p.href);
    }
};

// Text of one format within the paragraph being read.
struct Run
{
    QString text;
    QTextCharFormat format;
};

struct ParaProps
{
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    bool inTable = false; // \intbl: the paragraph belongs to a table cell
};

// A paragraph of a table cell, kept until its row ends and the number of
// cells is known.
struct CellPara
{
    QTextBlockFormat block;
    QTextCharFormat mark;
    std::vector<Run> runs;
};
using Cell = std::vector<CellPara>;

enum class Dest : quint8 { Text, Skip, FontTable, ColorTable, FieldInst, Picture };

struct State
{
    CharProps chr;
    ParaProps para;
    Dest dest = Dest::Text;
    int uc = 1;
    // {\upr{ANSI version}{\*\ud{Unicode version}}}: the first is skipped.
    bool upr = false;
};

struct Font
{
    QString name;
    int codePage = 0;
};

// A picture being read.
struct Picture
{
    enum Kind { Unknown, Png, Jpeg } kind = Unknown;
    QByteArray hex;
    QByteArray binary;
    int widthTwips = 0;
    int heightTwips = 0;
};

class Parser
{
public:
    Parser(const QByteArray &data, QTextCursor &cursor, int maxDepth)
        : m_p(data.constData()), m_end(data.constData() + data.size()), m_cursor(cursor),
          m_maxDepth(maxDepth)
    {
    }

    // False only when the nesting limit was hit; everything else is recovered.
    bool run();
    const RtfReader::Losses &losses() const { return m_losses; }
    const QList<QPair<QString, QImage>> &images() const { return m_imageList; }

private:
    void control();
    void controlWord(std::string_view word, bool hasParam, int param);
    bool beginGroup();
    bool endGroup();

    void addByte(uchar b);
    void flushBytes();
    void emitChar(char16_t c);
    void emitLatin1(const char *s, qsizetype n);
    void emitString(QString s);
    template<typename Str> void emitText(Str s);
    void flushText();
    void emitParagraph();
    void insertParagraph(QTextCursor &cursor, bool first, const QTextBlockFormat &block,
                         const QTextCharFormat &mark, const Run *runs, size_t count);
    void endCell();
    void endRow(bool pendingText = true);
    void endTable();
    void paragraphBreak();
    void finish();

    int codePage() const;
    QStringDecoder &decoder(int cp);
    const QTextCharFormat &charFormat(const CharProps &p);
    void formatsChanged();
    QTextBlockFormat blockFormat(const ParaProps &p) const;
    void finishPicture();

    const char *m_p;
    const char *m_end;
    QTextCursor &m_cursor;
    const int m_maxDepth;

    State m_st;
    std::vector<State> m_stack;
    int m_skip = 0; // fallback characters of a \u still to skip
    bool m_star = false;

    int m_docCodePage = 1252;
    int m_deff = 0;
    QHash<int, Font> m_fonts;
    int m_fontEntry = -1; // entry whose name is being read, -1 when done
    QList<QColor> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    QByteArray m_bytes; // code-page bytes not yet decoded
    int m_bytesCodePage = 0;
    bool m_trail = false; // a double-byte lead was the last byte
    std::unordered_map<int, QStringDecoder> m_decoders;

    QString m_text; // text not yet inserted, all in m_textProps
    CharProps m_textProps;
    bool m_surrogates = false;
    // The paragraph is inserted whole at its end, when its format is known.
    std::vector<Run> m_runs;
    size_t m_runCount = 0;
    bool m_firstParagraph = true;
    bool m_paraHasContent = false;

    // Tables: the rows read so far of the table being read and its first
    // row's cell boundaries (\cellx), the cells of the row being read, the
    // paragraphs of the cell being read, the current cell boundaries.
    std::vector<std::vector<Cell>> m_rows;
    std::vector<int> m_tableCellx;
    std::vector<Cell> m_row;
    Cell m_cell;
    std::vector<int> m_cellx;
    bool m_rowFlattened = false; // merged or nested cells read as plain ones

    // One QTextCharFormat per distinct format: building them is slow, and
    // the document hashes a reused one only once.
    std::unordered_map<CharProps, QTextCharFormat, CharPropsHash> m_formats;
    CharProps m_lastProps;
    const QTextCharFormat *m_lastFormat = nullptr;

    QString m_fieldInst; // the instruction of the field being read
    Picture m_picture;
    QList<QPair<QString, QImage>> m_imageList;
    RtfReader::Losses m_losses;
};

} // namespace RtfRead
