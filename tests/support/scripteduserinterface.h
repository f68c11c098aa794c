#pragma once

#include "ui/userinterface.h"

#include <QtCore>
#include <functional>

// Answers dialogs from a script and records what was shown.
class ScriptedUserInterface : public UserInterface
{
public:
    struct Shown { QString text, title; Icon icon = Icon::None; Buttons buttons = Buttons::Ok; };

    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> input(QWidget *parent, const QString &prompt, const QString &title,
                                 const QString &text) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &proposedName = QString()) override;
    bool choosePrinter(QWidget *parent, QPrinter &printer, PrintRequest &request) override;

    // Script: answers to questions, input texts (nullopt = cancel), file
    // names ("" = cancel), printer choices (false = cancel).
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> inputs;
    QQueue<QString> fileNames;
    QQueue<bool> printChoices;
    QString printToPdf; // when set, chosen printers print to this PDF file
    bool printSelectionChoice = false;
    // Runs while a message or question is on screen, before it is answered:
    // what others do to the database while the user reads it.
    std::function<void(const Shown &)> whileShown;

    // What was shown, in order.
    QList<Shown> shown;
    QStringList prompts;     // input prompts
    QStringList dialogTitles; // file and print dialog titles
    QStringList proposedNames; // names the save dialogs started with
    QList<PrintRequest> printRequests;

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear();
};
