#include "stock/browsewindow.h"

#include "data/numberrules.h"
#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "stock/browsesupport.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVarLengthArray>

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

void BrowseWindow::load()
{
    m_box->setFocus();
    BusyPointer busy(this);
    const bool ok = readList();
    busy.release();
    if (ok) {
        placeAfterOpen(true);
    } else if (m_set.error().is(ErrorNumber::NoCurrentRecord)) {
        Browse::setList(m_box, {QStringLiteral("No Inventory Found")});
    } else {
        showError();
        placeAfterOpen(false);
    }
}

void BrowseWindow::placeAfterOpen(bool opened)
{
    if (opened)
        placeAsChild();
}

// Reads the catalogue and lists every key that is not null, in the set's
// order. The count is whatever the set holds: no 16-bit limit.
bool BrowseWindow::readList()
{
    if (!StockOps::openCatalogue(m_app.database(), m_set, m_keyed.order))
        return false;
    if (!m_set.moveLast() || !m_set.moveFirst())
        return false;
    const qsizetype count = m_set.recordCount();
    const int column = m_set.fieldIndex(m_keyed.keyColumn);
    QStringList list;
    list.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QVariant v = m_set.value(column);
        if (m_set.error())
            return false;
        if (!v.isNull())
            list.append(v.toString());
        if (!m_set.moveNext())
            return false;
    }
    Browse::setList(m_box, list);
    return m_set.moveFirst();
}

// Fills the fields from the current row; a null column leaves its field
// unchanged. The row is read whole first, so a failure (reason in the set's
// error()) changes nothing.
bool BrowseWindow::fill()
{
    QVarLengthArray<QVariant, 8> values;
    for (const Shown &s : std::as_const(m_shown)) {
        values.append(m_set.value(QLatin1String(s.column)));
        if (m_set.error())
            return false;
    }
    const QVariant binValue = m_set.value(QStringLiteral("Bin"));
    if (m_set.error())
        return false;
    qsizetype i = 0;
    for (const Shown &s : std::as_const(m_shown)) {
        const QVariant &v = values.at(i++);
        if (!v.isNull())
            Browse::showText(s.field, NumberRules::plainText(v));
    }
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
    m_app.ui().inform(this, errorMessageText(m_set.error()));
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
    if (!m_set.moveFirst()
        || !m_set.findForward(m_keyed.keyColumn, Recordset::Match::Equal, text) || !fill()) {
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
    if (!m_set.findForward(m_keyed.keyColumn, Recordset::Match::Equal, text)) {
        busy.release();
        showError();
        return;
    }
    if (m_set.isEof()) {
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
        if (m_set.error().is(ErrorNumber::NoCurrentRecord))
            m_app.ui().inform(this, QStringLiteral("No more records found."));
        else
            showError();
    };
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, m_keyed.chooseMessage);
        return;
    }
    if (!m_set.findForward(m_keyed.keyColumn, Recordset::Match::Equal, text) || !m_set.moveNext())
        return failed();
    const QVariant key = m_set.value(m_keyed.keyColumn);
    if (m_set.error())
        return failed();
    Browse::showText(m_box->lineEdit(), key.toString());
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
    const QString &column = m_keyed.keyColumn;
    if (m_set.findForward(column, Recordset::Match::BeginsWith, typed)) {
        const QString found = m_set.value(column).toString();
        if (!m_set.error()) {
            // A text already complete stays as it is, cursor included: an
            // arrow key that picked an entry or moves the cursor leaves it.
            if (found != m_box->currentText())
                m_box->setEditText(found);
            // The completed remainder selected, with the cursor where the
            // typing stopped: a completion longer than the box shows what
            // was typed, not its own end.
            const int start = int(qMin(typed.size(), found.size()));
            if (start < found.size())
                m_box->lineEdit()->setSelection(int(found.size()), start - int(found.size()));
            return;
        }
    }
    if (m_set.error().is(ErrorNumber::NoCurrentRecord)) {
        // Nothing from here on: start from the top next time. An empty set has
        // no first row to go back to, which is no error either.
        m_set.moveFirst();
        return;
    }
    showError();
}

void BrowseWindow::closeEvent(QCloseEvent *event)
{
    // A set that never opened has nothing to close.
    if (m_set.isOpen() && !m_set.close())
        showError();
    ChildWindow::closeEvent(event);
}
