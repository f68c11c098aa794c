#pragma once

#include "ui/commandhost.h"

#include <QTableView>

class GridModel;

// The grid of the listing windows and of the bound editors: bold headings,
// white and grey rows by position, a click on a heading sorts by that column
// (again: the other way; another heading starts ascending), headings dragged
// to reorder the columns.
//
// Copy, read-only: the selected rows, or every row when none is selected, as
// tab-separated text with the headings first, in the column order and the
// row order the user sees. Editable: the current cell, or a selection of
// several cells as tab-separated text; Cut and Paste work on the current cell.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    void setGridModel(GridModel *model);
    GridModel *gridModel() const { return m_model; }

    void setColumnWidthTwips(int column, double twips);

    // What a heading click did last: the column and 1 for ascending or 2 for
    // descending (0 before the first sort).
    int sortColumn() const { return m_sortColumn; }
    int sortType() const { return m_sortType; }
    // A click on the heading of a column (by its model index).
    void headingClicked(int column);

    // The text Copy puts on the clipboard.
    QString copyText() const;
    // The Edit commands this grid answers, for its window to pass on.
    bool supports(StandardAction action) const;
    void perform(StandardAction action);
    void copy();
    void cut();
    void paste();

    // Ends typing in a cell: keeps what was typed (commitEdits) or drops it.
    void commitEdits();
    void discardEdits();

    // Columns in the order shown, hidden ones left out.
    QList<int> visibleColumns() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    QString rowsText() const;
    QString cellsText() const;
    void followCurrentRow(int row);

    GridModel *m_model = nullptr;
    int m_sortColumn = 0;
    int m_sortType = 0;
    bool m_following = false;
};
