#pragma once

#include <QFrame>
#include <QList>

class QLabel;

// A window's own status bar made of side-by-side text panels. Panels are
// placed by hand rather than by a layout: changing a panel's text or width
// never relayouts the window around it. A text too long for its panel is
// drawn cut with "..." and is the panel's tooltip in full.
class PanelBar : public QFrame
{
    Q_OBJECT
public:
    explicit PanelBar(int panels = 1, QWidget *parent = nullptr);

    int count() const { return int(m_panels.size()); }
    // Panels are counted from 1, as the status bar's users name them.
    QLabel *panel(int index) const;
    // Adds or removes panels at the right so that there are `panels`.
    void setCount(int panels);
    // Every panel as wide as this fraction of the bar (0 = sized to its text).
    void setPanelShare(double share);
    double panelShare() const { return m_share; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placePanels();

    QList<QLabel *> m_panels;
    double m_share = 0.0;
};
