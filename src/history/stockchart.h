#pragma once

#include "history/ops/stockledger.h"

#include <QWidget>

class QChart;
class QChartView;

// One part's stock over time: a step line of the stock after each change, the
// reorder point as a horizontal line, and a mark at each kit pull.
class StockChart : public QWidget
{
    Q_OBJECT
public:
    explicit StockChart(QWidget *parent = nullptr);

    void show(const QString &partNo, const StockLedger::Chart &data);
    void clear();

    QChart *chart() const { return m_chart; }
    // The step line's corners, oldest first (time in ms since the epoch).
    QList<QPointF> stockLine() const;
    QList<QPointF> kitPulls() const;
    qreal reorderLevel() const;
    bool hasReorderLine() const;

private:
    QChart *m_chart;
    QChartView *m_view;
};
