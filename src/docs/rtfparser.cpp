#include "docs/rtfparser_p.h"

namespace RtfRead {

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
        if (m_st.dest == Dest::Text)
            endCell();
        break;
    case Kw::Row:
        if (m_st.dest == Dest::Text)
            endRow();
        break;
    case Kw::InTable: m_st.para.inTable = true; break;
    case Kw::CellX:
        if (m_cellx.size() < size_t(MaxColumns))
            m_cellx.push_back(twips());
        break;
    // Nested tables and merged cells are read as plain cells: a nested
    // table's cells as tab-separated text, its rows as paragraphs of the
    // outer cell; merged cells each as a cell of their own.
    case Kw::NestCell:
        m_rowFlattened = true;
        emitChar(u'\t');
        break;
    case Kw::NestRow:
        if (m_st.dest == Dest::Text)
            paragraphBreak();
        break;
    case Kw::MergedCell: m_rowFlattened = true; break;
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
    case Kw::TRowD: m_cellx.clear(); break;
    case Kw::Up: m_st.chr.vAlign = hasParam && param == 0 ? 0 : 1; break;
    case Kw::Dn: m_st.chr.vAlign = hasParam && param == 0 ? 0 : -1; break;
    }
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

} // namespace RtfRead
