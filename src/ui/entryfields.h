#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QLineEdit;

// The behaviour every entry window gives its text fields: light yellow while
// the field has the focus, white when it leaves, and Enter walking on to the
// next field or running the window's main action. A window declares its chain
// as a list of links.
class EntryFields : public QObject
{
    Q_OBJECT
public:
    static QColor highlightColor() { return QColor(255, 255, 128); }
    static QColor normalColor() { return QColor(255, 255, 255); }

    explicit EntryFields(QObject *parent = nullptr);

    // Highlight only, no Enter handling.
    void highlight(QLineEdit *field);
    // Enter gives the focus to `next`.
    void onEnterFocus(QLineEdit *field, QWidget *next);
    // Enter runs `action` (the main action, or a choice made at that moment).
    void onEnter(QLineEdit *field, std::function<void()> action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Link
    {
        QPointer<QLineEdit> field;
        std::function<void()> action;
    };
    static void paint(QLineEdit *field, const QColor &color);
    std::vector<Link> m_links;
};
