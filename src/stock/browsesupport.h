#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QSet>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The look-up windows' widgets: their look, their long editable list and the
// keys of that list.
namespace Browse {

// Dark navy client area of a fixed size in twips.
void styleWindow(QWidget *window, double widthTwips, double heightTwips);
// Fixed position and size in twips.
void place(QWidget *widget, double left, double top, double width, double height);
// White bold label on the window's background.
QLabel *label(QWidget *window, const char *name, const QString &text, double left, double top,
              double width, double height = 315);
QLineEdit *field(QWidget *window, const char *name, double left, double top, double width,
                 double height = 315);
QPushButton *button(QWidget *window, const char *name, const QString &text, double left,
                    double top, double width = 1215, double height = 375);

// An editable box whose list may hold the whole catalogue: no built-in
// completion or insertion, sizes that never walk the list.
void setUpCombo(QComboBox *box);

// Sets a field's text and shows its start: a value longer than the field
// would otherwise show its end.
void showText(QLineEdit *field, const QString &text);
// The time-to-order flag: "No" for false or 0, "Yes" otherwise.
QString binText(const QVariant &value);

// The box's own keys: Return or Enter pressed runs `enter` (the key goes no
// further), every key released runs `released`. Real key events reach the
// box, which has the focus; events sent to its line edit are caught there.
class ComboKeys : public QObject
{
public:
    ComboKeys(QComboBox *box, std::function<void()> enter, std::function<void(int)> released);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *m_box;
    std::function<void()> m_enter;
    std::function<void(int)> m_released;
    QSet<int> m_pressed; // keys whose press reached the box
};

} // namespace Browse
