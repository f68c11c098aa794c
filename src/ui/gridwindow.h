#pragma once

#include "data/sqlengine.h"

class Database;
#include "ui/childwindow.h"

#include <functional>

class ListGridModel;
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

    ListGridModel *model() const { return m_model; }

protected:
    // Reads the rows into the grid through `read` (an operation's read on
    // the shared connection). A read that fails is reported and leaves the
    // grid empty; false then.
    bool loadRows(const std::function<bool(SqlEngine::RowSink &, DbError *)> &read);
    // The same page by page: the first screen at once, the rest after it
    // (ListGridModel), through a connection of the window's own that is
    // closed with the last page (its cache with it). A later page that fails
    // is reported the same way; the rows read before it stay.
    using PageRead = std::function<bool(Database &db, const QVariantList &after, qint64 offset,
                                        qint64 limit, SqlEngine::RowSink &, DbError *)>;
    bool loadPages(const PageRead &read);
    GridView *grid() const { return MSHFlexGrid1; }
    QPushButton *closeButton() const { return cmdClose; }
    void setClientSize(double widthTwips, double heightTwips);
    void resizeEvent(QResizeEvent *event) override;
    // The Close button in the bottom right corner, the grid above it; a step
    // that cannot be done at this size (a negative size) is left out.
    void layOut();

private:
    void reportReadFailure();
    GridView *MSHFlexGrid1;
    QPushButton *cmdClose;
    ListGridModel *m_model;
    QSize m_designSize;
};
