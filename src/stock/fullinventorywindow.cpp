#include "stock/fullinventorywindow.h"

#include "bom/ops/bomoperations.h"
#include "ui/appcontext.h"
#include "ui/gridview.h"
#include "ui/listgridmodel.h"

FullInventoryWindow::FullInventoryWindow(AppContext &app, QWidget *parent)
    : GridWindow(app, parent)
{
    setObjectName(QStringLiteral("FullInventory"));
    setWindowTitle(QStringLiteral("Inventory"));
    setClientSize(10200, 5400);
}

void FullInventoryWindow::load()
{
    const bool ok = loadPages([](Database &db, const QVariantList &after, qint64, qint64 limit,
                                 SqlEngine::RowSink &sink, DbError *error) {
        return BomOps::readInventoryPage(db, after.value(0), limit, sink, error);
    });
    if (ok) {
        model()->setBooleanColumn(TimeToOrderColumn);
        const double widths[] = {1155, 4455, 1140, 0, 1170, 0}; // 0: the grid's default
        for (int c = 0; c < 6; ++c)
            if (widths[c] > 0)
                grid()->setColumnWidthTwips(c, widths[c]);
    }
    placeAsChild();
}
