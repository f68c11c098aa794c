#pragma once

#include "ui/gridwindow.h"

class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class StockChart;

// The stock history: every recorded change of stock, newest first, for one
// part (with a chart of its stock over time above the grid) or for all parts.
// Read-only; sorts and copies like the other grids.
class StockHistoryWindow : public GridWindow
{
    Q_OBJECT
public:
    // partNo: the part shown at first; empty shows every part.
    explicit StockHistoryWindow(AppContext &app, const QString &partNo = QString(),
                                QWidget *parent = nullptr);

    void load() override;
    // Reads the history of the part in the box (all parts when empty).
    bool showHistory();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeControls();

    QLabel *lblPartNo;
    QLineEdit *txtPartNo;
    QPushButton *cmdShow;
    StockChart *chtStock;
};
