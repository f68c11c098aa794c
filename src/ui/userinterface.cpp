#include "ui/userinterface.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

UserInterface::Answer DialogUserInterface::message(QWidget *parent, const QString &text,
                                                   const QString &title, Icon icon,
                                                   Buttons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

std::optional<QString> DialogUserInterface::input(QWidget *parent, const QString &prompt,
                                                  const QString &title, const QString &text)
{
    bool ok = false;
    const QString value = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

namespace {

// "*.*" means every file, with or without a dot in its name.
QString everyFile(QString filter)
{
    return filter.replace(QLatin1String("(*.*)"), QLatin1String("(*.* *)"));
}

} // namespace

QString DialogUserInterface::openFileName(QWidget *parent, const QString &title,
                                          const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), everyFile(filter));
}

QString DialogUserInterface::saveFileName(QWidget *parent, const QString &title,
                                          const QString &filter, const QString &proposedName)
{
    return QFileDialog::getSaveFileName(parent, title, proposedName, everyFile(filter));
}

bool DialogUserInterface::choosePrinter(QWidget *parent, QPrinter &printer, PrintRequest &request)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(request.title);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, request.hasSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    printer.setPrintRange(request.hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    // Documents print without page numbers, so no page range is offered. The
    // option alone leaves the dialog's range choices usable; they are
    // hidden once the dialog has set itself up.
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (const char *name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"})
            if (QWidget *choice = dialog.findChild<QWidget *>(QLatin1String(name)))
                choice->hide();
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request.printSelection = printer.printRange() == QPrinter::Selection;
    return true;
}
