#include "textlisting.h"

#include "ui/childwindow.h"

#include <QtCore>

namespace TextListing {

static QString path() { return QStringLiteral(PARTWISE_SOURCE_DIR "/tests/texts.txt"); }

QString line(const QString &window, const QString &name, const QString &property, QString text)
{
    text.replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n").replace('\t', "\\t");
    return window + '/' + (name.isEmpty() ? property : name + '.' + property) + ": " + text;
}

QString windowOf(const QWidget *parent)
{
    const QWidget *w = parent;
    while (w && !w->isWindow() && !qobject_cast<const ChildWindow *>(w))
        w = w->parentWidget();
    return !w ? QStringLiteral("none") : w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
}

bool isMessage(const QString &line)
{
    static const QRegularExpression message(QStringLiteral("^[^/]*/message: "));
    return message.match(line).hasMatch();
}

QStringList read()
{
    QFile f(path());
    return f.open(QIODevice::ReadOnly), QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

void write(QStringList lines)
{
    lines.sort(), lines.removeDuplicates();
    QFile f(path());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write((lines.join('\n') + '\n').toUtf8());
}

bool updating() { return qgetenv("PARTWISE_UPDATE_TEXTS") == "1"; }

// Lines only listed ("- ") and lines only found ("+ "), in order.
QStringList diff(QStringList listed, QStringList found)
{
    QStringList out;
    for (const QString &l : listed)
        if (!found.removeOne(l))
            out << "- " + l;
    for (const QString &f : found)
        out << "+ " + f;
    return out.sort(), out;
}

QStringList unlisted(QStringList messages, const QString &folder)
{
    // Temporary folders differ from run to run.
    messages.replaceInStrings(folder, QStringLiteral("<folder>"));
    messages.replaceInStrings(QRegularExpression(QRegularExpression::escape(QDir::tempPath()) + "/[^/\\s]+"), "<temp>");
    messages.replaceInStrings(QRegularExpression("/dev/pts/[0-9]+"), "/dev/pts/<n>");
    const QStringList all = read();
    QStringList missing = messages;
    missing.removeDuplicates(), missing.removeIf([&](const QString &m) { return all.contains(m); });
    if (updating() && !missing.isEmpty())
        return write(all + missing), QStringList();
    return diff({}, missing);
}

} // namespace TextListing
