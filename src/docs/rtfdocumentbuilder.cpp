#include "docs/rtfparser_p.h"

namespace RtfRead {

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

void Parser::insertParagraph(QTextCursor &cursor, bool first, const QTextBlockFormat &block,
                             const QTextCharFormat &mark, const Run *runs, size_t count)
{
    if (first) {
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(mark);
    } else {
        cursor.insertBlock(block, mark);
    }
    for (size_t i = 0; i < count; ++i)
        cursor.insertText(runs[i].text, runs[i].format);
}

// The final paragraph mark of a file makes no empty paragraph after it:
// a paragraph is only inserted once it is ended or has text. A paragraph
// of a table cell waits for its row.
void Parser::emitParagraph()
{
    const QTextBlockFormat block = blockFormat(m_st.para);
    const QTextCharFormat &mark = charFormat(m_st.chr);
    if (m_st.para.inTable) {
        CellPara para{block, mark, {}};
        for (size_t i = 0; i < m_runCount; ++i)
            para.runs.push_back(std::move(m_runs[i]));
        m_runCount = 0;
        m_cell.push_back(std::move(para));
        return;
    }
    // A row left without \row ends where the text outside the table starts.
    if (!m_row.empty() || !m_cell.empty())
        endRow(false);
    endTable();
    insertParagraph(m_cursor, m_firstParagraph, block, mark, m_runs.data(), m_runCount);
    m_firstParagraph = false;
    for (size_t i = 0; i < m_runCount; ++i)
        m_runs[i].text.resize(0);
    m_runCount = 0;
}

void Parser::endCell()
{
    flushBytes();
    flushText();
    // "a\par\cell" (as pandoc writes) is a cell of one paragraph: its last
    // \par ended it.
    if (m_runCount > 0 || m_paraHasContent || m_cell.empty()) {
        const bool inTable = m_st.para.inTable;
        m_st.para.inTable = true;
        emitParagraph();
        m_st.para.inTable = inTable;
    }
    m_row.push_back(std::move(m_cell));
    m_cell.clear();
    m_paraHasContent = false;
}

// `pendingText`: the text read since the last \cell is the row's last cell.
void Parser::endRow(bool pendingText)
{
    flushBytes();
    flushText();
    if (pendingText && (m_runCount > 0 || !m_cell.empty())) {
        endCell();
    } else if (!m_cell.empty()) {
        m_row.push_back(std::move(m_cell));
        m_cell.clear();
    }
    if (m_row.empty())
        return;
    if (m_rowFlattened)
        ++m_losses.tableRows;
    m_rowFlattened = false;
    if (m_rows.empty())
        m_tableCellx = m_cellx;
    m_rows.push_back(std::move(m_row));
    m_row.clear();
}

// The rows read are inserted at once: a table grown row by row rebuilds its
// grid each time.
void Parser::endTable()
{
    if (m_rows.empty())
        return;
    size_t widest = 0;
    for (const auto &row : m_rows)
        widest = std::max(widest, row.size());
    const int columns = int(std::min<size_t>(widest, MaxColumns));
    QTextTableFormat format;
    format.setCellPadding(2);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setBorder(1);
    if (m_tableCellx.size() == size_t(columns)) {
        QList<QTextLength> widths;
        int left = 0;
        for (const int x : m_tableCellx) {
            if (x <= left) {
                widths.clear();
                break;
            }
            widths.append(QTextLength(QTextLength::FixedLength, (x - left) / TwipsPerPixel));
            left = x;
        }
        format.setColumnWidthConstraints(widths);
    }
    QTextTable *table = m_cursor.insertTable(int(m_rows.size()), columns, format);
    for (size_t r = 0; r < m_rows.size(); ++r) {
        for (size_t c = 0; c < m_rows[r].size(); ++c) {
            QTextCursor cursor =
                table->cellAt(int(r), std::min(int(c), columns - 1)).lastCursorPosition();
            bool first = int(c) < columns;
            for (const CellPara &para : m_rows[r][c]) {
                insertParagraph(cursor, first, para.block, para.mark, para.runs.data(),
                                para.runs.size());
                first = false;
            }
        }
    }
    m_rows.clear();
    // The empty paragraph after the table takes what follows.
    m_cursor.setPosition(table->lastPosition() + 1);
    m_firstParagraph = true;
}

void Parser::paragraphBreak()
{
    flushBytes();
    flushText();
    emitParagraph();
    m_paraHasContent = false;
}

void Parser::finish()
{
    flushBytes();
    flushText();
    if (m_runCount > 0 && !m_st.para.inTable)
        emitParagraph();
    else if (m_runCount > 0 || !m_cell.empty() || !m_row.empty())
        endRow();
    endTable();
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

template void Parser::emitText<QStringView>(QStringView s);
template void Parser::emitText<QLatin1StringView>(QLatin1StringView s);

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

} // namespace RtfRead
