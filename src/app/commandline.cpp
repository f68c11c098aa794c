#include "app/commandline.h"

#include "reports/engine/reportpainter.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "reports/pdfguard.h"
#include "app/startup.h"
#include "ui/appcontext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstring>

namespace CommandLine {

namespace {

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringList{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};
    QCommandLineOption report{QStringLiteral("report"),
                              QStringLiteral("Write the report of <template> to PDF, with no window."),
                              QStringLiteral("template")};
    QCommandLineOption pdf{QStringLiteral("pdf"), QStringLiteral("The PDF file to write."), QStringLiteral("file")};
    QCommandLineOption param{QStringLiteral("param"), QStringLiteral("The answer to one of the report's prompts."),
                             QStringLiteral("name=value")};

    Options()
    {
        parser.setApplicationDescription(QStringLiteral("Partwise keeps a workshop's stock room."));
        parser.addOptions({help, version, report, pdf, param, Startup::databaseOption()});
        parser.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A document to open (RTF or text)."),
                                     QStringLiteral("[document...]"));
    }
};

QString usageLine()
{
    return QStringLiteral("Usage: partwise [--database ADDRESS] [DOCUMENT...]\n"
                          "       partwise [--database ADDRESS] --report TEMPLATE --pdf FILE [--param NAME=VALUE]...\n"
                          "       partwise --help | --version");
}

int usage(QTextStream &err, const QString &why)
{
    err << QStringLiteral("partwise: ") << why << Qt::endl << usageLine() << Qt::endl;
    return 2;
}

QString versionText()
{
    return QStringLiteral("partwise %1").arg(QCoreApplication::applicationVersion());
}

} // namespace

Request read(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    Options o;
    Request request;
    if (!o.parser.parse(arguments)) {
        request.exitStatus = usage(err, o.parser.errorText());
        return request;
    }
    if (o.parser.isSet(o.help)) {
        // The usage line names the command as the user types it, not its path.
        QString text = o.parser.helpText();
        const QString program = QCoreApplication::arguments().value(0);
        if (!program.isEmpty() && text.startsWith(QStringLiteral("Usage: ") + program))
            text.replace(7, program.size(), QStringLiteral("partwise"));
        out << text;
        out.flush();
        request.exitStatus = 0;
        return request;
    }
    if (o.parser.isSet(o.version)) {
        out << versionText() << Qt::endl;
        request.exitStatus = 0;
        return request;
    }
    // A wrong combination is refused here too, before any display opens.
    const QCommandLineParser &parser = o.parser;
    auto refuse = [&](const QString &why) {
        request.exitStatus = usage(err, why);
        return request;
    };
    if (!parser.isSet(o.report) && (parser.isSet(o.pdf) || parser.isSet(o.param)))
        return refuse(QStringLiteral("--pdf and --param go with --report."));
    if (parser.isSet(o.report)) {
        if (!parser.isSet(o.pdf))
            return refuse(QStringLiteral("--report needs --pdf FILE."));
        if (parser.values(o.report).size() > 1 || parser.values(o.pdf).size() > 1)
            return refuse(QStringLiteral("Give one --report and one --pdf at a time."));
        if (!parser.positionalArguments().isEmpty())
            return refuse(QStringLiteral("A report takes no document to open: %1.")
                              .arg(parser.positionalArguments().join(QLatin1Char(' '))));
        for (const QString &pair : parser.values(o.param))
            if (pair.indexOf(QLatin1Char('=')) <= 0)
                return refuse(QStringLiteral("--param %1 is not NAME=VALUE.").arg(pair));
    }
    request.database = o.parser.value(QStringLiteral("database"));
    if (!o.parser.isSet(o.report))
        for (const QString &file : o.parser.positionalArguments())
            request.documents << QDir::current().absoluteFilePath(file);
    return request;
}

QString findTemplate(const AppContext &app, const QString &name)
{
    if (QFileInfo(name).isAbsolute())
        return name;
    const QStringList folders{QDir::currentPath(), QCoreApplication::applicationDirPath(), app.programFolder()};
    for (const QString &folder : folders) {
        const QString path = QDir(folder).absoluteFilePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QDir::current().absoluteFilePath(name);
}


bool wantsNoWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--report") == 0 || std::strncmp(argv[i], "--report=", 9) == 0)
            return true;
    return false;
}

std::optional<int> handle(AppContext &app, const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Request request = read(arguments, out, err);
    if (request.exitStatus)
        return request.exitStatus;
    Options o;
    o.parser.parse(arguments);
    const QCommandLineParser &parser = o.parser;
    const QCommandLineOption &report = o.report, &pdf = o.pdf, &param = o.param;
    Startup::useDatabaseOption(parser, app);
    if (!parser.isSet(report))
        return std::nullopt;

    ReportRunner::Answers answers;
    for (const QString &pair : parser.values(param)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        answers.insert(pair.left(eq), pair.mid(eq + 1));
    }

    const QString pdfPath = QDir::current().absoluteFilePath(parser.value(pdf));
    if (const PdfGuard::Check guard = PdfGuard::check(app, pdfPath); guard.verdict != PdfGuard::Verdict::Write) {
        err << QStringLiteral("partwise: the report is not written: %1").arg(guard.reason) << Qt::endl;
        return 1;
    }

    const QString templatePath = findTemplate(app, parser.value(report));
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
        err << QStringLiteral("partwise: The database %1 cannot be opened. %2")
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
