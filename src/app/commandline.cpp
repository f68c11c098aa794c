#include "app/commandline.h"

#include "reports/engine/reportpainter.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "reports/pdfguard.h"
#include "app/startup.h"
#include "ui/appcontext.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstring>

namespace CommandLine {

bool wantsNoWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--report") == 0 || std::strncmp(argv[i], "--report=", 9) == 0)
            return true;
    return false;
}

std::optional<int> handle(AppContext &app, const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Partwise keeps a workshop's stock room."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Write the report of <template> to PDF, with no window."),
                                    QStringLiteral("template"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("The PDF file to write."),
                                 QStringLiteral("file"));
    const QCommandLineOption param(QStringLiteral("param"),
                                   QStringLiteral("The answer to one of the report's prompts."),
                                   QStringLiteral("name=value"));
    parser.addOptions({report, pdf, param});
    parser.addOption(Startup::databaseOption());

    auto usage = [&](const QString &why) {
        err << QStringLiteral("partwise: ") << why << Qt::endl;
        err << QStringLiteral("usage: partwise [--database ADDRESS] [--report TEMPLATE --pdf FILE "
                              "[--param NAME=VALUE]...]")
            << Qt::endl;
        return 2;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        out << parser.helpText();
        out.flush();
        return 0;
    }
    Startup::useDatabaseOption(parser, app);
    if (!parser.isSet(report)) {
        if (parser.isSet(pdf) || parser.isSet(param))
            return usage(QStringLiteral("--pdf and --param go with --report."));
        return std::nullopt;
    }
    if (!parser.isSet(pdf))
        return usage(QStringLiteral("--report needs --pdf FILE."));
    if (parser.values(report).size() > 1 || parser.values(pdf).size() > 1)
        return usage(QStringLiteral("one --report and one --pdf at a time."));
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected %1.").arg(parser.positionalArguments().join(QLatin1Char(' '))));

    ReportRunner::Answers answers;
    for (const QString &pair : parser.values(param)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usage(QStringLiteral("--param %1 is not NAME=VALUE.").arg(pair));
        answers.insert(pair.left(eq), pair.mid(eq + 1));
    }

    const QString pdfPath = QDir::current().absoluteFilePath(parser.value(pdf));
    if (const PdfGuard::Check guard = PdfGuard::check(app, pdfPath); guard.verdict != PdfGuard::Verdict::Write) {
        err << QStringLiteral("partwise: the report is not written: %1").arg(guard.reason) << Qt::endl;
        return 1;
    }

    const QString templateArg = parser.value(report);
    const QString templatePath = QFileInfo(templateArg).fileName() == templateArg
                                     ? QDir(app.programFolder()).filePath(templateArg)
                                     : QDir::current().absoluteFilePath(templateArg);
    auto reportFailed = [&](const ReportError &e) {
        err << QStringLiteral("partwise: report error %1: %2").arg(e.number).arg(e.description) << Qt::endl;
        return 1;
    };
    ReportDefinition definition;
    if (ReportError e = ReportParser::parseFile(templatePath, &definition))
        return reportFailed(e);
    // Answers are checked before the database is opened.
    QHash<QString, QVariant> values;
    if (ReportError e = ReportRunner::readAnswers(definition, answers, &values))
        return reportFailed(e);
    if (!app.OpenInventoryDatabase()) {
        err << QStringLiteral("partwise: cannot open the database %1: %2")
                   .arg(app.databaseAddress(), app.database().errorString())
            << Qt::endl;
        return 1;
    }
    ReportDocument document;
    ReportError e = ReportRunner::run(app.database(), definition, answers, app.now(), &document);
    app.database().close();
    if (e)
        return reportFailed(e);
    if (ReportError w = ReportPainter::writePdf(document, pdfPath))
        return reportFailed(w);
    return 0;
}

} // namespace CommandLine
