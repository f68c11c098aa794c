#include "docs/rtfreader.h"

#include <QHash>
#include <QImage>
#include <QTextImageFormat>
#include <QUrl>
#include <QIODevice>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

// Twips per device-independent pixel (96 per inch), the unit of QTextFormat
// lengths.
constexpr double TwipsPerPixel = 15.0;
// Indents and spacing are clamped to the widest paper there is.
constexpr int MaxTwips = 22 * 1440;
constexpr int MaxHalfPoints = 3276;
constexpr int MaxUnicodeSkip = 1000;
// Symbol fonts number their glyphs, not characters (Windows calls it CP 42).
constexpr int SymbolCodePage = 42;

enum class Kw : quint8 {
    Unknown,
    // Destinations.
    SkipDest, KnownDest, FontTable, ColorTable, Upr,
    // Document and tables.
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Fcharset, Cpg, Red, Green, Blue, Bin, U, Uc,
    // Character formats.
    Plain, F, Fs, B, I, Ul, UlNone, Strike, Cf, Bg, Super, Sub, NoSuperSub, Hidden,
    // Paragraphs.
    Pard, Par, Ql, Qr, Qc, Qj, Li, Ri, Fi, Sb, Sa, Cell, Row, Page,
    // A single character (the table gives it).
    Char,
    // Fields, pictures, objects, table rows, raised and lowered text.
    Field, FldInst, FldRslt, Pict, PngBlip, JpegBlip, PicWGoal, PicHGoal, Object, TRowD, Up, Dn,
};

struct Keyword
{
    Kw kw;
    char16_t ch = 0;
};

const std::unordered_map<std::string_view, Keyword> &keywords()
{
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t;
        // Groups whose content is not document text. Those written with \* are
        // skipped anyway; these also occur without it.
        for (const char *name :
             {"aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn",
              "atnid", "atnparent", "atnref", "atntime", "author", "bkmkend", "bkmkstart",
              "buptim", "category", "comment", "company", "creatim", "datafield", "docvar",
              "doccomm", "falt", "ffdeftext", "ffformat", "ffhelptext", "ffname", "ffstattext",
              "file", "filetbl", "footer", "footerf", "footerl", "footerr",
              "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl",
              "headerr", "info", "keywords", "listoverridetable", "listtable", "manager",
              "nonshppict", "objclass", "objdata", "objname", "operator", "panose",
              "pn", "pntxta", "pntxtb", "printim", "private", "revtbl", "revtim",
              "rxe", "shp", "shpinst", "stylesheet", "subject", "tc", "template",
              "title", "txe", "xe"})
            t.emplace(name, Keyword{Kw::SkipDest});
        // Destinations whose text is shown.
        for (const char *name : {"listtext", "pntext", "result", "ud", "shppict"})
            t.emplace(name, Keyword{Kw::KnownDest});
        // Fields (hyperlinks), pictures and what cannot be kept.
        const std::pair<const char *, Kw> kept[] = {
            {"field", Kw::Field}, {"fldinst", Kw::FldInst}, {"fldrslt", Kw::FldRslt},
            {"pict", Kw::Pict}, {"pngblip", Kw::PngBlip}, {"jpegblip", Kw::JpegBlip},
            {"picwgoal", Kw::PicWGoal}, {"pichgoal", Kw::PicHGoal}, {"object", Kw::Object},
            {"trowd", Kw::TRowD}, {"up", Kw::Up}, {"dn", Kw::Dn}};
        for (const auto &[name, kw] : kept)
            t.emplace(name, Keyword{kw});
        t.emplace("upr", Keyword{Kw::Upr});

        const std::pair<const char *, Kw> words[] = {
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable},
            {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
            {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"fcharset", Kw::Fcharset},
            {"cpg", Kw::Cpg}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
            {"bin", Kw::Bin}, {"u", Kw::U}, {"uc", Kw::Uc},
            {"plain", Kw::Plain}, {"f", Kw::F}, {"fs", Kw::Fs}, {"b", Kw::B}, {"i", Kw::I},
            {"ul", Kw::Ul}, {"uld", Kw::Ul}, {"uldash", Kw::Ul}, {"uldashd", Kw::Ul},
            {"uldashdd", Kw::Ul}, {"uldb", Kw::Ul}, {"ulhwave", Kw::Ul}, {"ulldash", Kw::Ul},
            {"ulth", Kw::Ul}, {"ulthd", Kw::Ul}, {"ulthdash", Kw::Ul}, {"ulthdashd", Kw::Ul},
            {"ulthdashdd", Kw::Ul}, {"ulthldash", Kw::Ul}, {"ululdbwave", Kw::Ul},
            {"ulw", Kw::Ul}, {"ulwave", Kw::Ul}, {"ulnone", Kw::UlNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"cf", Kw::Cf}, {"cb", Kw::Bg},
            {"highlight", Kw::Bg}, {"chcbpat", Kw::Bg}, {"super", Kw::Super},
            {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"v", Kw::Hidden},
            {"pard", Kw::Pard}, {"par", Kw::Par}, {"ql", Kw::Ql}, {"qr", Kw::Qr},
            {"qc", Kw::Qc}, {"qj", Kw::Qj}, {"qd", Kw::Qj}, {"li", Kw::Li}, {"ri", Kw::Ri},
            {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa}, {"cell", Kw::Cell},
            {"nestcell", Kw::Cell}, {"row", Kw::Row}, {"nestrow", Kw::Row},
            {"page", Kw::Page}, {"sect", Kw::Page},
        };
        for (const auto &[name, kw] : words)
            t.emplace(name, Keyword{kw});

        const std::pair<const char *, char16_t> chars[] = {
            {"line", 0x2028}, {"lbr", 0x2028}, {"tab", u'\t'}, {"emdash", 0x2014},
            {"endash", 0x2013}, {"emspace", 0x2003}, {"enspace", 0x2002},
            {"qmspace", 0x2005}, {"bullet", 0x2022}, {"lquote", 0x2018},
            {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
            {"zwj", 0x200D}, {"zwnj", 0x200C}, {"zwbo", 0x200B}, {"ltrmark", 0x200E},
            {"rtlmark", 0x200F},
        };
        for (const auto &[name, ch] : chars)
            t.emplace(name, Keyword{Kw::Char, ch});
        return t;
    }();
    return table;
}

// Windows code page of an \fcharset; 0 means the document's own.
int codePageForCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    case 2: return SymbolCodePage;
    default: return 0; // ANSI, default and unknown charsets
    }
}

bool isDoubleByte(int cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
}

bool isLeadByte(int cp, uchar b)
{
    if (cp == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return isDoubleByte(cp) && b >= 0x81 && b <= 0xFE;
}

QStringDecoder makeDecoder(int cp)
{
    QList<QByteArray> names;
    switch (cp) {
    case SymbolCodePage: names << "ISO-8859-1"; break;
    case 10000: names << "macintosh"; break;
    case 10006: names << "x-mac-greek"; break;
    case 10007: names << "x-mac-cyrillic"; break;
    case 10029: names << "x-mac-centraleurroman"; break;
    case 10081: names << "x-mac-turkish"; break;
    case 20866: names << "KOI8-R"; break;
    case 21866: names << "KOI8-U"; break;
    case 936: names << "GBK"; break;
    case 1361: names << "johab"; break;
    case 65001: names << "UTF-8"; break;
    default:
        if (cp >= 28591 && cp <= 28606)
            names << "ISO-8859-" + QByteArray::number(cp - 28590);
        else if (cp < 1000)
            names << "IBM" + QByteArray::number(cp);
        names << "windows-" + QByteArray::number(cp) << "cp" + QByteArray::number(cp);
    }
    names << "windows-1252";
    for (const QByteArray &name : std::as_const(names)) {
        QStringDecoder d(name.constData(), QStringDecoder::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    // Qt without ICU knows no Windows code pages.
    return QStringDecoder(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
}

// Characters that would break the document structure if inserted as text.
void sanitize(QString &s)
{
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0x7F)
            c = QChar(0xFFFF);
        else if (u == QChar::ParagraphSeparator)
            c = QChar::LineSeparator;
        else if (u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter
                 || u == 0xFFFE) // frame and object markers of QTextDocument
            c = QChar(0xFFFF);
    }
    s.remove(QChar(0xFFFF));
}

void fixSurrogates(QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        else if (s.at(i).isSurrogate())
            s[i] = QChar::ReplacementCharacter;
    }
}

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
};

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
    bool m_cellTab = false;

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

bool Parser::run()
{
    while (m_p < m_end) {
        const uchar c = uchar(*m_p);
        if (c == '{') {
            ++m_p;
            if (!beginGroup())
                return false;
        } else if (c == '}') {
            ++m_p;
            if (endGroup())
                return true;
        } else if (c == '\\') {
            ++m_p;
            control();
        } else if (c == '\r' || c == '\n') {
            ++m_p;
        } else if (m_skip > 0) {
            --m_skip;
            ++m_p;
        } else if (m_trail || c >= 0x80) {
            addByte(c);
            ++m_p;
        } else if (c < 0x20 || c == 0x7F) {
            if (c == '\t')
                emitChar(u'\t');
            ++m_p;
        } else {
            const char *start = m_p;
            while (m_p < m_end) {
                const uchar d = uchar(*m_p);
                if (d < 0x20 || d >= 0x7F || d == '\\' || d == '{' || d == '}')
                    break;
                ++m_p;
            }
            emitLatin1(start, m_p - start);
        }
    }
    // Truncated input: keep what was read.
    finish();
    return true;
}

bool Parser::beginGroup()
{
    flushBytes();
    if (int(m_stack.size()) >= m_maxDepth)
        return false;
    m_stack.push_back(m_st);
    if (m_st.upr) {
        m_stack.back().upr = false; // later groups are the Unicode version
        m_st.upr = false;
        m_st.dest = Dest::Skip;
    }
    m_skip = 0;
    m_star = false;
    return true;
}

// True when the outermost group has closed.
bool Parser::endGroup()
{
    flushBytes();
    m_skip = 0;
    m_star = false;
    if (m_st.dest == Dest::FontTable)
        m_fontEntry = -1;
    if (m_st.dest == Dest::Picture && !m_stack.empty() && m_stack.back().dest != Dest::Picture) {
        m_st = m_stack.back(); // the picture goes where its group stands
        m_stack.pop_back();
        finishPicture();
        if (m_stack.empty()) {
            finish();
            return true;
        }
        return false;
    }
    if (m_stack.size() <= 1) {
        finish();
        return true;
    }
    m_st = m_stack.back();
    m_stack.pop_back();
    return false;
}

void Parser::control()
{
    if (m_p >= m_end)
        return;
    const uchar c = uchar(*m_p);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        const char *word = m_p;
        while (m_p < m_end && ((*m_p >= 'a' && *m_p <= 'z') || (*m_p >= 'A' && *m_p <= 'Z')))
            ++m_p;
        const std::string_view name(word, size_t(m_p - word));
        bool negative = false;
        if (m_end - m_p >= 2 && *m_p == '-' && m_p[1] >= '0' && m_p[1] <= '9') {
            negative = true;
            ++m_p;
        }
        bool hasParam = false;
        qint64 value = 0;
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            hasParam = true;
            if (value < 100000000000LL) // enough digits to clamp, no overflow
                value = value * 10 + (*m_p - '0');
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        if (negative)
            value = -value;
        value = std::clamp<qint64>(value, -2147483647, 2147483647);
        controlWord(name, hasParam, int(value));
        return;
    }

    ++m_p;
    if (c == '\'') {
        auto hex = [](char h) {
            if (h >= '0' && h <= '9') return h - '0';
            if (h >= 'a' && h <= 'f') return h - 'a' + 10;
            if (h >= 'A' && h <= 'F') return h - 'A' + 10;
            return -1;
        };
        if (m_end - m_p < 2) {
            m_p = m_end;
            return;
        }
        const int hi = hex(m_p[0]);
        const int lo = hex(m_p[1]);
        if (hi < 0 || lo < 0)
            return; // the digits are read as text
        m_p += 2;
        if (m_skip > 0)
            --m_skip;
        else
            addByte(uchar(hi * 16 + lo));
        return;
    }
    if (c == '*') {
        m_star = true;
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        if (m_trail) // second byte of a double-byte character
            addByte(c);
        else
            emitChar(c);
        break;
    case '~': emitChar(0x00A0); break;
    case '-': emitChar(0x00AD); break;
    case '_': emitChar(0x2011); break;
    case '\r':
    case '\n':
        if (m_st.dest == Dest::Text)
            paragraphBreak();
        break;
    default:
        break; // \| \: and others without use here
    }
}

void Parser::controlWord(std::string_view word, bool hasParam, int param)
{
    flushBytes();
    const bool star = m_star;
    m_star = false;
    Keyword k{Kw::Unknown};
    if (word.size() <= 32) {
        const auto &table = keywords();
        if (const auto it = table.find(word); it != table.end())
            k = it->second;
    }

    if (k.kw == Kw::Bin) {
        // Raw data, skipped wherever it is; counts as one fallback character.
        const qint64 n = std::min<qint64>(std::max(param, 0), m_end - m_p);
        if (m_st.dest == Dest::Picture && m_skip == 0)
            m_picture.binary.append(m_p, n);
        m_p += n;
        if (m_skip > 0)
            --m_skip;
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (m_st.dest == Dest::Skip)
        return;
    if (star && k.kw != Kw::KnownDest && k.kw != Kw::FontTable && k.kw != Kw::ColorTable
        && k.kw != Kw::Upr && k.kw != Kw::FldInst) {
        m_st.dest = Dest::Skip;
        return;
    }

    const bool on = !hasParam || param != 0;
    auto twips = [param] { return std::clamp(param, -MaxTwips, MaxTwips); };

    switch (k.kw) {
    case Kw::Unknown:
    case Kw::KnownDest:
        break;
    case Kw::SkipDest:
        m_st.dest = Dest::Skip;
        break;
    case Kw::Upr:
        m_st.upr = true;
        break;
    case Kw::FontTable:
        m_st.dest = Dest::FontTable;
        m_fontEntry = -1;
        formatsChanged();
        break;
    case Kw::ColorTable:
        m_st.dest = Dest::ColorTable;
        m_colors.clear();
        m_red = m_green = m_blue = -1;
        formatsChanged();
        break;
    case Kw::Ansi: m_docCodePage = 1252; break;
    case Kw::Mac: m_docCodePage = 10000; break;
    case Kw::Pc: m_docCodePage = 437; break;
    case Kw::Pca: m_docCodePage = 850; break;
    case Kw::AnsiCpg:
        if (param > 0)
            m_docCodePage = param;
        break;
    case Kw::Deff:
        m_deff = param;
        formatsChanged();
        break;
    case Kw::F:
        if (m_st.dest == Dest::FontTable) {
            m_fontEntry = param;
            m_fonts[param] = Font();
        } else {
            m_st.chr.font = param;
        }
        break;
    case Kw::Fcharset:
        if (m_st.dest == Dest::FontTable && m_fonts.contains(m_fontEntry)
            && m_fonts[m_fontEntry].codePage == 0)
            m_fonts[m_fontEntry].codePage = codePageForCharset(param);
        break;
    case Kw::Cpg:
        if (m_st.dest == Dest::FontTable && m_fonts.contains(m_fontEntry) && param > 0)
            m_fonts[m_fontEntry].codePage = param;
        break;
    case Kw::Red: m_red = std::clamp(param, 0, 255); break;
    case Kw::Green: m_green = std::clamp(param, 0, 255); break;
    case Kw::Blue: m_blue = std::clamp(param, 0, 255); break;
    case Kw::Bin: break; // handled above
    case Kw::U: {
        int v = param < 0 ? param + 65536 : param;
        if (v < 0 || v > 0xFFFF)
            v = QChar::ReplacementCharacter;
        emitChar(char16_t(v));
        // After emitChar: a format change there flushes and clears the flag.
        if (QChar::isSurrogate(char16_t(v)))
            m_surrogates = true;
        m_skip = m_st.uc;
        break;
    }
    case Kw::Uc: m_st.uc = std::clamp(param, 0, MaxUnicodeSkip); break;
    case Kw::Plain: m_st.chr = CharProps(); break;
    case Kw::Fs: m_st.chr.halfPoints = hasParam ? std::clamp(param, 1, MaxHalfPoints) : 24; break;
    case Kw::B: m_st.chr.bold = on; break;
    case Kw::I: m_st.chr.italic = on; break;
    case Kw::Ul: m_st.chr.underline = on; break;
    case Kw::UlNone: m_st.chr.underline = false; break;
    case Kw::Strike: m_st.chr.strike = on; break;
    case Kw::Cf: m_st.chr.fg = param; break;
    case Kw::Bg: m_st.chr.bg = param; break;
    case Kw::Super: m_st.chr.vAlign = 1; break;
    case Kw::Sub: m_st.chr.vAlign = -1; break;
    case Kw::NoSuperSub: m_st.chr.vAlign = 0; break;
    case Kw::Hidden: m_st.chr.hidden = on; break;
    case Kw::Pard: m_st.para = ParaProps(); break;
    case Kw::Par:
        if (m_st.dest == Dest::Text)
            paragraphBreak();
        break;
    case Kw::Ql: m_st.para.align = Qt::AlignLeft; break;
    case Kw::Qr: m_st.para.align = Qt::AlignRight; break;
    case Kw::Qc: m_st.para.align = Qt::AlignHCenter; break;
    case Kw::Qj: m_st.para.align = Qt::AlignJustify; break;
    case Kw::Li: m_st.para.left = twips(); break;
    case Kw::Ri: m_st.para.right = twips(); break;
    case Kw::Fi: m_st.para.first = twips(); break;
    case Kw::Sb: m_st.para.before = twips(); break;
    case Kw::Sa: m_st.para.after = twips(); break;
    case Kw::Cell:
        // Table cells become tab-separated text.
        emitChar(u'\t');
        m_cellTab = true;
        break;
    case Kw::Row:
        ++m_losses.tableRows;
        if (m_cellTab && m_text.endsWith(u'\t'))
            m_text.chop(1);
        if (m_st.dest == Dest::Text)
            paragraphBreak();
        break;
    case Kw::Page:
        // Page and section breaks also end a paragraph, but do not make an
        // empty one of their own.
        if (m_st.dest == Dest::Text && m_paraHasContent)
            paragraphBreak();
        break;
    case Kw::Char:
        emitChar(k.ch);
        break;
    case Kw::Field:
        m_fieldInst.clear();
        break;
    case Kw::FldInst:
        m_st.dest = Dest::FieldInst;
        m_fieldInst.clear();
        break;
    case Kw::FldRslt: {
        // HYPERLINK "address" (switches such as \l may follow).
        const QString inst = m_fieldInst.trimmed();
        if (inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) {
            QString rest = inst.mid(9).trimmed();
            QString address;
            if (rest.startsWith(QLatin1Char('"')))
                address = rest.mid(1).section(QLatin1Char('"'), 0, 0);
            else
                address = rest.section(QLatin1Char(' '), 0, 0);
            m_st.chr.href = address;
        }
        break;
    }
    case Kw::Pict:
        m_st.dest = Dest::Picture;
        m_picture = Picture();
        break;
    case Kw::PngBlip: m_picture.kind = Picture::Png; break;
    case Kw::JpegBlip: m_picture.kind = Picture::Jpeg; break;
    case Kw::PicWGoal: m_picture.widthTwips = std::clamp(param, 0, MaxTwips); break;
    case Kw::PicHGoal: m_picture.heightTwips = std::clamp(param, 0, MaxTwips); break;
    case Kw::Object: ++m_losses.objects; break;
    case Kw::TRowD: break;
    case Kw::Up: m_st.chr.vAlign = hasParam && param == 0 ? 0 : 1; break;
    case Kw::Dn: m_st.chr.vAlign = hasParam && param == 0 ? 0 : -1; break;
    }
}

void Parser::finishPicture()
{
    QImage image;
    const QByteArray data =
        m_picture.binary.isEmpty() ? QByteArray::fromHex(m_picture.hex) : m_picture.binary;
    if (m_picture.kind == Picture::Unknown) {
        ++m_losses.otherPictures; // a metafile, a bitmap of the old kind
        return;
    }
    if (!image.loadFromData(data, m_picture.kind == Picture::Png ? "PNG" : "JPEG")) {
        ++m_losses.otherPictures;
        return;
    }
    if (m_st.dest != Dest::Text)
        return;
    // Unique in the run, so that a pasted picture meets no other of its name.
    static int counter = 0;
    const QString name = QStringLiteral("rtf-image-%1").arg(++counter);
    m_imageList.append({name, image});
    m_cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    if (m_picture.widthTwips > 0 && m_picture.heightTwips > 0) {
        format.setWidth(m_picture.widthTwips / TwipsPerPixel);
        format.setHeight(m_picture.heightTwips / TwipsPerPixel);
    }
    flushBytes();
    flushText();
    if (m_runCount == m_runs.size())
        m_runs.emplace_back();
    Run &run = m_runs[m_runCount++];
    run.text = QString(QChar::ObjectReplacementCharacter);
    run.format = format;
    m_paraHasContent = true;
}

int Parser::codePage() const
{
    const int font = m_st.dest == Dest::FontTable ? m_fontEntry
                     : m_st.chr.font < 0          ? m_deff
                                                  : m_st.chr.font;
    const auto it = m_fonts.constFind(font);
    return it != m_fonts.constEnd() && it->codePage ? it->codePage : m_docCodePage;
}

QStringDecoder &Parser::decoder(int cp)
{
    auto it = m_decoders.find(cp);
    if (it == m_decoders.end())
        it = m_decoders.emplace(cp, makeDecoder(cp)).first;
    return it->second;
}

void Parser::addByte(uchar b)
{
    if (m_st.dest == Dest::Skip || m_st.dest == Dest::ColorTable) {
        m_trail = false;
        return;
    }
    const int cp = codePage();
    if (!m_bytes.isEmpty() && cp != m_bytesCodePage)
        flushBytes();
    m_bytesCodePage = cp;
    m_bytes.append(char(b));
    if (m_trail)
        m_trail = false;
    else
        m_trail = isLeadByte(cp, b);
}

void Parser::flushBytes()
{
    m_trail = false;
    if (m_bytes.isEmpty())
        return;
    QString s = decoder(m_bytesCodePage).decode(m_bytes);
    // Latin-1 keeps Symbol glyphs visible; its bullet is the one list
    // markers use.
    if (m_bytesCodePage == SymbolCodePage)
        s.replace(QChar(0xB7), QChar(0x2022));
    m_bytes.resize(0); // keeps the capacity, unlike clear()
    emitString(std::move(s));
}

void Parser::emitChar(char16_t c)
{
    if (c < 0x20 || c == 0x7F || c == 0xFDD0 || c == 0xFDD1 || c == QChar::ParagraphSeparator
        || c == QChar::ObjectReplacementCharacter || c >= 0xFFFE) {
        QString s(1, QChar(c));
        emitString(s);
        return;
    }
    if (!m_bytes.isEmpty())
        flushBytes();
    emitText(QStringView(&c, 1));
}

void Parser::emitLatin1(const char *s, qsizetype n)
{
    if (!m_bytes.isEmpty())
        flushBytes();
    emitText(QLatin1StringView(s, n));
}

void Parser::emitString(QString s)
{
    sanitize(s);
    if (!s.isEmpty())
        emitText(QStringView(s));
}

template<typename Str>
void Parser::emitText(Str s)
{
    switch (m_st.dest) {
    case Dest::Text:
        if (m_st.chr.hidden)
            return;
        if (m_st.chr != m_textProps) {
            flushText();
            m_textProps = m_st.chr;
        }
        m_text.append(s);
        m_paraHasContent = true;
        m_cellTab = false;
        return;
    case Dest::FontTable: {
        if (m_fontEntry < 0)
            return;
        auto it = m_fonts.find(m_fontEntry);
        if (it == m_fonts.end())
            return;
        const qsizetype semi = s.indexOf(QLatin1Char(';'));
        it->name.append(semi < 0 ? s : s.left(semi));
        if (semi >= 0) {
            it->name = it->name.trimmed();
            m_fontEntry = -1;
        }
        return;
    }
    case Dest::ColorTable:
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s.at(i) != QLatin1Char(';'))
                continue;
            // An entry without components is "automatic": no colour.
            m_colors.append(m_red < 0 && m_green < 0 && m_blue < 0
                                ? QColor()
                                : QColor(std::max(m_red, 0), std::max(m_green, 0),
                                         std::max(m_blue, 0)));
            m_red = m_green = m_blue = -1;
        }
        return;
    case Dest::FieldInst:
        m_fieldInst.append(s);
        return;
    case Dest::Picture:
        for (qsizetype i = 0; i < s.size(); ++i) {
            const char16_t c = s.at(i).unicode();
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
                m_picture.hex.append(char(c));
        }
        return;
    case Dest::Skip:
        return;
    }
}

void Parser::flushText()
{
    if (m_text.isEmpty())
        return;
    if (m_surrogates) {
        fixSurrogates(m_text);
        m_surrogates = false;
    }
    if (m_runCount == m_runs.size())
        m_runs.emplace_back();
    Run &run = m_runs[m_runCount++];
    run.text.swap(m_text);
    run.format = charFormat(m_textProps);
    m_text.resize(0);
}

// The final paragraph mark of a file makes no empty paragraph after it:
// a paragraph is only inserted once it is ended or has text.
void Parser::emitParagraph()
{
    const QTextBlockFormat block = blockFormat(m_st.para);
    const QTextCharFormat &mark = charFormat(m_st.chr);
    if (m_firstParagraph) {
        m_cursor.setBlockFormat(block);
        m_cursor.setBlockCharFormat(mark);
        m_firstParagraph = false;
    } else {
        m_cursor.insertBlock(block, mark);
    }
    for (size_t i = 0; i < m_runCount; ++i) {
        m_cursor.insertText(m_runs[i].text, m_runs[i].format);
        m_runs[i].text.resize(0);
    }
    m_runCount = 0;
}

void Parser::paragraphBreak()
{
    flushBytes();
    flushText();
    emitParagraph();
    m_paraHasContent = false;
    m_cellTab = false;
}

void Parser::finish()
{
    flushBytes();
    flushText();
    if (m_runCount > 0)
        emitParagraph();
}

void Parser::formatsChanged()
{
    m_formats.clear();
    m_lastFormat = nullptr;
}

const QTextCharFormat &Parser::charFormat(const CharProps &p)
{
    if (m_lastFormat && p == m_lastProps)
        return *m_lastFormat;
    const auto known = m_formats.find(p);
    if (known != m_formats.end()) {
        m_lastProps = p;
        m_lastFormat = &known->second;
        return known->second;
    }
    QTextCharFormat f;
    const auto font = m_fonts.constFind(p.font < 0 ? m_deff : p.font);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        f.setFontFamilies({font->name});
    f.setFontPointSize(p.halfPoints / 2.0);
    if (p.bold)
        f.setFontWeight(QFont::Bold);
    if (p.italic)
        f.setFontItalic(true);
    if (p.underline)
        f.setFontUnderline(true);
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.fg > 0 && p.fg < m_colors.size() && m_colors.at(p.fg).isValid())
        f.setForeground(m_colors.at(p.fg));
    if (p.bg > 0 && p.bg < m_colors.size() && m_colors.at(p.bg).isValid())
        f.setBackground(m_colors.at(p.bg));
    if (p.vAlign)
        f.setVerticalAlignment(p.vAlign > 0 ? QTextCharFormat::AlignSuperScript
                                            : QTextCharFormat::AlignSubScript);
    if (!p.href.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(p.href);
    }
    m_lastProps = p;
    m_lastFormat = &m_formats.emplace(p, f).first->second;
    return *m_lastFormat;
}

QTextBlockFormat Parser::blockFormat(const ParaProps &p) const
{
    QTextBlockFormat f;
    if (p.align != Qt::AlignLeft)
        f.setAlignment(p.align);
    if (p.left)
        f.setLeftMargin(p.left / TwipsPerPixel);
    if (p.right)
        f.setRightMargin(p.right / TwipsPerPixel);
    if (p.first)
        f.setTextIndent(p.first / TwipsPerPixel);
    if (p.before)
        f.setTopMargin(p.before / TwipsPerPixel);
    if (p.after)
        f.setBottomMargin(p.after / TwipsPerPixel);
    return f;
}

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
    add(tableRows, "the layout of a table row (its cells are kept as text)",
        "table rows' layout (their cells are kept as text)");
    return out;
}
