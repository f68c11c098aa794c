// libFuzzer entry for RtfReader. Besides crashes and sanitizer reports it
// checks that whatever was read survives the writer: writing the document and
// reading it back must give the same text.
#include "docs/rtfreader.h"
#include "docs/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // QTextDocument needs an application for its fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtfreader";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    RtfReader reader;
    QTextDocument doc;
    if (!reader.read(input, &doc)) {
        if (reader.errorString().isEmpty())
            std::abort();
        return 0;
    }

    const QByteArray written = RtfWriter().write(&doc);
    QTextDocument again;
    if (!reader.read(written, &again) || again.toRawText() != doc.toRawText()) {
        std::fprintf(stderr, "write/read changed the text:\n%s\n", written.constData());
        std::abort();
    }
    return 0;
}
