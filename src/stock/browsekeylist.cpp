#include "stock/browsekeylist.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

BrowseKeyList::BrowseKeyList(std::shared_ptr<StockOps::PartKeys> keys, QObject *parent)
    : QAbstractListModel(parent), m_keys(std::move(keys))
{
}

bool BrowseKeyList::load(bool *empty)
{
    if (!m_keys->isEmpty(empty))
        return false;
    beginResetModel();
    m_count = 0;
    m_counted = false;
    m_pages.clear();
    m_placeholder.clear();
    endResetModel();
    return true;
}

void BrowseKeyList::refresh()
{
    if (!m_placeholder.isEmpty())
        return;
    qsizetype all = 0, keyed = 0;
    if (!m_keys->count(&all, &keyed))
        return; // the list stays as it was
    m_counted = true;
    m_pages.clear();
    if (keyed > m_count) {
        beginInsertRows(QModelIndex(), int(m_count), int(keyed - 1));
        m_count = keyed;
        endInsertRows();
    } else if (keyed < m_count) {
        beginRemoveRows(QModelIndex(), int(keyed), int(m_count - 1));
        m_count = keyed;
        endRemoveRows();
    }
    if (m_count > 0)
        emit dataChanged(index(0), index(int(m_count - 1)));
}

void BrowseKeyList::setPlaceholder(const QString &entry)
{
    beginResetModel();
    m_placeholder = entry;
    m_count = 1;
    m_counted = true;
    m_pages.clear();
    endResetModel();
}

int BrowseKeyList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_count);
}

QVariant BrowseKeyList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    if (!m_placeholder.isEmpty())
        return m_placeholder;
    const qsizetype page = index.row() / PageSize;
    auto found = m_pages.constFind(page);
    if (found == m_pages.constEnd()) {
        QStringList keys;
        if (!m_keys->keysAt(page * PageSize, PageSize, &keys))
            return QString(); // shown empty; read again next time
        if (m_pages.size() >= PagesKept)
            m_pages.clear();
        found = m_pages.insert(page, keys);
    }
    return found->value(index.row() % PageSize);
}

void BrowseKeyBox::bringUpToDate(bool always)
{
    auto *list = qobject_cast<BrowseKeyList *>(model());
    if (!list || (!always && list->isCounted()))
        return;
    QLineEdit *edit = lineEdit();
    const QString text = currentText();
    const int start = edit->selectionStart();
    const int length = int(edit->selectedText().size());
    const int cursor = edit->cursorPosition();
    const bool wasCurrent = currentIndex() >= 0;
    list->refresh();
    // A list counted for the first time makes its first entry current.
    if (!wasCurrent && currentIndex() >= 0)
        setCurrentIndex(-1);
    if (edit->text() != text) {
        setEditText(text);
        if (start >= 0)
            edit->setSelection(start, length);
        else
            edit->setCursorPosition(cursor);
    }
}

void BrowseKeyBox::showPopup()
{
    bringUpToDate(true);
    QComboBox::showPopup();
}

void BrowseKeyBox::keyPressEvent(QKeyEvent *event)
{
    // The keys that step through the list (Home and End stay in the text).
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        bringUpToDate(false);
        break;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}

void BrowseKeyBox::wheelEvent(QWheelEvent *event)
{
    bringUpToDate(false);
    QComboBox::wheelEvent(event);
}
