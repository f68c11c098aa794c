// Reading and writing a large RTF document: file bytes to QTextDocument, and
// QTextDocument to bytes to file. Makes bench_rtf.rtf (about 5 MB) in the
// current folder.
#include "benchsupport.h"
#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

namespace {

constexpr qsizetype TargetSize = 5 * 1000 * 1000;

// Paragraphs in the mix a stock-room note has: several fonts, sizes,
// emphasis, colour, tabs, accented and Cyrillic text, varied alignment.
QByteArray makeRtf()
{
    QByteArray rtf;
    rtf.reserve(TargetSize + 4096);
    rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
           "{\\fonttbl{\\f0\\fswiss\\fcharset0 DejaVu Sans;}{\\f1\\froman\\fcharset0 DejaVu Serif;}"
           "{\\f2\\fmodern\\fcharset0 DejaVu Sans Mono;}{\\f3\\fswiss\\fcharset204 Arial Cyr;}}\n"
           "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green96\\blue160;}\n"
           "{\\info{\\title Bench}}\n";
    static const char *const aligns[] = {"\\ql", "\\qj", "\\qc", "\\qr"};
    for (int i = 0; rtf.size() < TargetSize; ++i) {
        rtf += "\\pard";
        rtf += aligns[i % 4];
        if (i % 3 == 0)
            rtf += "\\li720\\fi-360";
        rtf += "\\sa120\\plain\\f" + QByteArray::number(i % 2) + "\\fs" + QByteArray::number(20 + 2 * (i % 5));
        rtf += " Line " + QByteArray::number(i) + ": {\\b part R" + QByteArray::number(1000 + i)
               + "}\\tab {\\i 10\\~k\\u937?, 0.25 W}\\tab \\cf2 low stock\\cf0 , reorder from "
                 "{\\ul Caf\\'e9 Electronique}; {\\f3 \\'ef\\'ee\\'f1\\'f2\\'e0\\'e2\\'f9\\'e8\\'ea} "
                 "\\u8212? {\\f2\\fs18 bin A" + QByteArray::number(i % 40)
               + "} and some plain words to make the paragraph wrap over a couple of lines "
                 "in an ordinary window width.\\line {\\strike old note} \\cf3 checked\\cf0 .\\par\n";
    }
    rtf += "}\n";
    return rtf;
}

double elapsedMs(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::headless();
    QGuiApplication app(argc, argv);

    const QString inPath = QStringLiteral("bench_rtf.rtf");
    const QString outPath = QStringLiteral("bench_rtf_written.rtf");
    {
        QFile f(inPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(makeRtf()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(inPath));
            return 1;
        }
    }

    QTextDocument doc;
    QElapsedTimer timer;
    timer.start();
    QFile in(inPath);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(inPath));
        return 1;
    }
    RtfReader reader;
    if (!reader.read(&in, &doc)) {
        std::fprintf(stderr, "read failed: %s\n", qPrintable(reader.errorString()));
        return 1;
    }
    const double readMs = elapsedMs(timer);
    Bench::report("rtf_read_ms", readMs, "ms", in.size());

    timer.restart();
    QFile out(outPath);
    RtfWriter writer;
    if (!out.open(QIODevice::WriteOnly) || !writer.write(&doc, &out)) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(writer.errorString()));
        return 1;
    }
    out.close();
    const double writeMs = elapsedMs(timer);
    Bench::report("rtf_write_ms", writeMs, "ms", out.size());
    return 0;
}
