#pragma once

#include "ui/commandhost.h"

#include <QList>
#include <QString>

struct Command
{
    CommandId id;
    const char *menu;       // object name of the menu that holds it
    const char *objectName; // the menu item's name
    const char *caption;    // with its access key
    const char *shortcut;   // portable text, empty for none
    bool separatorBefore;
    bool checkable;
};

struct Menu
{
    const char *objectName;
    const char *caption;
};

// A toolbar button; an empty key is a separator.
struct ToolButton
{
    const char *key;
    const char *tooltip;
    CommandId command;
};

const QList<Menu> &menuTable();
const QList<Command> &commandTable();
const QList<ToolButton> &toolbarTable();
const Command *findCommand(CommandId id);
