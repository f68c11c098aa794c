#pragma once

#include "ui/gridwindow.h"

// Every bill of materials once: one line per BOM number and description,
// in description order, as it was when the window opened. Never writes.
class AllBomWindow : public GridWindow
{
    Q_OBJECT
public:
    explicit AllBomWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
};
