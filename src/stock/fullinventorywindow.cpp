#include "stock/fullinventorywindow.h"

#include "ui/gridmodel.h"
#include "ui/gridview.h"

FullInventoryWindow::FullInventoryWindow(AppContext &app, QWidget *parent)
    : GridWindow(app, parent)
{
    setObjectName(QStringLiteral("FullInventory"));
    setWindowTitle(QStringLiteral("Inventory"));
    setClientSize(10200, 5400);
}

void FullInventoryWindow::load()
{
    const bool ok = loadRows(QStringLiteral(
        "select PartNo as [Part No],Description,CurrentInv as [Current Inv],UnitCost as [Unit "
        "Cost],ReorderPoint as [Reorder Point],Bin as [Time to Order] from Inventory Order by "
        "PartNo"));
    if (ok) {
        model()->setBooleanColumn(TimeToOrderColumn);
        const double widths[] = {1155, 4455, 1140, 0, 1170, 0}; // 0: the grid's default
        for (int c = 0; c < 6; ++c)
            if (widths[c] > 0)
                MSHFlexGrid1->setColumnWidthTwips(c, widths[c]);
    }
    placeAsChild();
}
