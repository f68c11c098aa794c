#include "ui/entrylayout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace EntryLayout {

void assemble(QWidget *window, QGridLayout *fields, QPushButton *submit, QPushButton *exit,
              QWidget *statusBar)
{
    fields->setContentsMargins(12, 12, 12, 6);
    fields->setHorizontalSpacing(10);
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 6, 12, 12);
    buttons->addStretch();
    buttons->addWidget(submit);
    buttons->addWidget(exit);
    auto *outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(fields);
    outer->addStretch();
    outer->addLayout(buttons);
    if (statusBar)
        outer->addWidget(statusBar);
}

} // namespace EntryLayout
