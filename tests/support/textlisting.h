#pragma once
// The program's texts as the user reads them, kept in one checked-in listing
// (tests/texts.txt), one line per text: "Window/objectName.property: text",
// messages as "Window/message: text". With PARTWISE_UPDATE_TEXTS=1 the tests
// write what they find into the listing instead of comparing.
#include <QStringList>

class QWidget;

namespace TextListing {

QString line(const QString &window, const QString &name, const QString &property, QString text);
// The window a message box belongs to: the child window or dialog around it.
QString windowOf(const QWidget *parent);
bool isMessage(const QString &line);
QStringList read();
void write(QStringList lines);
bool updating();
// "- listed" and "+ found" for each line that is in one list only.
QStringList diff(QStringList listed, QStringList found);
// Message lines the listing lacks, as "+ line"; when updating they are added.
// The test's folder and other temporary folders are named by placeholders.
QStringList unlisted(QStringList messages, const QString &folder);

} // namespace TextListing
