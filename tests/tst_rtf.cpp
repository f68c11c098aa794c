#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"

#include <QtGui>
#include <QtTest>

namespace {

const QString FixtureDir = QStringLiteral(PARTWISE_FIXTURES "/rtf");
const QString CorpusDir = QStringLiteral(PARTWISE_SOURCE_DIR "/tests/fuzz/corpus");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Text with paragraph and line separators made visible, for exact checks.
QString raw(const QTextDocument &doc)
{
    return doc.toRawText()
        .replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
        .replace(QChar::LineSeparator, QStringLiteral("<br>"));
}

// Paragraph layout in twips, named as in the .checks files.
QString blockProps(const QTextBlockFormat &f)
{
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    auto tw = [](double px) { return QString::number(qRound(px * 15)); };
    return QStringLiteral(" align=%1 left=%2 right=%3 first=%4 before=%5 after=%6 ")
        .arg(a & Qt::AlignJustify ? "justify" : a & Qt::AlignHCenter ? "center" : a & Qt::AlignRight ? "right" : "left",
             tw(f.leftMargin()), tw(f.rightMargin()), tw(f.textIndent()), tw(f.topMargin()), tw(f.bottomMargin()));
}

// One entry per character of the block, in text order: its format as it is
// shown, resolved against the default font.
QStringList charsOf(const QTextBlock &block, const QFont &defaultFont)
{
    QStringList out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        const QFont font = f.font().resolve(defaultFont);
        auto brush = [](const QBrush &b) { return b.style() == Qt::NoBrush ? QStringLiteral("none") : b.color().name(); };
        out.insert(out.size(), it.fragment().length(),
                   QStringLiteral(" family=%1 size=%2 bold=%3 italic=%4 underline=%5 strike=%6 color=%7 background=%8 valign=%9 ")
                       .arg(font.families().value(0, font.family())).arg(font.pointSizeF()).arg(int(font.weight() >= QFont::DemiBold))
                       .arg(int(font.italic())).arg(int(font.underline())).arg(int(font.strikeOut()))
                       .arg(brush(f.foreground()), brush(f.background())).arg(f.verticalAlignment()));
    }
    return out;
}

// Every paragraph's layout and every character with its shown format.
QStringList layout(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        out << "block" + blockProps(b.blockFormat());
        const QStringList chars = charsOf(b, doc.defaultFont());
        for (qsizetype i = 0; i < chars.size(); ++i)
            out << b.text().at(i) + chars.at(i);
    }
    return out;
}

// One line of a .checks file (see fixtures/rtf/README.md).
void runCheck(const QTextDocument &doc, const QString &line)
{
    const QStringList words = QProcess::splitCommand(line);
    const QString what = words.value(0), arg = words.value(1);
    QString have;
    if (what == QLatin1String("blocks")) {
        QCOMPARE(doc.blockCount(), arg.toInt());
    } else if (what == QLatin1String("block")) {
        QVERIFY(doc.findBlockByNumber(arg.toInt()).isValid());
        have = blockProps(doc.findBlockByNumber(arg.toInt()).blockFormat());
    } else {
        QCOMPARE(what, QStringLiteral("text"));
        const QTextCursor found = doc.find(arg, 0, QTextDocument::FindCaseSensitively);
        QVERIFY2(!found.isNull(), qPrintable("not found: " + arg));
        const QStringList chars = charsOf(found.block(), doc.defaultFont()).mid(found.selectionStart() - found.block().position(), arg.size());
        have = chars.at(0);
        QVERIFY2(chars.count(have) == arg.size(), "mixed formats");
    }
    for (const QString &want : words.mid(2))
        QVERIFY2(have.contains(' ' + want + ' '), qPrintable(want + " not in" + have));
}

// The lines of a .cases file, split at '|'.
QList<QList<QByteArray>> cases(const QString &name)
{
    QList<QList<QByteArray>> out;
    for (const QByteArray &line : readAll(FixtureDir + '/' + name).split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        QList<QByteArray> fields = line.split('|');
        for (QByteArray &f : fields)
            f = f.trimmed();
        out << fields;
    }
    return out;
}

// \n, \t, \\ and \uXXXX in expected texts.
QString unescape(const QByteArray &text)
{
    const QString s = QString::fromUtf8(text);
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar e = s.at(i) == '\\' && i + 1 < s.size() ? s.at(i + 1) : QChar();
        const QString sub = e == 'n' ? "\n" : e == 't' ? "\t" : e == '\\' ? "\\" : e == 'u' ? QString(QChar(s.mid(i + 2, 4).toUShort(nullptr, 16))) : QString();
        out += sub.isEmpty() ? QString(s.at(i)) : sub;
        i += sub.isEmpty() ? 0 : e == 'u' ? 5 : 1;
    }
    return out;
}

QByteArray nested(int depth)
{
    return "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}";
}

} // namespace


// What a document holds beyond its text: "text | pictures | links | raised and lowered".
QString holdings(const QTextDocument &doc)
{
    int pictures = 0;
    QStringList links, shifted;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat() && !doc.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())).isNull())
                ++pictures;
            if (f.isAnchor())
                links << f.anchorHref() + "=" + it.fragment().text();
            if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
                shifted << "^" + it.fragment().text();
            if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
                shifted << "_" + it.fragment().text();
        }
    QString text = doc.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return QStringLiteral("%1 | %2 | %3 | %4").arg(text.simplified()).arg(pictures).arg(links.join(',')).arg(shifted.join(','));
}

// The document's tables: "ROWSxCOLUMNS a|*b/c|d¶e" (* a bold cell, ¶ a
// second paragraph), and with `widths` the column widths in twips.
QString tableShapes(const QTextDocument &doc, bool widths = true)
{
    QStringList out;
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        const auto *t = qobject_cast<QTextTable *>(frame);
        if (!t)
            continue;
        QStringList rows, w;
        for (int r = 0; r < t->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < t->columns(); ++c) {
                QTextCursor cursor = t->cellAt(r, c).firstCursorPosition();
                const bool bold = cursor.block().begin().fragment().charFormat().fontWeight() >= QFont::Bold;
                cursor.setPosition(t->cellAt(r, c).lastPosition(), QTextCursor::KeepAnchor);
                cells << (bold ? "*" : "") + cursor.selectedText().replace(QChar::ParagraphSeparator, QString::fromUtf8("¶"));
            }
            rows << cells.join('|');
        }
        for (const QTextLength &l : t->format().columnWidthConstraints())
            w << QString::number(qRound(l.rawValue() * 15));
        out << QStringLiteral("%1x%2 %3").arg(t->rows()).arg(t->columns()).arg(rows.join('/'))
                   + (widths && !w.isEmpty() ? " [" + w.join(',') + "]" : QString());
    }
    return out.join("; ");
}

// A PNG of two red pixels, in hex as RTF carries it.
const QByteArray PngHex = "89504e470d0a1a0a0000000d49484452000000020000000108020000007b40e8dd000000097048597300000ec400000ec401952b0e1b"
                          "0000000f49444154089963fccfc0c0c0c000000608010149b8c2b40000000049454e44ae426082";

class TstRtf : public QObject
{
    Q_OBJECT

private slots:
    // NAME.rtf against the text LibreOffice gives for it and NAME.checks.
    void fixtures_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList files = QDir(FixtureDir).entryList({QStringLiteral("*.rtf")}, QDir::Files);
        QVERIFY(files.size() >= 5);
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << file.chopped(4);
    }

    void fixtures()
    {
        QFETCH(QString, name);
        QTextDocument doc;
        QFile file(FixtureDir + '/' + name + ".rtf");
        QVERIFY(file.open(QIODevice::ReadOnly) && RtfReader().read(&file, &doc));
        QString expected = QString::fromUtf8(readAll(FixtureDir + '/' + name + ".expected.txt"));
        QVERIFY2(!expected.isEmpty(), "missing expected text");
        expected.remove(QChar(0xFEFF)).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (expected.endsWith('\n'))
            expected.chop(1);
        QCOMPARE(raw(doc).replace(QLatin1String("<br>"), QLatin1String("\n")), expected);
        for (const QString &line : QString::fromUtf8(readAll(FixtureDir + '/' + name + ".checks")).split('\n')) {
            if (line.trimmed().isEmpty() || line.startsWith('#'))
                continue;
            runCheck(doc, line);
            if (QTest::currentTestFailed())
                return qWarning("in check: %s", qPrintable(line));
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("html");
        for (const auto &c : cases(QStringLiteral("round-trip.cases")))
            QTest::newRow(c.value(0).constData()) << QString::fromUtf8(c.value(1));
    }

    void roundTrip()
    {
        QFETCH(QString, html);
        QTextDocument source, copy;
        source.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        source.setHtml(html);
        RtfReader reader;
        QVERIFY2(reader.read(RtfWriter().write(&source), &copy), qPrintable(reader.errorString()));
        QCOMPARE(raw(copy), raw(source));
        QCOMPARE(layout(copy), layout(source));
    }

    // One RTF snippet a row and what is read from it: the text, "-" when not
    // checked, "error" when the read must fail; "held: " what the document
    // holds (holdings) or "tables: " its tables (tableShapes), both kept when
    // written and read again (widths the file leaves open are written
    // equal), with what cannot be kept counted.
    void read_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("lost");
        for (const auto &c : cases(QStringLiteral("reading.cases"))) {
            QVERIFY2(c.size() == 3, c.value(0).constData());
            QTest::newRow(c[0].constData()) << c[1] << unescape(c[2]) << QStringList();
        }
        auto row = [](const char *name, const QByteArray &rtf, const QString &expected, const QStringList &lost = {}) {
            QTest::newRow(name) << rtf << expected << lost;
        };
        const QString error = QStringLiteral("error");
        const QByteArray png = PngHex, row2 = "\\trowd\\cellx1000\\cellx3000 ";
        row("raw bytes in 1251", "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}", QString::fromUtf8("При"));
        row("delete characters", "{\\rtf1 a\x7f\\'7f\\u127?b}", "ab");
        row("nul bytes", QByteArray("{\\rtf1 a\0b}", 11), "ab");
        row("white space", " \r\n\t ", error);
        row("byte order mark", "\xef\xbb\xbf{\\rtf1 x}", error);
        row("leading white space", "\r\n  {\\rtf1 x}", "x");
        row("nesting at the limit", nested(RtfReader::DefaultMaxDepth - 1), "x");
        row("nesting beyond the limit", nested(RtfReader::DefaultMaxDepth + 1), error);
        row("unclosed deep nesting", "{\\rtf1 " + QByteArray(100000, '{'), error);
        row("long control word", "{\\rtf1 \\" + QByteArray(100000, 'a') + " x}", "x");
        row("many empty paragraphs", "{\\rtf1 " + QByteArray("\\par").repeated(50000) + "}", "-");
        row("many table rows", "{\\rtf1 " + QByteArray("\\intbl a\\cell\\row").repeated(20000) + "}", "-");
        row("many cells in a row", "{\\rtf1 \\intbl " + QByteArray("\\cell").repeated(50000) + "\\row}", "-");
        row("PNG picture", "{\\rtf1 a{\\pict\\pngblip\\picwgoal300\\pichgoal150 " + png + "}b}", "held: ab | 1 |  | ");
        row("shape picture, its metafile stand-in skipped",
            "{\\rtf1 {\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}}", "held:  | 1 |  | ");
        row("metafile", "{\\rtf1 x{\\pict\\wmetafile8 0102}}", "held: x | 0 |  | ", {"a picture that is not PNG or JPEG (such as a metafile)"});
        row("object, its picture shown", "{\\rtf1 {\\object\\objemb{\\*\\objdata 0102}{\\result shown}}}", "held: shown | 0 |  | ", {"an embedded object"});
        row("hyperlink", "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x.example/a\" }{\\fldrslt here}} now}",
            "held: see here now | 0 | http://x.example/a=here | ");
        row("up and dn", "{\\rtf1 H{\\dn6 2}O x{\\up6 2}}", "held: H2O x2 | 0 |  | _2,^2");
        row("sub and super", "{\\rtf1 H{\\sub 2}O x{\\super 2}}", "held: H2O x2 | 0 |  | _2,^2");
        row("table without \\intbl", "{\\rtf1 \\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row}", "held: a b | 0 |  | ");
        row("merged cells", "{\\rtf1 \\trowd\\clmgf\\cellx100\\clmrg\\cellx200 a\\cell\\cell\\row}", "held: a | 0 |  | ",
            {"a table row's merged or nested cells (they are kept as plain cells)"});
        row("table 2x2", "{\\rtf1 " + row2 + "\\intbl a\\cell {\\b b}\\cell\\row" + row2 + "\\intbl c\\cell d\\par e\\cell\\row}",
            QString::fromUtf8("tables: 2x2 a|*b/c|d¶e [1000,2000]"));
        row("table, text around", "{\\rtf1 x\\par " + row2 + "\\intbl a\\cell b\\cell\\row\\pard y\\par}", "tables: 1x2 a|b [1000,2000]");
        row("table rows of more cells", "{\\rtf1 \\intbl a\\cell\\row\\intbl b\\cell c\\cell\\row}", "tables: 2x2 a|/b|c");
        row("two tables", "{\\rtf1 " + row2 + "\\intbl a\\cell b\\cell\\row\\pard x\\par\\trowd\\cellx500\\intbl c\\cell\\row}",
            "tables: 1x2 a|b [1000,2000]; 1x1 c [500]");
        row("more than 63 cells", "{\\rtf1 \\intbl " + QByteArray("a\\cell ").repeated(64) + "\\row}",
            "tables: 1x63 " + QString("a|").repeated(62) + QString::fromUtf8("a¶a"));
    }

    void read()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QFETCH(QStringList, lost);
        QTextDocument doc, again;
        RtfReader reader;
        const bool ok = reader.read(rtf, &doc);
        QCOMPARE(ok, expected != QLatin1String("error"));
        QCOMPARE(reader.errorString().isEmpty(), ok);
        const bool tables = expected.startsWith("tables: "), kept = tables || expected.startsWith("held: ");
        const auto probe = [&](const QTextDocument &d, bool widths) {
            return tables ? "tables: " + tableShapes(d, widths) : "held: " + holdings(d);
        };
        if (!ok)
            QVERIFY(doc.isEmpty());
        else if (!kept && expected != QLatin1String("-"))
            QCOMPARE(raw(doc), expected);
        if (!kept)
            return;
        QCOMPARE(probe(doc, true), expected);
        QCOMPARE(reader.losses().describe(), lost);
        QVERIFY(RtfReader().read(RtfWriter().write(&doc), &again));
        QCOMPARE(probe(again, expected.contains('[')), expected);
        QCOMPARE(again.toPlainText(), doc.toPlainText());
    }

    // The fuzzer's seed corpus: whatever is read can be written and read again.
    void corpus_data()
    {
        QTest::addColumn<QString>("path");
        const QFileInfoList files = QDir(CorpusDir).entryInfoList(QDir::Files);
        QVERIFY(files.size() >= 10);
        for (const QFileInfo &file : files)
            QTest::newRow(qPrintable(file.fileName())) << file.absoluteFilePath();
    }

    void corpus()
    {
        QFETCH(QString, path);
        QTextDocument doc, again;
        RtfReader reader;
        if (!reader.read(readAll(path), &doc))
            QVERIFY(!reader.errorString().isEmpty());
        QVERIFY(reader.read(RtfWriter().write(&doc), &again));
        QCOMPARE(raw(again), raw(doc));
    }

    void limits()
    {
        QTextDocument doc;
        RtfReader reader;
        reader.setMaxDepth(10);
        QVERIFY(reader.read(nested(9), &doc) && !reader.read(nested(10), &doc));
        QVERIFY(reader.errorString().contains(QLatin1String("10")) && doc.isEmpty()); // nothing half read
        QVERIFY(reader.read("{\\rtf1 y}", &doc)); // usable again after a failure
        QCOMPARE(doc.toPlainText(), QStringLiteral("y"));
        const QByteArray rtf = "{\\rtf1 " + QByteArray(1000, 'a') + "}";
        reader.setMaxInputSize(rtf.size() - 1);
        QBuffer buffer;
        buffer.setData(rtf);
        buffer.open(QIODevice::ReadOnly);
        QVERIFY(!reader.read(rtf, &doc) && !reader.read(&buffer, &doc));
        QCOMPARE(buffer.pos(), 0); // refused before reading
        reader.setMaxInputSize(rtf.size());
        QVERIFY(reader.read(&buffer, &doc));
    }

    // Several paragraphs inserted split the one at the cursor, in one undo
    // step; a selection is replaced; a failed insert changes nothing.
    void insertAtCursor()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("[bold]"));
        QTextCursor cursor(&doc);
        RtfReader reader;
        QVERIFY(reader.insert("{\\rtf1 one\\par\\qc two\\par three}", cursor));
        QCOMPARE(doc.toPlainText(), QStringLiteral("one\ntwo\nthree[bold]"));
        QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        doc.undo();
        QCOMPARE(doc.toPlainText(), QStringLiteral("[bold]"));
        cursor.setPosition(1);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        QVERIFY(reader.insert("{\\rtf1 thin}", cursor));
        reader.setMaxDepth(5);
        QVERIFY(!reader.insert(nested(50), cursor) && !reader.insert("not rtf", cursor));
        QCOMPARE(doc.toPlainText(), QStringLiteral("[thin]"));
    }

    // Written: plain ASCII in short lines, none ending in a backslash (read
    // as \par), braces paired; each character outside ASCII as \uN (N a
    // signed 16-bit number) and one hex-escaped fallback byte (the code
    // page's, else a look-alike, else "?"); read back as it was (broken
    // UTF-16 as the replacement character).
    void write_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("back"); // empty: the text
        auto row = [](const char *name, const char *text, const QByteArray &written, const QString &back = {}) {
            QTest::newRow(name) << QString::fromUtf8(text) << written << back;
        };
        row("below 32768", "<Ж>", "<\\u1046\\'3f>");
        QTest::newRow("32768 is negative") << "<" + QString(QChar(0x8000)) + ">" << QByteArray("<\\u-32768\\'3f>") << QString();
        row("in the code page, before a letter", "<µF>", "<\\u181\\'b5F>");
        row("code page above 0x7f", "<–>", "<\\u8211\\'96>");
        row("look-alike", "<ő>", "<\\u337\\'6f>");
        row("surrogate pair", "<😀>", "<\\u-10179\\'3f\\u-8704\\'3f>");
        QTest::newRow("long lines, braces") << "{\\}\tЖ é\n" + QString("long ").repeated(200) + QString::fromUtf8("漢").repeated(200)
                                            << QByteArray("\\{\\\\\\}") << QString();
        QTest::newRow("broken UTF-16") << QString(QChar(0xD83D)) + QChar(0xDE00) + QChar(0xD83D) + 'x' + QChar(0xDE00)
                                       << QByteArray("x") << QString::fromUtf8("😀\xef\xbf\xbdx\xef\xbf\xbd");
    }

    void write()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QFETCH(QString, back);
        QTextDocument doc, again;
        doc.setPlainText(text);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(RtfWriter().write(&doc, &buffer));
        const QByteArray rtf = buffer.data();
        QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0") && rtf.contains(written), rtf.constData());
        for (const QByteArray &line : rtf.split('\n')) {
            QVERIFY2(line.size() <= 220 && !line.endsWith('\\'), line.constData());
            for (const char c : line)
                QVERIFY(c >= 0x20 && c < 0x7F);
        }
        QCOMPARE(rtf.count('{'), rtf.count('}')); // escaped ones pair up here too
        QVERIFY(RtfReader().read(rtf, &again));
        QCOMPARE(again.toPlainText(), back.isEmpty() ? text : back);
    }

    // Files other programs wrote (LibreOffice, pandoc) are read, written and
    // read again; pandoc takes the written Unicode as it was meant.
    void otherProgramsFiles_data()
    {
        QTest::addColumn<QStringList>("command"); // IN: the HTML file, OUT: the folder; writes OUT/page.rtf
        QTest::newRow("LibreOffice") << QStringList{"soffice", "-env:UserInstallation=file://OUT/profile", "--headless",
                                                    "--infilter=HTML (StarWriter)", "--convert-to", "rtf:Rich Text Format",
                                                    "--outdir", "OUT", "IN"};
        QTest::newRow("pandoc") << QStringList{"pandoc", "-s", "--resource-path", "OUT", "IN", "-o", "OUT/page.rtf"};
    }

    void otherProgramsFiles()
    {
        QFETCH(QStringList, command);
        for (const QString &tool : {command.first(), QStringLiteral("pandoc")})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (test.sh installs it)"));
        QTemporaryDir dir;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QFile html(dir.filePath("page.html"));
        QVERIFY(image.save(dir.filePath("dot.png")) && html.open(QIODevice::WriteOnly));
        // (pandoc 2.17 does not join surrogate pairs, so no emoji here.)
        const QString unicode = QString::fromUtf8("100µF film – Ж é\\x");
        html.write("<html><body><p>" + unicode.toUtf8() + "</p><p>H<sub>2</sub>O and x<sup>2</sup> <a href=\"http://x.example/\">link</a></p>"
                   "<p><img src=\"dot.png\" width=40 height=40></p>"
                   "<table><tr><td>p</td><td><b>q</b></td></tr><tr><td>r</td><td>s</td></tr></table></body></html>");
        html.close();
        for (QString &a : command)
            a.replace("IN", html.fileName()).replace("OUT", dir.path());
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(command.takeFirst(), command);
        QVERIFY(p.waitForFinished(120000));
        QTextDocument doc, again;
        QVERIFY2(RtfReader().read(readAll(dir.filePath("page.rtf")), &doc), qPrintable(p.readAllStandardError()));
        const QString held = holdings(doc);
        QVERIFY2(held.startsWith(unicode + " H2O and x2 link p q r s | 1 | http://x.example/=link | _2,^2"), qPrintable(held));
        QCOMPARE(tableShapes(doc, false), "2x2 p|*q/r|s");
        const QByteArray written = RtfWriter().write(&doc);
        QVERIFY(RtfReader().read(written, &again));
        QCOMPARE(holdings(again), held);
        QCOMPARE(tableShapes(again), tableShapes(doc));
        QProcess pandoc;
        pandoc.start("pandoc", {"-f", "rtf", "-t", "plain"});
        QVERIFY(pandoc.waitForStarted());
        pandoc.write(written);
        pandoc.closeWriteChannel();
        QVERIFY(pandoc.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(pandoc.readAllStandardOutput()).startsWith(unicode + '\n'), "pandoc read another text");
    }
};

QTEST_MAIN(TstRtf)
#include "tst_rtf.moc"
