#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
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
    QString s = doc.toRawText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QStringLiteral("<br>"));
    return s;
}

// The format at one character, resolved the way it is shown.
struct Shown
{
    QString family;
    double size = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    QString color, background;
    int vAlign = 0;

    bool operator==(const Shown &o) const
    {
        return family == o.family && qFuzzyCompare(size, o.size) && bold == o.bold
               && italic == o.italic && underline == o.underline && strike == o.strike
               && color == o.color && background == o.background && vAlign == o.vAlign;
    }
};

QString describe(const Shown &s)
{
    return QStringLiteral("%1 %2pt%3%4%5%6 fg=%7 bg=%8 v=%9")
        .arg(s.family).arg(s.size)
        .arg(s.bold ? " bold" : "", s.italic ? " italic" : "", s.underline ? " ul" : "",
             s.strike ? " strike" : "", s.color, s.background)
        .arg(s.vAlign);
}

Shown shown(const QTextCharFormat &f, const QFont &defaultFont)
{
    const QFont font = f.font().resolve(defaultFont);
    Shown s;
    s.family = font.families().value(0, font.family());
    s.size = font.pointSizeF();
    s.bold = font.weight() >= QFont::DemiBold;
    s.italic = font.italic();
    s.underline = font.underline();
    s.strike = font.strikeOut();
    if (f.foreground().style() != Qt::NoBrush)
        s.color = f.foreground().color().name();
    if (f.background().style() != Qt::NoBrush)
        s.background = f.background().color().name();
    s.vAlign = f.verticalAlignment();
    return s;
}

// Format of every character of a block (the format at a position is the one
// of the character after it, so walk the fragments).
QList<Shown> shownChars(const QTextBlock &block, const QFont &defaultFont)
{
    QList<Shown> out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const Shown s = shown(it.fragment().charFormat(), defaultFont);
        for (int i = 0; i < it.fragment().length(); ++i)
            out.append(s);
    }
    return out;
}

// Same text, paragraphs and shown formats.
void compareDocuments(const QTextDocument &actual, const QTextDocument &expected)
{
    QCOMPARE(raw(actual), raw(expected));
    QCOMPARE(actual.blockCount(), expected.blockCount());
    QTextBlock a = actual.begin();
    for (QTextBlock e = expected.begin(); e.isValid(); e = e.next(), a = a.next()) {
        const QTextBlockFormat af = a.blockFormat(), ef = e.blockFormat();
        const auto horizontal = Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
        QCOMPARE(af.alignment() & horizontal, ef.alignment() & horizontal);
        QCOMPARE(qRound(af.leftMargin()), qRound(ef.leftMargin()));
        QCOMPARE(qRound(af.rightMargin()), qRound(ef.rightMargin()));
        QCOMPARE(qRound(af.textIndent()), qRound(ef.textIndent()));
        QCOMPARE(qRound(af.topMargin()), qRound(ef.topMargin()));
        QCOMPARE(qRound(af.bottomMargin()), qRound(ef.bottomMargin()));
        const QList<Shown> ac = shownChars(a, actual.defaultFont());
        const QList<Shown> ec = shownChars(e, expected.defaultFont());
        QCOMPARE(ac.size(), ec.size());
        for (qsizetype i = 0; i < ec.size(); ++i) {
            if (!(ac.at(i) == ec.at(i)))
                QFAIL(qPrintable(QStringLiteral("block %1 char %2 (%3): %4, expected %5")
                                     .arg(e.blockNumber()).arg(i).arg(e.text().at(i))
                                     .arg(describe(ac.at(i)), describe(ec.at(i)))));
        }
    }
}

// One line of a .checks file: "blocks N", "block N key=value..." or
// "text "substring" key=value...". Lengths are twips, sizes points.
void runCheck(const QTextDocument &doc, const QString &line)
{
    static const QRegularExpression tokenRe(
        QStringLiteral(R"re((\w+)=(?:"([^"]*)"|(\S+))|"([^"]*)"|(\S+))re"));
    QStringList words;
    QHash<QString, QString> props;
    for (auto m = tokenRe.globalMatch(line); m.hasNext();) {
        const auto t = m.next();
        if (!t.captured(1).isEmpty())
            props.insert(t.captured(1), t.captured(2) + t.captured(3));
        else
            words << t.captured(4) + t.captured(5);
    }
    QVERIFY2(!words.isEmpty(), qPrintable(line));
    const QString what = words.takeFirst();
    if (what == QLatin1String("blocks")) {
        QCOMPARE(doc.blockCount(), words.value(0).toInt());
    } else if (what == QLatin1String("block")) {
        const QTextBlock block = doc.findBlockByNumber(words.value(0).toInt());
        QVERIFY2(block.isValid(), qPrintable(line));
        const QTextBlockFormat f = block.blockFormat();
        for (auto it = props.cbegin(); it != props.cend(); ++it) {
            const QString &v = it.value();
            const QString &k = it.key();
            if (k == QLatin1String("align")) {
                const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
                const QString name = a & Qt::AlignJustify ? "justify"
                                     : a & Qt::AlignHCenter ? "center"
                                     : a & Qt::AlignRight ? "right" : "left";
                QCOMPARE(name, v);
            } else {
                const double px = k == QLatin1String("left")    ? f.leftMargin()
                                  : k == QLatin1String("right") ? f.rightMargin()
                                  : k == QLatin1String("first") ? f.textIndent()
                                  : k == QLatin1String("before") ? f.topMargin()
                                  : k == QLatin1String("after") ? f.bottomMargin() : qQNaN();
                QVERIFY2(!qIsNaN(px), qPrintable("unknown block property " + k));
                QCOMPARE(qRound(px * 15), v.toInt());
            }
        }
    } else if (what == QLatin1String("text")) {
        const QString needle = words.value(0);
        const QTextCursor found = doc.find(needle, 0, QTextDocument::FindCaseSensitively);
        QVERIFY2(!found.isNull(), qPrintable("not found: " + needle));
        const QTextBlock block = found.block();
        const int start = found.selectionStart() - block.position();
        const QList<Shown> chars = shownChars(block, doc.defaultFont());
        const Shown s = chars.at(start);
        for (int i = start; i < start + needle.size(); ++i)
            QVERIFY2(chars.at(i) == s, qPrintable("mixed formats in " + needle));
        for (auto it = props.cbegin(); it != props.cend(); ++it) {
            const QString &k = it.key();
            const QString &v = it.value();
            const bool on = v == QLatin1String("1");
            if (k == QLatin1String("family")) QCOMPARE(s.family, v);
            else if (k == QLatin1String("size")) QCOMPARE(s.size, v.toDouble());
            else if (k == QLatin1String("bold")) QCOMPARE(s.bold, on);
            else if (k == QLatin1String("italic")) QCOMPARE(s.italic, on);
            else if (k == QLatin1String("underline")) QCOMPARE(s.underline, on);
            else if (k == QLatin1String("strike")) QCOMPARE(s.strike, on);
            else if (k == QLatin1String("color")) QCOMPARE(s.color, v == "none" ? QString() : v);
            else QFAIL(qPrintable("unknown text property " + k));
        }
    } else {
        QFAIL(qPrintable("unknown check: " + line));
    }
}

QByteArray nested(int depth)
{
    return "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}";
}

} // namespace

class TstRtf : public QObject
{
    Q_OBJECT

private slots:
    void fixtures_data();
    void fixtures();
    void roundTrip_data();
    void roundTrip();
    void decoding_data();
    void decoding();
    void hostile_data();
    void hostile();
    void corpus_data();
    void corpus();
    void nestingLimitFailsCleanly();
    void inputSizeLimit();
    void insertAtCursor();
    void failedInsertLeavesDocument();
    void fragmentRoundTrip();
    void writerOutputIsPlainAscii();
};

// Every fixtures/rtf/NAME.rtf is read and compared with NAME.expected.txt (the
// text LibreOffice gives for it) and the lines of NAME.checks.
void TstRtf::fixtures_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(FixtureDir).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    QVERIFY(files.size() >= 5);
    for (const QString &file : files) {
        const QString name = file.chopped(4);
        QTest::newRow(qPrintable(name)) << name;
    }
}

void TstRtf::fixtures()
{
    QFETCH(QString, name);
    QTextDocument doc;
    RtfReader reader;
    QFile file(FixtureDir + '/' + name + ".rtf");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(reader.read(&file, &doc), qPrintable(reader.errorString()));

    QString expected = QString::fromUtf8(readAll(FixtureDir + '/' + name + ".expected.txt"));
    QVERIFY2(!expected.isEmpty(), "missing expected text");
    if (expected.startsWith(QChar(0xFEFF)))
        expected.remove(0, 1);
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (expected.endsWith('\n'))
        expected.chop(1);
    // Line breaks are new lines in the expected text, as in LibreOffice's.
    QCOMPARE(raw(doc).replace(QLatin1String("<br>"), QLatin1String("\n")), expected);

    const QString checks = QString::fromUtf8(readAll(FixtureDir + '/' + name + ".checks"));
    for (const QString &line : checks.split('\n')) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        runCheck(doc, line);
        if (QTest::currentTestFailed()) {
            qWarning("in check: %s", qPrintable(line));
            return;
        }
    }
}

// Documents built from HTML survive writer then reader.
void TstRtf::roundTrip_data()
{
    QTest::addColumn<QString>("html");
    QTest::newRow("plain") << "<p>Just some text.</p>";
    QTest::newRow("character formats")
        << "<p>a <b>bold</b> <i>italic</i> <u>under</u> <s>struck</s> "
           "<b><i><u><s>all four</s></u></i></b> end</p>";
    QTest::newRow("families and sizes")
        << "<p><span style='font-family:\"DejaVu Serif\"'>serif</span> "
           "<span style='font-family:\"Liberation Mono\"; font-size:7.5pt'>small mono</span> "
           "<span style='font-size:28pt'>big</span></p>";
    QTest::newRow("colours")
        << "<p><span style='color:#123456'>navy</span> <span style='color:#ff0000'>red</span> "
           "<span style='background-color:#ffff00'>marked</span> "
           "<span style='color:#123456'>navy again</span></p>";
    QTest::newRow("alignment")
        << "<p align=left>left</p><p align=center>centre</p><p align=right>right</p>"
           "<p align=justify>justified</p>";
    QTest::newRow("indents and spacing")
        << "<p style='margin-left:48px; margin-right:24px; text-indent:-24px'>hanging</p>"
           "<p style='margin-top:12px; margin-bottom:6px; text-indent:30px'>spaced</p>";
    QTest::newRow("tabs and line breaks")
        << "<p style='white-space:pre-wrap'>Part\tQty\tBin<br>R1\t100\tA3</p>";
    QTest::newRow("characters RTF escapes")
        << "<p>back\\slash {braces} \\par {\\b not bold} \\u1234? \\'e9</p>";
    QTest::newRow("latin") << QString::fromUtf8("<p>café naïve Zażółć Pijamalı ß Æ</p>");
    QTest::newRow("cyrillic") << QString::fromUtf8("<p>Съешь же ещё этих мягких булок</p>");
    QTest::newRow("greek") << QString::fromUtf8("<p>Ξεσκεπάζω την ψυχοφθόρα βδελυγμία</p>");
    QTest::newRow("cjk") << QString::fromUtf8("<p>日本語 いろは 漢字 한국어 中文</p>");
    QTest::newRow("emoji") << QString::fromUtf8("<p>😀 🔧 ⚡ 👍🏽 x</p>");
    QTest::newRow("symbols")
        << QString::fromUtf8("<p>– — “q” ‘s’ • … € ™ ©&nbsp;&#173;&#8209;</p>");
    QTest::newRow("empty paragraphs") << "<p>a</p><p></p><p></p><p>b</p><p></p>";
    QTest::newRow("single empty paragraph") << "";
    QTest::newRow("super and subscript") << "<p>x<sup>2</sup> H<sub>2</sub>O</p>";
    QTest::newRow("long paragraph")
        << "<p>" + QString("word ").repeated(400) + QString::fromUtf8("Ж").repeated(300)
               + "</p>";
}

void TstRtf::roundTrip()
{
    QFETCH(QString, html);
    QTextDocument source;
    source.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    source.setHtml(html);

    const QByteArray rtf = RtfWriter().write(&source);
    QTextDocument copy;
    RtfReader reader;
    QVERIFY2(reader.read(rtf, &copy), qPrintable(reader.errorString()));
    compareDocuments(copy, source);
}

// Code-page bytes and Unicode escapes; the expected text is raw (paragraphs
// as \n).
void TstRtf::decoding_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const char *rtf, const char *utf8) {
        QTest::newRow(name) << QByteArray(rtf) << QString::fromUtf8(utf8);
    };
    row("ansicpg1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2, \'ec\'e8\'f0!})",
        "Привет, мир!");
    row("raw bytes in 1251", "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}", "При");
    row("fcharset204 in a 1252 document",
        R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fswiss\fcharset204 Arial Cyr;}})"
        R"(caf\'e9 {\f1 \'cf\'f0\'e8\'e2\'e5\'f2} \'e9})",
        "café Привет é");
    row("fcharset0 follows the document code page",
        R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset0 Arial;}}\f0 \'c4\'e0})", "Да");
    row("cpg on a font", R"({\rtf1\ansi{\fonttbl{\f0\cpg1251 Arial;}}\f0 \'c4\'e0})", "Да");
    row("ansicpg1250", R"({\rtf1\ansi\ansicpg1250 \'8a\'e8\'f8})", "Ščř");
    row("fcharset238", R"({\rtf1\ansi{\fonttbl{\f0\fcharset238 Arial CE;}}\f0 \'8a\'e8})", "Šč");
    row("ansicpg1253", R"({\rtf1\ansi\ansicpg1253 \'e1\'e2\'e3 \'c1})", "αβγ Α");
    row("fcharset161", R"({\rtf1\ansi{\fonttbl{\f0\fcharset161 Arial Greek;}}\f0 \'f9})", "ω");
    row("ansicpg1254", R"({\rtf1\ansi\ansicpg1254 \'fe\'f0\'fd})", "şğı");
    row("ansicpg1257", R"({\rtf1\ansi\ansicpg1257 \'e0\'f0\'fe\'fb})", "ąšžū");
    row("ansicpg1255", R"({\rtf1\ansi\ansicpg1255 \'f9\'ec\'e5\'ed})", "שלום");
    row("ansicpg1252 specials", R"({\rtf1\ansi\ansicpg1252 \'80 \'93x\'94 \'85})", "€ “x” …");
    row("mac", R"({\rtf1\mac \'8a\'8e})", "äé");
    row("pc", R"({\rtf1\pc \'82\'81})", "éü");
    row("unknown code page falls back", R"({\rtf1\ansi\ansicpg99999 \'e9})", "é");
    row("shift-jis", R"({\rtf1\ansi\ansicpg932 \'82\'a0\'93\'fa\'96\'7b})", "あ日本");
    row("shift-jis trail bytes as text",
        R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 MS Mincho;}}\f0 \'83\\\'96\{\'83A})", "ソ本ア");
    row("gbk", R"({\rtf1\ansi\ansicpg936 \'d6\'d0\'ce\'c4})", "中文");
    row("unicode with fallback", R"({\rtf1 \u1055?\u1088?\u1080?})", "При");
    row("uc0", R"({\rtf1\uc0 \u1055\u1088 x})", "Прx");
    row("uc2 skips two", R"({\rtf1\uc2 \u1055??\u1088\'3f\'3fx})", "Прx");
    row("fallback hex byte", R"({\rtf1 \u233\'e9t\u233\'e9})", "été");
    row("fallback control word", R"({\rtf1 \u8212\emdash x})", "—x");
    row("skipping stops at group end", R"({\rtf1 {\uc3\u233 a}b})", "éb");
    row("uc is scoped", R"({\rtf1 {\uc0\u233}\u233 xy})", "ééy");
    row("negative unicode", R"({\rtf1 \u-4064?})", "\xef\x80\xa0");
    row("surrogate pair", R"({\rtf1 \u-10179?\u-8704?!})", "😀!");
    row("surrogate pair with uc0 like LibreOffice", R"({\rtf1 \uc0 \u55357\uc1 \u56832\'3f.})",
        "😀.");
    row("lone surrogate", R"({\rtf1 \u-10179?x})", "\xef\xbf\xbdx");
    row("lone surrogate after a format change", R"({\rtf1 a{\b\u-10179?}b})",
        "a\xef\xbf\xbd" "b");
    row("symbols", R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
        "—–•‘’“”");
    row("special spaces and hyphens", R"({\rtf1 a\~b\-c\_d})", "a\xc2\xa0" "b\xc2\xad" "c‑d");
    row("tab line and par", R"({\rtf1 a\tab b\line c\par d})", "a\tb<br>c\nd");
    row("escaped characters", R"({\rtf1 \\ \{ \}})", "\\ { }");
    row("last paragraph mark makes no block", R"({\rtf1 one\par two\par})", "one\ntwo");
    row("empty paragraphs kept", R"({\rtf1 one\par\par\par two})", "one\n\n\ntwo");
    row("control characters dropped", R"({\rtf1 a\u0?\'00\'0d\u8233?b})", "a<br>b");
    row("delete characters dropped", "{\\rtf1 a\x7f\\'7f\\u127?b}", "ab");
    row("font name in code page",
        R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 \'c0\'f0\'e8\'e0\'eb;}}\f0 x})", "x");
    row("table cells", R"({\rtf1 \trowd a\cell b\cell\row c})", "a\tb\nc");
    row("skipped destinations",
        R"({\rtf1{\info{\title T}{\author A}}{\stylesheet{\s0 Normal;}}{\header H}{\footer F})"
        R"({\*\unknown u}{\*\bkmkstart b}{\pict\pngblip 89504e47}{\object{\*\objdata 0102}})"
        R"({\*\fldinst HYPERLINK "x"}{\fldrslt link} a\bin4 {}\ z{\footnote note}})",
        "link az");
    row("unicode alternative", R"({\rtf1 {\upr{\'e9te}{\*\ud{\u233?t\u233?}}}!})", "été!");
    row("hidden text", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd");
}

void TstRtf::decoding()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument doc;
    RtfReader reader;
    QVERIFY2(reader.read(rtf, &doc), qPrintable(reader.errorString()));
    QCOMPARE(raw(doc), expected);
}

// Damaged and hostile input: a clear error or a sane document, quickly.
void TstRtf::hostile_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected"); // raw text when ok; null: not checked

    auto row = [](const char *name, const QByteArray &rtf, bool ok, const char *text = nullptr) {
        QTest::newRow(name) << rtf << ok << (text ? QString::fromUtf8(text) : QString());
    };
    row("empty", "", false);
    row("white space", " \r\n\t ", false);
    row("plain text", "Hello, world", false);
    row("html", "<html><body>{\\rtf1 x}</body></html>", false);
    row("byte order mark", "\xef\xbb\xbf{\\rtf1 x}", false);
    row("header only", "{\\rtf", true, "");
    row("leading white space", "\r\n  {\\rtf1 x}", true, "x");
    row("missing closing brace", "{\\rtf1 abc", true, "abc");
    row("many missing closing braces", "{\\rtf1 {\\b abc {\\i def\\par ghi", true, "abc def\nghi");
    row("extra closing braces", "{\\rtf1 abc}}}} trailing", true, "abc");
    row("unbalanced inside", "{\\rtf1 a{b}}c{d}", true, "ab");
    row("nesting at the limit", nested(RtfReader::DefaultMaxDepth - 1), true, "x");
    row("nesting beyond the limit", nested(RtfReader::DefaultMaxDepth + 1), false);
    row("nesting far beyond the limit", nested(200000), false);
    row("unclosed deep nesting", "{\\rtf1 " + QByteArray(100000, '{'), false);
    row("huge bin", "{\\rtf1 a\\bin2147483647 xyz}", true, "a");
    row("huge bin overflowing", "{\\rtf1 a\\bin99999999999999999999 xyz}", true, "a");
    row("negative bin", "{\\rtf1 a\\bin-5 bc}", true, "abc");
    row("bin data with braces", "{\\rtf1 a\\bin3 }}}b}", true, "ab");
    row("truncated unicode", "{\\rtf1 a\\u", true, "a");
    row("truncated unicode sign", "{\\rtf1 a\\u-", true, nullptr);
    row("truncated unicode digits", "{\\rtf1 a\\u12", true, "a");
    row("truncated hex", "{\\rtf1 a\\'4", true, "a");
    row("bad hex", "{\\rtf1 a\\'zz}", true, "azz");
    row("trailing backslash", "{\\rtf1 a\\", true, "a");
    row("garbage control words", "{\\rtf1 \\qqqq\\zzzz123 text\\x\\y-7\\z}", true, "text");
    row("very long control word", "{\\rtf1 \\" + QByteArray(100000, 'a') + " x}", true, "x");
    row("huge parameters",
        "{\\rtf1 \\fs99999999999999999999 \\li-99999999999999\\fi99999999999 \\cf-3 \\f-1 x}",
        true, "x");
    row("huge uc", "{\\rtf1 {\\uc2147483647\\u65 abcdef}g}", true, "Ag");
    row("nul bytes", QByteArray("{\\rtf1 a\0b}", 11), true, "ab");
    row("bad colour table", "{\\rtf1{\\colortbl;\\red999\\green-5;;;}{\\cf1 x\\cf99 y}}", true, "xy");
    row("font table without separators", "{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1}\\f2}\\f1 x}", true,
        "x");
    row("star without destination", "{\\rtf1 \\*a{\\*}b}", true, nullptr);
    row("many paragraphs of nothing", "{\\rtf1 " + QByteArray("\\par").repeated(50000) + "}",
        true, nullptr);
}

void TstRtf::hostile()
{
    QFETCH(QByteArray, rtf);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    QTextDocument doc;
    RtfReader reader;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(reader.read(rtf, &doc), ok);
    QVERIFY2(timer.elapsed() < 5000, "took too long");
    if (ok) {
        QVERIFY(reader.errorString().isEmpty());
        if (!expected.isNull())
            QCOMPARE(raw(doc), expected);
    } else {
        QVERIFY(!reader.errorString().isEmpty());
        QVERIFY(doc.isEmpty());
    }
}

// The fuzzer's seed corpus, replayed in the normal build.
void TstRtf::corpus_data()
{
    QTest::addColumn<QString>("path");
    const QFileInfoList files = QDir(CorpusDir).entryInfoList(QDir::Files);
    QVERIFY(files.size() >= 10);
    for (const QFileInfo &file : files)
        QTest::newRow(qPrintable(file.fileName())) << file.absoluteFilePath();
}

void TstRtf::corpus()
{
    QFETCH(QString, path);
    const QByteArray data = readAll(path);
    QTextDocument doc;
    RtfReader reader;
    if (!reader.read(data, &doc))
        QVERIFY(!reader.errorString().isEmpty());
    // Whatever was read can be written and read again.
    QTextDocument again;
    QVERIFY(reader.read(RtfWriter().write(&doc), &again));
    QCOMPARE(raw(again), raw(doc));
}

void TstRtf::nestingLimitFailsCleanly()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old text"));
    RtfReader reader;
    reader.setMaxDepth(10);
    QVERIFY(reader.read(nested(9), &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("x"));
    QVERIFY(!reader.read(nested(10), &doc));
    QVERIFY(reader.errorString().contains(QLatin1String("10")));
    QVERIFY(doc.isEmpty());
    // The reader is usable again after a failure.
    QVERIFY(reader.read("{\\rtf1 y}", &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("y"));
}

void TstRtf::inputSizeLimit()
{
    const QByteArray rtf = "{\\rtf1 " + QByteArray(1000, 'a') + "}";
    RtfReader reader;
    reader.setMaxInputSize(rtf.size());
    QTextDocument doc;
    QVERIFY(reader.read(rtf, &doc));

    reader.setMaxInputSize(rtf.size() - 1);
    QVERIFY(!reader.read(rtf, &doc));
    QVERIFY(!reader.errorString().isEmpty());

    // A file that is too large is not read at all.
    QBuffer buffer;
    buffer.setData(rtf);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(!reader.read(&buffer, &doc));
    QCOMPARE(buffer.pos(), 0);
    reader.setMaxInputSize(rtf.size());
    QVERIFY(reader.read(&buffer, &doc));
}

void TstRtf::insertAtCursor()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("Hello world"));
    QTextCursor cursor(&doc);
    cursor.setPosition(6);
    RtfReader reader;
    QVERIFY(reader.insert("{\\rtf1 {\\b big} }", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("Hello big world"));
    QVERIFY(doc.find(QStringLiteral("big")).charFormat().fontWeight() >= QFont::Bold);
    QVERIFY(doc.find(QStringLiteral("world")).charFormat().fontWeight() < QFont::Bold);

    // Several paragraphs split the paragraph at the cursor; one undo step.
    cursor.setPosition(0);
    QVERIFY(reader.insert("{\\rtf1 one\\par\\qc two\\par three}", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("one\ntwo\nthreeHello big world"));
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    doc.undo();
    QCOMPARE(doc.toPlainText(), QStringLiteral("Hello big world"));

    // A selection is replaced.
    cursor.setPosition(6);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    QVERIFY(reader.insert("{\\rtf1 small}", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("Hello small world"));
}

void TstRtf::failedInsertLeavesDocument()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("keep me"));
    QTextCursor cursor(&doc);
    cursor.setPosition(4);
    RtfReader reader;
    reader.setMaxDepth(5);
    QVERIFY(!reader.insert(nested(50), cursor));
    QVERIFY(!reader.insert("not rtf", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("keep me"));
}

// Copy from one document, paste into another.
void TstRtf::fragmentRoundTrip()
{
    QTextDocument source;
    source.setHtml(QStringLiteral("<p>plain <b>bold</b> <span style='color:#00ff00'>green</span></p>"
                                  "<p align=right>second</p>"));
    QTextCursor selection(&source);
    selection.setPosition(6);
    selection.setPosition(source.find(QStringLiteral("sec")).selectionEnd(),
                          QTextCursor::KeepAnchor);
    const QByteArray rtf = RtfWriter().write(selection.selection(), source.defaultFont());

    QTextDocument target;
    target.setPlainText(QStringLiteral("[]"));
    QTextCursor cursor(&target);
    cursor.setPosition(1);
    QVERIFY(RtfReader().insert(rtf, cursor));
    QCOMPARE(target.toPlainText(), QStringLiteral("[bold green\nsec]"));
    QVERIFY(target.find(QStringLiteral("bold")).charFormat().fontWeight() >= QFont::Bold);
    QCOMPARE(target.find(QStringLiteral("green")).charFormat().foreground().color(),
             QColor(0, 255, 0));
}

void TstRtf::writerOutputIsPlainAscii()
{
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8("<p>{\\}</p><p>Ж 😀 é\t</p><p>") + QString("long ").repeated(200)
                + QString::fromUtf8("漢").repeated(200) + "</p>");
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    QVERIFY(writer.write(&doc, &buffer));
    const QByteArray rtf = buffer.data();
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    QVERIFY(rtf.contains("\\{\\\\\\}"));
    for (const QByteArray &line : rtf.split('\n')) {
        QVERIFY2(line.size() <= 220, line.constData());
        QVERIFY2(!line.endsWith('\\'), "a line ending in a backslash reads as \\par");
        for (const char c : line)
            QVERIFY(c >= 0x20 && c < 0x7F);
    }
    QCOMPARE(rtf.count('{'), rtf.count('}')); // escaped ones pair up here too

    // Broken UTF-16 is written as the replacement character.
    doc.setPlainText(QString(QChar(0xD83D)) + QChar(0xDE00) + QChar(0xD83D) + 'x' + QChar(0xDE00));
    QTextDocument copy;
    QVERIFY(RtfReader().read(RtfWriter().write(&doc), &copy));
    QCOMPARE(copy.toPlainText(), QString::fromUtf8("😀\xef\xbf\xbdx\xef\xbf\xbd"));
}

QTEST_MAIN(TstRtf)
#include "tst_rtf.moc"
