#pragma once

#include "ui/childwindow.h"

class GridModel;
class GridView;
class QPushButton;

// A read-only listing: a grid of a query's rows above a Close button in the
// bottom right corner, laid out with 60-twip margins whenever the window is
// resized. The grid answers Edit > Copy while the window is active.
class GridWindow : public ChildWindow
{
    Q_OBJECT
public:
    static constexpr double Margin = 60; // twips

    explicit GridWindow(AppContext &app, QWidget *parent = nullptr);

    bool supports(StandardAction action) const override;
    void perform(StandardAction action) override;
    QSize sizeHint() const override;

    GridModel *model() const { return m_model; }

    GridView *MSHFlexGrid1;
    QPushButton *cmdClose;

protected:
    // Reads the query into the grid on the shared connection. A query that
    // fails is reported and leaves the grid empty; false then.
    bool loadRows(const QString &sql);
    void setClientSize(double widthTwips, double heightTwips);
    void resizeEvent(QResizeEvent *event) override;
    // The Close button in the bottom right corner, the grid above it; a step
    // that cannot be done at this size (a negative size) is left out.
    void layOut();

private:
    GridModel *m_model;
    QSize m_designSize;
};
