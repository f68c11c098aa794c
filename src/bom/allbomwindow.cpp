#include "bom/allbomwindow.h"

#include "bom/ops/bomoperations.h"
#include "ui/appcontext.h"
#include "ui/gridview.h"

AllBomWindow::AllBomWindow(AppContext &app, QWidget *parent) : GridWindow(app, parent)
{
    setObjectName(QStringLiteral("frmAllBOM"));
    setWindowTitle(QStringLiteral("BOM List"));
    setClientSize(6000, 4800);
}

void AllBomWindow::load()
{
    if (loadPages([](Database &db, const QVariantList &, qint64 offset, qint64 limit,
                     SqlEngine::RowSink &sink, DbError *error) {
            return BomOps::readBomListPage(db, offset, limit, sink, error);
        })) {
        grid()->setColumnWidthTwips(0, 1560);
        grid()->setColumnWidthTwips(1, 3850);
    }
    placeAsChild();
}
