#include "ui/gridview.h"

#include "ui/gridmodel.h"
#include "ui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

// A cell as a spreadsheet reads it from tab-separated text: quoted when it
// holds a tab, a line break or a quote.
QString field(const QString &text)
{
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The first cell of tab-separated text, unquoted.
QString firstField(QString text)
{
    if (text.startsWith(QLatin1Char('"'))) {
        QString out;
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    out += QLatin1Char('"');
                    ++i;
                    continue;
                }
                return out;
            }
            out += text.at(i);
        }
        return out;
    }
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\t\r\n]")));
    return end < 0 ? text : text.left(end);
}

} // namespace

GridView::GridView(QWidget *parent) : QTableView(parent)
{
    QHeaderView *heading = horizontalHeader();
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setSectionsMovable(true);
    heading->setSectionsClickable(true);
    heading->setHighlightSections(false);
    heading->setSortIndicatorShown(false);
    connect(heading, &QHeaderView::sectionClicked, this, &GridView::headingClicked);

    // No fixed column; every row the same height, which keeps a grid of a
    // million rows quick to lay out.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWordWrap(false);
    setAlternatingRowColors(false); // the model shades by position
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // heading clicks sort through headingClicked()
}

void GridView::setGridModel(GridModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setModel(model);
    m_sortColumn = 0;
    m_sortType = 0;
    if (!model)
        return;
    connect(model, &GridModel::currentRowChanged, this, &GridView::followCurrentRow);
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { followCurrentRow(m_model->currentRow()); });
    if (model->isEditable()) {
        setSelectionBehavior(QAbstractItemView::SelectItems);
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                        | QAbstractItemView::AnyKeyPressed);
        // A heading click sorts; it does not also select the column.
        disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
        disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this,
                   SLOT(_q_selectColumn(int)));
    } else {
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    followCurrentRow(model->currentRow());
}

void GridView::setColumnWidthTwips(int column, double twips)
{
    setColumnWidth(column, Twips::toPixels(twips, this));
}

void GridView::headingClicked(int column)
{
    // An empty grid has nothing to sort: the click changes nothing.
    if (!m_model || m_model->rowCount() == 0)
        return;
    const int previous = m_sortColumn;
    m_sortColumn = column;
    if (column == previous && m_sortType > 0)
        m_sortType = m_sortType == 1 ? 2 : 1;
    else
        m_sortType = 1;
    m_model->sort(column, m_sortType == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QList<int> GridView::visibleColumns() const
{
    QList<int> columns;
    const QHeaderView *heading = horizontalHeader();
    const int n = m_model ? m_model->columnCount() : 0;
    for (int visual = 0; visual < n; ++visual) {
        const int logical = heading->logicalIndex(visual);
        if (logical >= 0 && !heading->isSectionHidden(logical))
            columns << logical;
    }
    return columns;
}

QString GridView::rowsText() const
{
    const QList<int> columns = visibleColumns();
    QList<int> rows;
    if (selectionModel()) {
        // By ranges: selecting every row of a large grid stays quick.
        for (const QItemSelectionRange &range : selectionModel()->selection())
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows << row;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
    const bool all = rows.isEmpty();
    const int count = all ? m_model->rowCount() : int(rows.size());

    QString text;
    QStringList cells;
    cells.reserve(columns.size());
    for (int c : columns)
        cells << field(m_model->headings().value(c));
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int i = 0; i < count; ++i) {
        const int row = all ? i : rows.at(i);
        cells.clear();
        for (int c : columns)
            cells << field(m_model->text(row, c));
        text += cells.join(QLatin1Char('\t'));
        text += QLatin1Char('\n');
    }
    return text;
}

QString GridView::cellsText() const
{
    const QModelIndexList picked = selectionModel() ? selectionModel()->selectedIndexes()
                                                    : QModelIndexList();
    if (picked.size() <= 1) {
        const QModelIndex cell = picked.isEmpty() ? currentIndex() : picked.first();
        return cell.isValid() ? m_model->text(cell.row(), cell.column()) : QString();
    }
    // The block from the first to the last selected row, in the columns
    // that hold a selected cell, as they are shown.
    QSet<int> pickedColumns;
    int first = picked.first().row();
    int last = first;
    QSet<QPair<int, int>> selected;
    for (const QModelIndex &i : picked) {
        pickedColumns.insert(i.column());
        first = qMin(first, i.row());
        last = qMax(last, i.row());
        selected.insert({i.row(), i.column()});
    }
    QList<int> columns;
    for (int c : visibleColumns())
        if (pickedColumns.contains(c))
            columns << c;
    QString text;
    for (int row = first; row <= last; ++row) {
        QStringList cells;
        for (int c : columns)
            cells << (selected.contains({row, c}) ? field(m_model->text(row, c)) : QString());
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QString GridView::copyText() const
{
    if (!m_model)
        return QString();
    return m_model->isEditable() ? cellsText() : rowsText();
}

bool GridView::supports(StandardAction action) const
{
    if (action == StandardAction::Copy)
        return true;
    const bool editable = m_model && m_model->isEditable();
    return editable && (action == StandardAction::Cut || action == StandardAction::Paste);
}

void GridView::perform(StandardAction action)
{
    switch (action) {
    case StandardAction::Copy:
        copy();
        break;
    case StandardAction::Cut:
        cut();
        break;
    case StandardAction::Paste:
        paste();
        break;
    default:
        break;
    }
}

void GridView::copy()
{
    if (m_model)
        QApplication::clipboard()->setText(copyText());
}

void GridView::cut()
{
    const QModelIndex cell = currentIndex();
    if (!m_model || !m_model->isEditable() || !cell.isValid())
        return;
    QApplication::clipboard()->setText(m_model->text(cell.row(), cell.column()));
    m_model->setData(cell, QString());
}

void GridView::paste()
{
    const QModelIndex cell = currentIndex();
    if (!m_model || !m_model->isEditable() || !cell.isValid())
        return;
    m_model->setData(cell, firstField(QApplication::clipboard()->text()));
}

void GridView::commitEdits()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    // The cell editors are the viewport's own widgets.
    for (QWidget *editor : viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible())
            continue;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void GridView::discardEdits()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    for (QWidget *editor : viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (editor->isVisible())
            closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    if (state() != QAbstractItemView::EditingState) {
        if (event == QKeySequence::Copy) {
            copy();
            return;
        }
        if (m_model && m_model->isEditable()) {
            if (event == QKeySequence::Cut) {
                cut();
                return;
            }
            if (event == QKeySequence::Paste) {
                paste();
                return;
            }
        }
    }
    QTableView::keyPressEvent(event);
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !m_model || !m_model->isEditable() || !current.isValid()
        || current.row() == previous.row())
        return;
    m_model->setCurrentRow(current.row());
}

void GridView::followCurrentRow(int row)
{
    if (!m_model || !m_model->isEditable() || !selectionModel())
        return;
    m_following = true;
    if (row < 0) {
        selectionModel()->clearCurrentIndex();
    } else if (currentIndex().row() != row) {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex cell = m_model->index(row, column);
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
        scrollTo(cell);
    }
    m_following = false;
}
