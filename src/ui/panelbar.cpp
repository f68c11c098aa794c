#include "ui/panelbar.h"

#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

namespace {

// A panel whose text, when longer than the panel, ends in "..." where it is
// cut, with the whole text as the panel's tooltip.
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect room = contentsRect();
        const QString whole = text();
        const QString shown = fontMetrics().elidedText(whole, Qt::ElideRight, room.width());
        style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                              palette(), isEnabled(), shown, foregroundRole());
        setToolTip(shown == whole ? QString() : whole);
    }
};

} // namespace

PanelBar::PanelBar(int panels, QWidget *parent) : QFrame(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCount(panels);
}

QLabel *PanelBar::panel(int index) const
{
    return index >= 1 && index <= m_panels.size() ? m_panels.at(index - 1) : nullptr;
}

void PanelBar::setCount(int panels)
{
    panels = qMax(0, panels);
    while (m_panels.size() > panels)
        delete m_panels.takeLast();
    while (m_panels.size() < panels) {
        auto *label = new PanelLabel(this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(2, 0, 2, 0);
        m_panels.append(label);
        label->show();
    }
    placePanels();
}

void PanelBar::setPanelShare(double share)
{
    m_share = qBound(0.0, share, 1.0);
    placePanels();
}

QSize PanelBar::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 8);
}

QSize PanelBar::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void PanelBar::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    placePanels();
}

void PanelBar::placePanels()
{
    const QRect area = contentsRect();
    int x = area.left();
    for (QLabel *label : std::as_const(m_panels)) {
        const int w = m_share > 0.0 ? int(area.width() * m_share) : label->sizeHint().width();
        label->setGeometry(x, area.top(), w, area.height());
        x += w;
    }
}
