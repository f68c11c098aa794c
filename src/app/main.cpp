#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Partwise"));
    QApplication::setOrganizationName(QStringLiteral("Partwise"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Partwise: the stock room of a workshop."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(Startup::databaseOption());
    parser.process(application);

    AppContext app;
    Startup::useDatabaseOption(parser, app);
    if (!Startup::run(app))
        return 1;
    return application.exec();
}
