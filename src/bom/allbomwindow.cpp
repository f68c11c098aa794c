#include "bom/allbomwindow.h"

#include "ui/gridview.h"

AllBomWindow::AllBomWindow(AppContext &app, QWidget *parent) : GridWindow(app, parent)
{
    setObjectName(QStringLiteral("frmAllBOM"));
    setWindowTitle(QStringLiteral("BOM List"));
    setClientSize(6000, 4800);
}

void AllBomWindow::load()
{
    // A BOM whose rows carry two descriptions is listed once for each.
    if (loadRows(QStringLiteral(
            "SELECT BoardBOM.BoardPN AS BOM, BoardBOM.Description From BoardBOM GROUP BY "
            "BoardBOM.BoardPN, BoardBOM.Description Order by Description"))) {
        MSHFlexGrid1->setColumnWidthTwips(0, 1560);
        MSHFlexGrid1->setColumnWidthTwips(1, 3850);
    }
    placeAsChild();
}
