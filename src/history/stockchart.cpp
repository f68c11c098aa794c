#include "history/stockchart.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

StockChart::StockChart(QWidget *parent) : QWidget(parent)
{
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chtStockView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void StockChart::clear()
{
    m_chart->removeAllSeries();
    for (QAbstractAxis *axis : m_chart->axes())
        m_chart->removeAxis(axis);
    m_chart->setTitle(QString());
}

void StockChart::show(const QString &partNo, const StockLedger::Chart &data)
{
    clear();
    m_chart->setTitle(QStringLiteral("Stock of ") + partNo);
    auto *stock = new QLineSeries;
    stock->setObjectName(QStringLiteral("stock"));
    stock->setName(QStringLiteral("Stock"));
    auto *kits = new QScatterSeries;
    kits->setObjectName(QStringLiteral("kitPulls"));
    kits->setName(QStringLiteral("Kit pulls"));
    kits->setMarkerSize(9);
    qreal low = 0, high = 0;
    qint64 first = 0, last = 0;
    bool started = false;
    QString lastPull;
    for (const StockLedger::Point &p : data.points) {
        const qreal t = qreal(p.time.toMSecsSinceEpoch());
        const qreal after = qreal(p.stockAfter);
        if (!started) {
            const qreal before = after - qreal(p.change);
            stock->append(t, before);
            low = high = before;
            first = p.time.toMSecsSinceEpoch();
            started = true;
        } else {
            stock->append(t, stock->points().constLast().y()); // the step
        }
        stock->append(t, after);
        low = qMin(low, after);
        high = qMax(high, after);
        last = p.time.toMSecsSinceEpoch();
        // One mark per pull, where its first line took the part's stock.
        if (p.source == StockLedger::Source::KitPull && p.groupId != lastPull) {
            kits->append(t, after);
            lastPull = p.groupId;
        }
    }
    if (!started)
        return;
    // The line goes on to now: the stock stays as the last change left it.
    const qint64 now = qMax(last, QDateTime::currentMSecsSinceEpoch());
    stock->append(qreal(now), stock->points().constLast().y());
    if (now - first < 60000)
        first = now - 60000;

    m_chart->addSeries(stock);
    bool numeric = false;
    const qreal reorder = data.reorderPoint.toDouble(&numeric);
    if (!data.reorderPoint.isNull() && numeric) {
        auto *line = new QLineSeries;
        line->setObjectName(QStringLiteral("reorderPoint"));
        line->setName(QStringLiteral("Reorder point"));
        line->append(qreal(first), reorder);
        line->append(qreal(now), reorder);
        QPen pen(Qt::red);
        pen.setStyle(Qt::DashLine);
        line->setPen(pen);
        m_chart->addSeries(line);
        low = qMin(low, reorder);
        high = qMax(high, reorder);
    }
    m_chart->addSeries(kits);

    auto *x = new QDateTimeAxis;
    x->setFormat(now - first < 86400000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd"));
    x->setTickCount(4);
    x->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(now));
    auto *y = new QValueAxis;
    const qreal pad = qMax<qreal>(1, (high - low) * 0.1);
    y->setRange(low - pad, high + pad);
    y->setLabelFormat(QStringLiteral("%d"));
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries *s : m_chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

QList<QPointF> StockChart::stockLine() const
{
    for (QAbstractSeries *s : m_chart->series())
        if (s->objectName() == QLatin1String("stock"))
            return static_cast<QLineSeries *>(s)->points();
    return {};
}

QList<QPointF> StockChart::kitPulls() const
{
    for (QAbstractSeries *s : m_chart->series())
        if (s->objectName() == QLatin1String("kitPulls"))
            return static_cast<QScatterSeries *>(s)->points();
    return {};
}

bool StockChart::hasReorderLine() const
{
    for (QAbstractSeries *s : m_chart->series())
        if (s->objectName() == QLatin1String("reorderPoint"))
            return true;
    return false;
}

qreal StockChart::reorderLevel() const
{
    for (QAbstractSeries *s : m_chart->series())
        if (s->objectName() == QLatin1String("reorderPoint"))
            return static_cast<QLineSeries *>(s)->points().constFirst().y();
    return 0;
}
