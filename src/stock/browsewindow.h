#pragma once

#include "ui/childwindow.h"
#include "data/recordset.h"
#include "stock/ops/stockoperations.h"

#include <QList>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

// Look-up of one part at a time by one key column: the whole catalogue, in
// the key's order, is read once when the window opens and stays with the
// window, with a current row that Pick, Enter, typing and Next move. Never
// writes. A window keyed on a column gives its texts, its box and its fields;
// the few steps that differ are the virtual ones.
class BrowseWindow : public ChildWindow
{
    Q_OBJECT
public:
    // What a keyed window is made of besides its widgets.
    struct Keyed
    {
        QString keyColumn;
        StockOps::CatalogueOrder order;
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

    bool fill();
    void showDetails();
    void showError();
    QString keyText() const;
    const Keyed &keyed() const { return m_keyed; }

    Recordset m_set;

    void closeEvent(QCloseEvent *event) override;

private:
    bool readList();
    void enterKey();
    void next();
    void typeAhead(int key);

    Keyed m_keyed;
    double m_clientWidth, m_clientHeight; // twips
    QComboBox *m_box = nullptr;
    QList<Shown> m_shown;
    QLineEdit *m_bin = nullptr;
    QList<QWidget *> m_details;
};
