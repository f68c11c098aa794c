#pragma once

#include "app/commands.h"

#include <QHash>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class AppContext;
class ChildWindow;
class HelpViewer;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

// The main window: menus, toolbar and status bar, the child windows inside,
// and the stored position and size.
class MainWindow : public QMainWindow, public CommandHost
{
    Q_OBJECT
public:
    // Stored geometry defaults, in twips.
    static constexpr double DefaultLeft = 1000, DefaultTop = 1000;
    static constexpr double DefaultWidth = 6500, DefaultHeight = 6500;

    explicit MainWindow(AppContext &app, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Restores the geometry and opens the database; false when the database
    // would not open (the reason is in app().database().error()).
    bool load();
    // Shows the open database in the status bar.
    void showDatabase();

    AppContext &app() const override { return m_app; }
    QAction *action(CommandId id) const { return m_actions.value(id); }
    QToolBar *toolBar() const { return m_toolBar; }
    QToolButton *toolButton(const QString &key) const;
    QMdiArea *mdiArea() const { return m_mdi; }
    QLabel *statusPanel(int panel) const; // 1..3
    // Names the open database (the file, or the database and its server).
    QLabel *databasePanel() const { return m_databasePanel; }
    QMenu *menu(const QString &objectName) const;
    // The manual's contents page, relative to the program folder; empty
    // means no help.
    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString &file) { m_helpFile = file; }

    // Runs a command as its menu item does.
    void run(CommandId id);
    // Runs a toolbar button by its key; unknown keys do nothing.
    void runToolButton(const QString &key);
    // Shows a child window inside the main window.
    QMdiSubWindow *showChild(ChildWindow *window) override;
    QWidget *activeChild() const override;
    QWidget *hostWidget() override { return this; }
    void registerWindow(CommandId id, WindowFactory factory) override;
    // Also replaces what was registered before (tests stand in for a command).
    void registerHandler(CommandId id, std::function<void()> handler) override;
    bool isRegistered(CommandId id) const;

    void storeGeometry();
    void restoreGeometryFromSettings();

public slots:
    void updateMenus();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createToolBar();
    void createStatusBar();
    void updateClock();
    void updateWindowMenu();
    void registerShellCommands();
    // The File or Edit action a command sends to the active child first.
    static bool standardAction(CommandId id, StandardAction *action);
    void tile(Qt::Orientation orientation);
    void showHelp(bool search);

    AppContext &m_app;
    QMdiArea *m_mdi = nullptr;
    QToolBar *m_toolBar = nullptr;
    QHash<CommandId, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
    QHash<CommandId, std::function<void()>> m_handlers;
    QHash<CommandId, WindowFactory> m_factories;
    QList<QKeySequence> m_commandKeys; // shortcuts that win over text fields
    QList<QAction *> m_windowListActions;
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
    QLabel *m_databasePanel = nullptr;
    QTimer *m_clock = nullptr;
    QPointer<HelpViewer> m_help;
    QString m_helpFile;
};
