#pragma once
// Driving windows as the user does, shared by every suite: keys go to the
// widget that has the focus, buttons are found by their object name.
#include <QProcess>
#include <QTest>
#include <QtWidgets>

namespace Drive {

// A control of a window by its object name; null (with a warning) when the
// window has none of that name and kind.
template <class T = QWidget>
T *find(const QObject *window, const char *name)
{
    T *found = window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!found)
        qWarning("no control named %s", name);
    return found;
}

inline QWidget *focused() { return QApplication::focusWidget(); }

// Gives the control the focus as a click or Tab would.
inline void focus(QWidget *w)
{
    if (w)
        w->activateWindow(), w->setFocus(Qt::OtherFocusReason);
}

// A key, to whatever has the focus.
inline void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QWidget *w = focused())
        QTest::keyClick(w, Qt::Key(k), modifiers);
}

// Text typed key by key to whatever has the focus, letters outside Latin-1
// included, then an optional key (Qt::Key_Return, Qt::Key_Tab ...).
inline void typeText(const QString &text, int then = Qt::Key_unknown)
{
    for (const QChar c : text) {
        QWidget *w = focused();
        if (!w)
            return;
        const auto k = c.isLetterOrNumber() && c.unicode() < 128 ? Qt::Key(c.toUpper().unicode())
                                                                : Qt::Key_unknown;
        const Qt::KeyboardModifiers shift = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        QTest::sendKeyEvent(QTest::Press, w, k, QString(c), shift);
        QTest::sendKeyEvent(QTest::Release, focused() ? focused() : w, k, QString(c), shift);
    }
    if (then != Qt::Key_unknown)
        key(then);
}

// Focuses the control named, selects what it holds as Tab would, and types.
inline void type(const QObject *window, const char *name, const QString &text,
                 int then = Qt::Key_unknown)
{
    QWidget *w = find(window, name);
    focus(w);
    // Not Ctrl+A: the main window's Add New Part No takes that key.
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->selectAll();
    else if (auto *c = qobject_cast<QComboBox *>(w); c && c->lineEdit())
        c->lineEdit()->selectAll();
    typeText(text, then);
}

// Clicks the button named with the mouse, as the user does.
inline bool click(const QObject *window, const char *name)
{
    auto *b = find<QAbstractButton>(window, name);
    if (!b || !b->isVisible() || !b->isEnabled())
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

// Types over what the control named holds: focused, its text selected as
// Tab selects it and deleted (Ctrl+A may be a command's shortcut, Home and
// End a window's own keys), then the text and an optional key.
inline void fill(const QObject *window, const char *name, const QString &text, int then = Qt::Key_unknown)
{
    if (QWidget *w = find(window, name)) {
        focus(w);
        if (auto *edit = qobject_cast<QLineEdit *>(focused()))
            edit->selectAll();
        key(Qt::Key_Delete);
    }
    typeText(text, then);
}

// Runs one of the program's tools from the build folder, after the shell
// commands in `before`: its exit status (-1: killed) and all it wrote.
inline int runTool(const QString &tool, const QStringList &args, QString *output, const QString &before = QString())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), before + QStringLiteral("exec \"$0\" \"$@\""),
                                                QCoreApplication::applicationDirPath() + QStringLiteral("/../") + tool} + args);
    p.waitForFinished(120000);
    *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace Drive
