#pragma once

#include "ui/gridwindow.h"

// The whole catalogue in a grid, as it was when the window opened: part
// number order at first, any column by a click on its heading, columns in
// any order by dragging their headings. Never writes.
class FullInventoryWindow : public GridWindow
{
    Q_OBJECT
public:
    explicit FullInventoryWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;

    // The catalogue's column for "Time to Order", shown as True or False.
    static constexpr int TimeToOrderColumn = 5;
};
