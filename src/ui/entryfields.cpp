#include "ui/entryfields.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

EntryFields::EntryFields(QObject *parent) : QObject(parent) {}

void EntryFields::paint(QLineEdit *field, const QColor &color)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Base, color);
    field->setPalette(p);
}

void EntryFields::highlight(QLineEdit *field)
{
    field->installEventFilter(this);
    paint(field, normalColor());
    m_links.push_back({field, nullptr});
}

void EntryFields::onEnterFocus(QLineEdit *field, QWidget *next)
{
    QPointer<QWidget> target(next);
    onEnter(field, [target] {
        if (target)
            target->setFocus(Qt::OtherFocusReason);
    });
}

void EntryFields::onEnter(QLineEdit *field, std::function<void()> action)
{
    for (Link &link : m_links) {
        if (link.field == field) {
            link.action = std::move(action);
            return;
        }
    }
    highlight(field);
    m_links.back().action = std::move(action);
}

bool EntryFields::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        paint(field, highlightColor());
        break;
    case QEvent::FocusOut:
        paint(field, normalColor());
        break;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            break;
        for (const Link &link : m_links) {
            if (link.field == field && link.action) {
                // Copy: the action may close the window and destroy this filter.
                const auto action = link.action;
                action();
                return true;
            }
        }
        break;
    }
    default:
        break;
    }
    return false;
}
