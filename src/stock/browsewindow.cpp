#include "stock/browsewindow.h"

#include "data/caserules.h"
#include "data/numberrules.h"
#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "stock/browsekeylist.h"
#include "stock/browsesupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

BrowseWindow::BrowseWindow(AppContext &app, Keyed keyed, double clientWidth, double clientHeight,
                           QWidget *parent)
    : ChildWindow(app, parent), m_keyed(std::move(keyed)), m_clientWidth(clientWidth),
      m_clientHeight(clientHeight)
{
    setWindowTitle(QStringLiteral("Browse Inventory"));
    Browse::styleWindow(this, clientWidth, clientHeight);
}

void BrowseWindow::setUp(QComboBox *box, QPushButton *next, QPushButton *exit,
                         QList<Shown> shown, QLineEdit *bin, QList<QWidget *> details)
{
    m_box = box;
    m_shown = std::move(shown);
    m_bin = bin;
    m_details = std::move(details);
    for (QWidget *w : std::as_const(m_details))
        w->hide();
    m_keys = std::make_shared<StockOps::PartKeys>(m_app.database(), m_keyed.column);
    m_list = new BrowseKeyList(m_keys, box);
    box->setModel(m_list);
    box->setCurrentIndex(-1);

    connect(box, &QComboBox::activated, this, [this] {
        // The box took the chosen entry with the cursor at its end.
        m_box->lineEdit()->home(false);
        pick();
    });
    new Browse::ComboKeys(
        box, [this] { enterKey(); }, [this](int key) { typeAhead(key); });
    connect(next, &QPushButton::clicked, this, &BrowseWindow::next);
    // Closing the sub-window closes this window with it.
    connect(exit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

QSize BrowseWindow::sizeHint() const
{
    return QSize(Twips::toPixels(m_clientWidth, this), Twips::toPixels(m_clientHeight, this));
}

// The list reads the keys when it is needed. An empty catalogue lists one
// entry that names no part.
void BrowseWindow::load()
{
    m_box->setFocus();
    BusyPointer busy(this);
    bool empty = false;
    const bool ok = m_list->load(&empty);
    busy.release();
    m_box->setCurrentIndex(-1);
    if (!ok) {
        failWith(m_keys->error());
        showError();
        placeAfterOpen(false);
    } else if (empty) {
        m_list->setPlaceholder(QStringLiteral("No Inventory Found"));
        m_box->setCurrentIndex(-1);
    } else {
        placeAfterOpen(true);
    }
}

void BrowseWindow::placeAfterOpen(bool opened)
{
    if (opened)
        placeAsChild();
}

bool BrowseWindow::failWith(const DbError &error)
{
    m_error = error;
    return false;
}

bool BrowseWindow::findForward(Match match, const QString &text)
{
    StockOps::KeyedRow found;
    bool ok = true;
    switch (m_at) {
    case At::End:
        return true;
    case At::First:
        ok = m_keys->firstAtLeast(text, &found);
        break;
    case At::Row:
        // Rows that match the text stand together in the key's order: from
        // the text on when the current row sorts before it, else from here.
        if (m_row.keyIsNull || CaseRules::compare(m_row.key, text) < 0)
            ok = m_keys->firstAtLeast(text, &found);
        else
            ok = m_keys->rowFrom(m_row, true, &found);
        break;
    }
    if (!ok)
        return failWith(m_keys->error());
    const bool hit = found.found
                     && (match == Match::Equal ? CaseRules::equal(found.key, text)
                                               : CaseRules::startsWith(found.key, text));
    if (hit) {
        m_at = At::Row;
        m_row = std::move(found);
    } else {
        m_at = At::End;
    }
    return true;
}

bool BrowseWindow::moveNext()
{
    StockOps::KeyedRow found;
    if (m_at == At::Row && !m_keys->rowFrom(m_row, false, &found))
        return failWith(m_keys->error());
    if (!found.found) {
        m_at = At::End;
        return failWith(DbError::runtime(ErrorNumber::NoCurrentRecord));
    }
    m_row = std::move(found);
    return true;
}

bool BrowseWindow::moveToFirstRow()
{
    StockOps::KeyedRow found;
    if (!m_keys->firstRow(&found))
        return failWith(m_keys->error());
    if (!found.found) {
        m_at = At::End;
        return failWith(DbError::runtime(ErrorNumber::NoCurrentRecord));
    }
    m_at = At::Row;
    m_row = std::move(found);
    return true;
}

// Fills the fields from the current row, as read when the row was found; a
// null column leaves its field unchanged.
bool BrowseWindow::fill()
{
    if (m_at != At::Row)
        return failWith(DbError::runtime(ErrorNumber::NoCurrentRecord));
    for (const Shown &s : std::as_const(m_shown)) {
        const QVariant v = m_row.value(QLatin1String(s.column));
        if (!v.isNull())
            Browse::showText(s.field, NumberRules::plainText(v));
    }
    const QVariant binValue = m_row.value(QLatin1String("Bin"));
    if (!binValue.isNull())
        Browse::showText(m_bin, Browse::binText(binValue));
    return true;
}

void BrowseWindow::showDetails()
{
    for (QWidget *w : std::as_const(m_details))
        w->show();
}

void BrowseWindow::showError()
{
    m_app.ui().inform(this, errorMessageText(m_error));
}

QString BrowseWindow::keyText() const
{
    return m_box->currentText();
}

void BrowseWindow::pick()
{
    const QString text = keyText();
    if (text.isEmpty()) {
        m_app.ui().inform(this, m_keyed.chooseMessage);
        return;
    }
    BusyPointer busy(this);
    m_at = At::First;
    if (!findForward(Match::Equal, text) || !fill()) {
        busy.release();
        showError();
        return;
    }
    showDetails();
    busy.release();
    afterLookUp();
}

void BrowseWindow::enterKey()
{
    BusyPointer busy(this);
    const QString text = keyText();
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, m_keyed.chooseMessage);
        return;
    }
    if (!findForward(Match::Equal, text)) {
        busy.release();
        showError();
        return;
    }
    if (m_at == At::End) {
        busy.release();
        m_app.ui().inform(this, m_keyed.notFoundMessage, UserInterface::Icon::Critical);
        // Emptied, but shown or hidden as before.
        for (const Shown &s : std::as_const(m_shown))
            s.field->clear();
        m_bin->clear();
        return;
    }
    if (!fill()) {
        busy.release();
        showError();
        return;
    }
    showDetails();
    busy.release();
    afterLookUp();
}

// The row after the one whose key is in the box. Fills the fields without
// showing them.
void BrowseWindow::next()
{
    const QString text = keyText();
    BusyPointer busy(m_keyed.busyDuringNext ? this : nullptr);
    const auto failed = [&] {
        busy.release();
        // Past the last row, or the key in the box not found from the current
        // row on.
        if (m_error.is(ErrorNumber::NoCurrentRecord))
            m_app.ui().inform(this, QStringLiteral("No more records found."));
        else
            showError();
    };
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, m_keyed.chooseMessage);
        return;
    }
    if (!findForward(Match::Equal, text) || !moveNext())
        return failed();
    Browse::showText(m_box->lineEdit(), m_row.key);
    if (!fill())
        return failed();
    busy.release();
    afterLookUp();
}

// Completes the box's text to the first row, from the current one on, whose
// key begins with it, and selects the completed remainder. When nothing
// matches, goes back to the first row so that the next key searches the whole
// set. Backspace and Delete do nothing.
void BrowseWindow::typeAhead(int key)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return;
    // What the user typed: the text before a completion still selected at its
    // end. Taking the whole text would let a second key release (Shift after
    // a capital letter) collapse the completion, and the next letter would be
    // appended to it.
    QString typed = m_box->currentText();
    const QLineEdit *edit = m_box->lineEdit();
    if (edit->hasSelectedText()
        && edit->selectionStart() + edit->selectedText().size() == typed.size())
        typed.truncate(edit->selectionStart());
    if (!findForward(Match::BeginsWith, typed)) {
        showError();
        return;
    }
    if (m_at == At::End) {
        // Nothing from here on: start from the top next time.
        m_at = At::First;
        return;
    }
    const QString &found = m_row.key;
    // A text already complete stays as it is, cursor included: an arrow key
    // that picked an entry or moves the cursor leaves it.
    if (found != m_box->currentText())
        m_box->setEditText(found);
    // The completed remainder selected, with the cursor where the typing
    // stopped: a completion longer than the box shows what was typed, not
    // its own end.
    const int start = int(qMin(typed.size(), found.size()));
    if (start < found.size())
        m_box->lineEdit()->setSelection(int(found.size()), start - int(found.size()));
}
