#pragma once

#include "stock/ops/partkeys.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QHash>
#include <QStringList>
#include <memory>

// The list behind a look-up box: the keys of the catalogue in the index's
// order, read a page at a time as the list shows them, so that a window holds
// a few pages whatever the size of the catalogue. Counted when the list is
// first needed (dropped down, stepped through) and again whenever it is
// dropped down; an empty catalogue lists one fixed entry instead.
class BrowseKeyList : public QAbstractListModel
{
    Q_OBJECT
public:
    BrowseKeyList(std::shared_ptr<StockOps::PartKeys> keys, QObject *parent = nullptr);

    // Looks whether the catalogue is empty; false with the reason in the
    // reader's error().
    bool load(bool *empty);
    bool isCounted() const { return m_counted; }
    // Counts again and forgets the pages read: the list as it is now.
    void refresh();
    void setPlaceholder(const QString &entry);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    static constexpr int PageSize = 128;
    static constexpr int PagesKept = 16;
    std::shared_ptr<StockOps::PartKeys> m_keys;
    qsizetype m_count = 0;
    bool m_counted = false;
    QString m_placeholder;
    mutable QHash<qsizetype, QStringList> m_pages; // by page number
};

// The editable box over such a list: dropping the list down brings it up to
// date, the typed text and its selection kept.
class BrowseKeyBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Counts the list if it was not yet (or again), the text kept.
    void bringUpToDate(bool always);
};
