#pragma once

#include <QString>
#include <optional>

class QWidget;
class QPrinter;

// Every message box, question, input prompt and file or print dialog goes
// through this interface: the program shows real dialogs, tests script the
// answers and read what was shown.
class UserInterface
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct PrintRequest
    {
        QString title;
        bool hasSelection = false;   // offer "Selection" and start with it chosen
        bool printSelection = false; // out: the user chose the selection
    };

    virtual ~UserInterface() = default;

    virtual Answer message(QWidget *parent, const QString &text, const QString &title,
                           Icon icon = Icon::None, Buttons buttons = Buttons::Ok) = 0;
    // A single-line prompt; no value when the user cancels.
    virtual std::optional<QString> input(QWidget *parent, const QString &prompt,
                                         const QString &title, const QString &text = QString()) = 0;
    // Empty when cancelled. The save dialog starts with `proposedName` (a
    // path) when one is given.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                 const QString &proposedName = QString()) = 0;
    // Lets the user choose a printer; false when cancelled.
    virtual bool choosePrinter(QWidget *parent, QPrinter &printer, PrintRequest &request) = 0;

    // The program's title, used as the title of its message boxes.
    static QString programTitle() { return QStringLiteral("Partwise"); }
    // A plain OK message with the program's title.
    void inform(QWidget *parent, const QString &text, Icon icon = Icon::None)
    {
        message(parent, text, programTitle(), icon, Buttons::Ok);
    }
};

// The real dialogs.
class DialogUserInterface : public UserInterface
{
public:
    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> input(QWidget *parent, const QString &prompt, const QString &title,
                                 const QString &text) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                         const QString &proposedName = QString()) override;
    bool choosePrinter(QWidget *parent, QPrinter &printer, PrintRequest &request) override;
};
