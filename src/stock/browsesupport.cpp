#include "stock/browsesupport.h"

#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace Browse {

void styleWindow(QWidget *window, double widthTwips, double heightTwips)
{
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 64));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
    window->resize(Twips::toPixels(widthTwips, window), Twips::toPixels(heightTwips, window));
}

void place(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(Twips::toPixels(left, widget), Twips::toPixels(top, widget),
                        Twips::toPixels(width, widget), Twips::toPixels(height, widget));
}

QLabel *label(QWidget *window, const char *name, const QString &text, double left, double top,
              double width, double height)
{
    auto *l = new QLabel(text, window);
    l->setObjectName(QLatin1String(name));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    place(l, left, top, width, height);
    return l;
}

QLineEdit *field(QWidget *window, const char *name, double left, double top, double width,
                 double height)
{
    auto *f = new QLineEdit(window);
    f->setObjectName(QLatin1String(name));
    place(f, left, top, width, height);
    return f;
}

QPushButton *button(QWidget *window, const char *name, const QString &text, double left,
                    double top, double width, double height)
{
    auto *b = new QPushButton(text, window);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    place(b, left, top, width, height);
    return b;
}

void setUpCombo(QComboBox *box)
{
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // The window completes the text itself, from its own current row.
    box->setCompleter(nullptr);
    // Neither the box's size nor its list view may measure every entry.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    if (auto *view = qobject_cast<QListView *>(box->view()))
        view->setUniformItemSizes(true);
    // Only a choice from the list picks an entry: leaving the box or pressing
    // Enter must not pick the entry that matches the typed text.
    QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
    QObject::disconnect(box->lineEdit(), &QLineEdit::returnPressed, box, nullptr);
}

void showText(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

QString binText(const QVariant &value)
{
    bool no = false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        no = !value.toBool();
        break;
    case QMetaType::QString:
        no = value.toString() == QLatin1String("False") || value.toString() == QLatin1String("0");
        break;
    default:
        no = value.toDouble() == 0.0;
        break;
    }
    return no ? QStringLiteral("No") : QStringLiteral("Yes");
}

ComboKeys::ComboKeys(QComboBox *box, std::function<void()> enter,
                     std::function<void(int)> released)
    : QObject(box), m_box(box), m_enter(std::move(enter)), m_released(std::move(released))
{
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
}

bool ComboKeys::eventFilter(QObject *watched, QEvent *event)
{
    // A key still down when the box loses the focus is released elsewhere.
    if (event->type() == QEvent::FocusOut && watched == m_box)
        m_pressed.clear();
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // The box hands its key events to the line edit directly, past this
    // filter; an event sent to the line edit itself is handled and stopped
    // there so that it does not reach the box a second time.
    const bool atLineEdit = watched == m_box->lineEdit();
    if (event->type() == QEvent::KeyPress) {
        m_pressed.insert(key->key());
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        m_enter();
        return true;
    }
    // A key pressed elsewhere (Ctrl+B that opened this window) and released
    // here is no typing in the box: completing on it would leave a selection
    // the window's activation then clears, and the next letter would be
    // appended to a part number nobody chose.
    if (!m_pressed.contains(key->key()))
        return atLineEdit;
    if (!key->isAutoRepeat())
        m_pressed.remove(key->key());
    m_released(key->key());
    return atLineEdit;
}

} // namespace Browse
