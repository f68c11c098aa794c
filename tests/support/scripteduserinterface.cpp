#include "scripteduserinterface.h"

#include <QPrinter>

UserInterface::Answer ScriptedUserInterface::message(QWidget *, const QString &text,
                                                     const QString &title, Icon icon,
                                                     Buttons buttons)
{
    if (shown.append({text, title, icon, buttons}); whileShown)
        whileShown(shown.last());
    if (!answers.isEmpty() && buttons != Buttons::Ok)
        return answers.dequeue();
    // Unanswered, a question is cancelled: No where there is no Cancel.
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<QString> ScriptedUserInterface::input(QWidget *, const QString &prompt,
                                                    const QString &, const QString &)
{
    prompts << prompt;
    return inputs.isEmpty() ? std::nullopt : inputs.dequeue();
}

QString ScriptedUserInterface::openFileName(QWidget *, const QString &title, const QString &)
{
    dialogTitles << title;
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString ScriptedUserInterface::saveFileName(QWidget *, const QString &title, const QString &,
                                           const QString &proposedName)
{
    dialogTitles << title;
    proposedNames << proposedName;
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

bool ScriptedUserInterface::choosePrinter(QWidget *, QPrinter &printer, PrintRequest &request)
{
    dialogTitles << request.title;
    printRequests << request;
    const bool chosen = !printChoices.isEmpty() && printChoices.dequeue();
    if (chosen && !printToPdf.isEmpty())
        printer.setOutputFormat(QPrinter::PdfFormat), printer.setOutputFileName(printToPdf);
    request.printSelection = chosen && request.hasSelection && printSelectionChoice;
    return chosen;
}

QStringList ScriptedUserInterface::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

void ScriptedUserInterface::clear()
{
    shown.clear(), prompts.clear(), dialogTitles.clear(), printRequests.clear(), proposedNames.clear();
}
