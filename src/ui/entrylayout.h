#pragma once

class QGridLayout;
class QPushButton;
class QWidget;

namespace EntryLayout {

// The stock windows' common frame: the label/field grid at the top, Submit
// and Exit at the bottom right, the window's status bar (if any) under them.
void assemble(QWidget *window, QGridLayout *fields, QPushButton *submit, QPushButton *exit,
              QWidget *statusBar);

} // namespace EntryLayout
