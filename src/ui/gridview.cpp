#include "ui/gridview.h"

#include "ui/gridmodel.h"
#include "ui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
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

// Tab-separated text as a spreadsheet writes it, in rows of cells; a cell
// in quotes may hold tabs, line breaks and doubled quotes.
QVector<QStringList> cellsOf(const QString &text)
{
    QVector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
            continue;
        }
        any = true;
        if (c == QLatin1Char('"') && cell.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char('\t')) {
            row << cell;
            cell.clear();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            any = false;
        } else {
            cell += c;
        }
    }
    if (any || quoted || !cell.isEmpty() || !row.isEmpty()) {
        row << cell;
        rows << row;
    }
    return rows;
}

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\t'), QLatin1String("&#9;"));
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
    // A heading dropped anywhere but on the heading row moves nothing.
    heading->viewport()->installEventFilter(this);
    connect(heading, &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
        if (!m_dropOffHeadings)
            return;
        const QSignalBlocker quiet(horizontalHeader());
        horizontalHeader()->moveSection(to, from);
    });

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

void GridView::selectAll()
{
    // Every row, also those still to be read.
    if (m_model)
        m_model->readAll();
    QTableView::selectAll();
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

GridView::Block GridView::copyBlock() const
{
    Block block;
    if (!m_model)
        return block;
    if (!m_model->isEditable()) {
        block.headings = true;
        block.columns = visibleColumns();
        if (selectionModel()) {
            // By ranges: selecting every row of a large grid stays quick.
            for (const QItemSelectionRange &range : selectionModel()->selection())
                for (int row = range.top(); row <= range.bottom(); ++row)
                    block.rows << row;
            std::sort(block.rows.begin(), block.rows.end());
            block.rows.erase(std::unique(block.rows.begin(), block.rows.end()), block.rows.end());
        }
        if (block.rows.isEmpty()) {
            // The whole grid: the rows not read yet too.
            m_model->readAll();
            block.rows.reserve(m_model->rowCount());
            for (int row = 0; row < m_model->rowCount(); ++row)
                block.rows << row;
        }
        return block;
    }
    const QModelIndexList picked = selectionModel() ? selectionModel()->selectedIndexes()
                                                    : QModelIndexList();
    if (picked.size() <= 1) {
        const QModelIndex cell = picked.isEmpty() ? currentIndex() : picked.first();
        if (cell.isValid()) {
            block.columns << cell.column();
            block.rows << cell.row();
            block.cells.insert({cell.row(), cell.column()});
        }
        return block;
    }
    // The block from the first to the last selected row, in the columns
    // that hold a selected cell, as they are shown.
    QSet<int> pickedColumns;
    int first = picked.first().row();
    int last = first;
    for (const QModelIndex &i : picked) {
        pickedColumns.insert(i.column());
        first = qMin(first, i.row());
        last = qMax(last, i.row());
        block.cells.insert({i.row(), i.column()});
    }
    for (int c : visibleColumns())
        if (pickedColumns.contains(c))
            block.columns << c;
    for (int row = first; row <= last; ++row)
        block.rows << row;
    return block;
}

QString GridView::copyText() const
{
    if (!m_model)
        return QString();
    const Block block = copyBlock();
    if (m_model->isEditable() && block.cells.size() == 1)
        return m_model->text(block.rows.first(), block.columns.first());
    QString text;
    QStringList cells;
    if (block.headings) {
        for (int c : block.columns)
            cells << field(m_model->headings().value(c));
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    for (int row : block.rows) {
        cells.clear();
        for (int c : block.columns)
            cells << (block.headings || block.cells.contains({row, c}) ? field(m_model->text(row, c))
                                                                       : QString());
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QString GridView::copyHtml() const
{
    const Block block = copyBlock();
    if (!m_model || block.columns.isEmpty())
        return QString();
    // Text cells carry the text format in the forms LibreOffice Calc (sdnum)
    // and Excel (mso-number-format) read; numbers keep their value.
    static const QString textCell = QStringLiteral(
        "<td sdnum=\"1033;0;@\" style='mso-number-format:\"\\@\"'>");
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>\n");
    if (block.headings) {
        html += QStringLiteral("<tr>");
        for (int c : block.columns)
            html += textCell + htmlEscaped(m_model->headings().value(c)) + QStringLiteral("</td>");
        html += QStringLiteral("</tr>\n");
    }
    for (int row : block.rows) {
        html += QStringLiteral("<tr>");
        for (int c : block.columns) {
            const bool taken = block.headings || block.cells.contains({row, c});
            const QString text = taken ? m_model->text(row, c) : QString();
            const QVariant value = taken ? m_model->value(row, c) : QVariant();
            const bool number = m_model->isNumberColumn(c) && !m_model->isBooleanColumn(c)
                                && !value.isNull() && value.typeId() != QMetaType::QString;
            html += number ? QStringLiteral("<td sdval=\"%1\">").arg(text) : textCell;
            html += htmlEscaped(text) + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table></body></html>\n");
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
    if (!m_model)
        return;
    auto *data = new QMimeData;
    data->setText(copyText());
    data->setHtml(copyHtml());
    QApplication::clipboard()->setMimeData(data);
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
    const QVector<QStringList> cells = cellsOf(QApplication::clipboard()->text());
    if (cells.isEmpty())
        return;
    // One cell as typing it; a block from the current cell through the same
    // checks, taken whole or refused.
    if (cells.size() == 1 && cells.first().size() == 1)
        m_model->setData(cell, cells.first().first());
    else
        m_model->setCells(cell, cells);
}

bool GridView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            m_dropOffHeadings = false;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const int y = static_cast<QMouseEvent *>(event)->position().toPoint().y();
            m_dropOffHeadings = y < 0 || y >= horizontalHeader()->height();
            // Undone by the move's own signal, which the release sends.
            QTimer::singleShot(0, this, [this] { m_dropOffHeadings = false; });
        }
    }
    return QTableView::eventFilter(watched, event);
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
    } else {
        // In the column of the current cell, or the first one shown: never a
        // hidden column, where the current row would not show. Highlighted
        // and in view.
        int column = currentIndex().column();
        if (column < 0 || isColumnHidden(column)) {
            const QList<int> shown = visibleColumns();
            column = shown.isEmpty() ? 0 : shown.first();
        }
        const QModelIndex cell = m_model->index(row, column);
        if (cell != currentIndex() || !selectionModel()->isSelected(cell))
            selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
        scrollTo(cell);
    }
    m_following = false;
}
