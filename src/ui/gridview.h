#pragma once

#include "ui/commandhost.h"

#include <QSet>
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

    // The text Copy puts on the clipboard, and the same as an HTML table in
    // which text columns are marked as text for spreadsheets (so that 007
    // stays 007 and 1E5 stays text) and number columns stay numbers.
    QString copyText() const;
    QString copyHtml() const;
    // The Edit commands this grid answers, for its window to pass on.
    bool supports(StandardAction action) const;
    void perform(StandardAction action);
    void copy();
    void cut();
    void selectAll() override;
    void paste();

    // A cell is being typed in.
    bool isEditingCell() const { return state() == QAbstractItemView::EditingState; }
    // Ends typing in a cell: keeps what was typed (commitEdits) or drops it.
    void commitEdits();
    void discardEdits();

    // Columns in the order shown, hidden ones left out.
    QList<int> visibleColumns() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    // The rows and columns Copy takes, in the order shown; with the headings
    // first for a read-only grid.
    struct Block
    {
        QList<int> columns;
        QList<int> rows;
        QSet<QPair<int, int>> cells; // editable grid: only these cells are copied
        bool headings = false;
    };
    Block copyBlock() const;
    void followCurrentRow(int row);

    GridModel *m_model = nullptr;
    int m_sortColumn = 0;
    int m_sortType = 0;
    bool m_following = false;
    bool m_dropOffHeadings = false;
};
