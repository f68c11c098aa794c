#pragma once

#include "bom/ops/kitplan.h"

#include <QDialog>

class AppContext;
class QLabel;
class QPushButton;
class QTreeWidget;

// The list shown before a kit pull writes: each component with its stock,
// the quantity needed and the stock after, lines that go below zero or below
// the reorder point marked. "Pull" (the default) accepts, "Cancel" or Escape
// rejects.
class KitPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit KitPreviewDialog(const KitPlan::Plan &plan, QWidget *parent = nullptr);

    // Texts of the list, one row per component: part, description, stock,
    // needed, after, note.
    QList<QStringList> rows() const;

    // The notes of a marked line.
    static QString belowZeroText() { return QStringLiteral("Below zero"); }
    static QString belowReorderText() { return QStringLiteral("Below reorder point"); }

private:
    QLabel *m_kit;
    QTreeWidget *m_list;
    QPushButton *m_pull;
    QPushButton *m_cancel;
};

namespace KitPreview {
// False when KitPullPreview in [Settings] is false, 0, no or off: the pull
// then writes without a list.
bool wanted(const AppContext &app);

// The pull with the list: reads the plan, shows it, and on "Pull" pulls
// exactly it; when another workstation changed a component in between, says
// which and shows the list again with the new figures. Cancel changes
// nothing. Failures are the pull's own messages.
void pull(AppContext &app, QWidget *host, const QString &kitNo, qint16 kits);
}
