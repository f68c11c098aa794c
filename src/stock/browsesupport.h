#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QSet>
#include <functional>
#include <initializer_list>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class Recordset;
class UserInterface;

// What the two look-up windows (by part number, by description) share: their
// look, their long editable list, the filling of the display fields and the
// completion of the typed text.
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
// Replaces the list in one go; the text stays empty.
void setList(QComboBox *box, const QStringList &entries);

// A value in its plain text form: 12.5, 3400.
QString plainText(const QVariant &value);
// The time-to-order flag: "No" for false or 0, "Yes" otherwise.
QString binText(const QVariant &value);

struct Column
{
    const char *name;
    QLineEdit *field;
};
// Fills the fields from the current row; a null column leaves its field
// unchanged. The row is read whole first, so a failure (reason in the set's
// error()) changes nothing.
bool fillFromRow(Recordset &set, std::initializer_list<Column> columns, QLineEdit *bin);

// Completes the box's text to the first row, from the current one on, whose
// column begins with it, and selects the completed remainder. When nothing
// matches, goes back to the first row so that the next key searches the whole
// set. Backspace and Delete do nothing.
void typeAhead(QComboBox *box, Recordset &set, const QString &column, int key, QWidget *window,
               UserInterface &ui);

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
