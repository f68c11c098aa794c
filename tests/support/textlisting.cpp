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
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

void write(QStringList lines)
{
    lines.sort(), lines.removeDuplicates();
    QFile f(path());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write((lines.join('\n') + '\n').toUtf8());
}

bool updating() { return qgetenv("PARTWISE_UPDATE_TEXTS") == "1"; }

QStringList diff(QStringList listed, QStringList found)
{
    listed.sort(), found.sort();
    QStringList out;
    for (qsizetype i = 0, j = 0; i < listed.size() || j < found.size();) {
        if (j == found.size() || (i < listed.size() && listed[i] < found[j]))
            out << "- " + listed[i++];
        else if (i == listed.size() || found[j] < listed[i])
            out << "+ " + found[j++];
        else
            ++i, ++j;
    }
    return out;
}

QStringList unlisted(QStringList messages, const QString &folder)
{
    // Temporary folders differ from run to run.
    messages.replaceInStrings(folder, QStringLiteral("<folder>"));
    messages.replaceInStrings(QRegularExpression(QRegularExpression::escape(QDir::tempPath()) + "/[^/\\s]+"), "<temp>");
    messages.replaceInStrings(QRegularExpression("/dev/pts/[0-9]+"), "/dev/pts/<n>");
    const QStringList all = read();
    const QSet<QString> listed(all.begin(), all.end());
    QStringList missing;
    for (const QString &m : messages)
        if (!listed.contains(m) && !missing.contains(m))
            missing << m;
    if (updating() && !missing.isEmpty())
        return write(all + missing), QStringList();
    return diff({}, missing);
}

} // namespace TextListing
