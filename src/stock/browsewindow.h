#pragma once

#include "ui/childwindow.h"
#include "data/dberror.h"
#include "stock/ops/partkeys.h"

#include <QList>
#include <QString>
#include <memory>

class BrowseKeyList;
class QComboBox;
class QLineEdit;
class QPushButton;

// Look-up of one part at a time by one key column: the catalogue in the key's
// order, walked through its index, with a current row that Pick, Enter,
// typing and Next move. The window holds the current row only; each look-up
// seeks from it and reads the part it shows. Never writes. A window keyed on
// a column gives its texts, its box and its fields; the few steps that differ
// are the virtual ones.
class BrowseWindow : public ChildWindow
{
    Q_OBJECT
public:
    // What a keyed window is made of besides its widgets.
    struct Keyed
    {
        StockOps::KeyColumn column;
        QString chooseMessage;   // the box is empty
        QString notFoundMessage; // Enter found no row
        bool busyDuringNext = false;
    };
    struct Shown
    {
        const char *column;
        QLineEdit *field;
    };

    BrowseWindow(AppContext &app, Keyed keyed, double clientWidth, double clientHeight,
                 QWidget *parent = nullptr);

    void load() override;
    // The designed client area; the sub-window takes its size from it.
    QSize sizeHint() const override;

protected:
    // Called by the subclass once its widgets exist: the key's box, the Next
    // and Exit buttons, the columns filled from the current row with their
    // fields, the time-to-order field, and the widgets hidden until the first
    // look-up.
    void setUp(QComboBox *box, QPushButton *next, QPushButton *exit, QList<Shown> shown,
               QLineEdit *bin, QList<QWidget *> details);

    // Where the window goes once the catalogue is read, or after it failed to.
    virtual void placeAfterOpen(bool opened);
    // After each look-up that filled the fields (Pick, Enter, Next).
    virtual void afterLookUp() {}
    // A list entry chosen: from the first row, the first whose key is the text.
    virtual void pick();

    // Where the current row stands: before the first row, on a row, or past
    // the last one (where reading fails with the no-current-row error).
    enum class At { First, Row, End };
    enum class Match { Equal, BeginsWith };
    // From the current row (included) on, the first whose key matches the
    // text as the database compares; none leaves the row past the last.
    // False when the database failed (m_error).
    bool findForward(Match match, const QString &text);
    // The row after the current one; past the last sets m_error to the
    // no-current-row error.
    bool moveNext();
    // To the catalogue's first row, whatever its key.
    bool moveToFirstRow();
    // Fills the fields from the current row; none is error 3021.
    bool fill();
    void showDetails();
    void showError();
    QString keyText() const;
    const Keyed &keyed() const { return m_keyed; }

    At m_at = At::First;
    StockOps::KeyedRow m_row;
    DbError m_error;

private:
    bool failWith(const DbError &error);
    void enterKey();
    void next();
    void typeAhead(int key);

    Keyed m_keyed;
    double m_clientWidth, m_clientHeight; // twips
    QComboBox *m_box = nullptr;
    std::shared_ptr<StockOps::PartKeys> m_keys;
    BrowseKeyList *m_list = nullptr;
    QList<Shown> m_shown;
    QLineEdit *m_bin = nullptr;
    QList<QWidget *> m_details;
};
