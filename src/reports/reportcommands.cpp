#include "reports/reportcommands.h"

#include "bom/ops/kitpull.h"
#include "data/dberror.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "reports/reportpreviewwindow.h"
#include "ui/appcontext.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace ReportCommands {

void registerCommands(CommandHost &host)
{
    const struct
    {
        CommandId id;
        const char *file;
    } reports[] = {
        {CommandId::KitPartList, "KitPartsUsed.rpt"},
        {CommandId::KitPullList, "KitPullList.rpt"},
        {CommandId::KitShort, "KitShortage.rpt"},
        {CommandId::BinList, "Bin.rpt"},
    };
    for (const auto &r : reports) {
        const QString file = QLatin1String(r.file);
        host.registerHandler(r.id, [&host, file] { openReport(host, file); });
    }
}

ReportPreviewWindow *openReport(CommandHost &host, const QString &templateName)
{
    AppContext &app = host.app();
    QWidget *parent = host.hostWidget();
    auto fail = [&](const ReportError &error) -> ReportPreviewWindow * {
        app.ui().inform(parent, errorMessageText(DbError::engine(error.number, error.description)));
        return nullptr;
    };

    BusyPointer busy(parent);
    ReportDefinition definition;
    if (ReportError e = ReportParser::parseFile(QDir(app.programFolder()).filePath(templateName), &definition)) {
        busy.release();
        return fail(e);
    }
    busy.release();

    ReportRunner::Answers answers;
    for (const ReportPrompt &prompt : definition.prompts) {
        const std::optional<QString> answer = app.ui().input(parent, prompt.text, prompt.title);
        if (!answer || (prompt.kind == ReportPrompt::Kind::Text && answer->isEmpty()))
            return nullptr;
        answers.insert(prompt.name, *answer);
    }

    busy.set();
    // A kit with no bill of materials is told so, whatever the report lists.
    bool hasBom = true;
    if (answers.contains(QStringLiteral("Kit"))
        && KitPull::hasBom(app.database(), answers.value(QStringLiteral("Kit")), &hasBom) && !hasBom)
        definition.emptyText = QStringLiteral("Kit {Kit} has no bill of materials.");
    ReportDocument document;
    if (ReportError e = ReportRunner::run(app.database(), definition, answers, app.now(), &document)) {
        busy.release();
        return fail(e);
    }
    auto *window = new ReportPreviewWindow(app, std::move(document));
    // As large as the workspace, but not maximized: a maximized window would
    // make every window opened after it open maximized too.
    if (QMdiSubWindow *sub = host.showChild(window); sub && sub->mdiArea())
        sub->setGeometry(QRect(QPoint(0, 0), sub->mdiArea()->viewport()->size()));
    busy.release();
    return window;
}

} // namespace ReportCommands
