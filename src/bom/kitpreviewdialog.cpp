#include "bom/kitpreviewdialog.h"

#include "data/numberrules.h"
#include "ui/appcontext.h"
#include "ui/childwindow.h"
#include "ui/userinterface.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

KitPreviewDialog::KitPreviewDialog(const KitPlan::Plan &plan, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKitPreview"));
    setWindowTitle(QStringLiteral("Kit Pull"));
    setModal(true);

    int short_ = 0;
    int reorder = 0;
    for (const KitPlan::Line &line : plan.lines) {
        short_ += line.belowZero();
        reorder += line.belowReorderPoint();
    }
    m_kit = new QLabel(this);
    m_kit->setObjectName(QStringLiteral("lblKit"));
    m_kit->setTextFormat(Qt::PlainText);
    m_kit->setText(QStringLiteral("Kit %1, %2 kits: %3 components, %4 below zero, %5 below the reorder point.")
                       .arg(plan.kitNo)
                       .arg(plan.kits)
                       .arg(plan.lines.size())
                       .arg(short_)
                       .arg(reorder));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstComponents"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setHeaderLabels({QStringLiteral("Part No"), QStringLiteral("Description"), QStringLiteral("Stock"),
                             QStringLiteral("Needed"), QStringLiteral("After"), QStringLiteral("Note")});
    for (const KitPlan::Line &line : plan.lines) {
        QStringList notes;
        if (line.belowZero())
            notes << belowZeroText();
        if (line.belowReorderPoint())
            notes << belowReorderText();
        auto *item = new QTreeWidgetItem(
            m_list, {line.partNo, line.description, NumberRules::plainText(line.stock),
                     NumberRules::plainText(line.needed), NumberRules::plainText(line.after),
                     notes.join(QStringLiteral(", "))});
        for (int c = 2; c <= 4; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        if (!notes.isEmpty()) {
            const QColor colour = line.belowZero() ? QColor(0xb0, 0x00, 0x00) : QColor(0x9a, 0x5b, 0x00);
            QFont bold = item->font(0);
            bold.setBold(line.belowZero());
            for (int c = 0; c < m_list->columnCount(); ++c) {
                item->setForeground(c, colour);
                item->setFont(c, bold);
            }
        }
    }
    m_list->header()->setStretchLastSection(true);
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));

    auto *buttons = new QDialogButtonBox(this);
    m_pull = buttons->addButton(QStringLiteral("Pull"), QDialogButtonBox::AcceptRole);
    m_pull->setObjectName(QStringLiteral("cmdPull"));
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_pull->setDefault(true);
    m_pull->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_kit);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);

    int width = 40;
    for (int c = 0; c < m_list->columnCount(); ++c)
        width += m_list->columnWidth(c);
    const int rowHeight = qMax(16, m_list->sizeHintForRow(0));
    resize(qBound(480, width, 1100), qBound(300, 150 + rowHeight * int(plan.lines.size()), 640));
    m_list->setFocus();
}

QList<QStringList> KitPreviewDialog::rows() const
{
    QList<QStringList> out;
    for (int r = 0; r < m_list->topLevelItemCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m_list->columnCount(); ++c)
            row << m_list->topLevelItem(r)->text(c);
        out << row;
    }
    return out;
}

namespace KitPreview {

bool wanted(const AppContext &app)
{
    const QString value =
        app.settings()->value(QStringLiteral("Settings/KitPullPreview")).toString().trimmed().toLower();
    return !(value == QStringLiteral("false") || value == QStringLiteral("0") || value == QStringLiteral("no")
             || value == QStringLiteral("off"));
}

void pull(AppContext &app, QWidget *host, const QString &kitNo, qint16 kits)
{
    UserInterface &ui = app.ui();
    BusyPointer busy(host);
    KitPlan::Plan plan;
    const KitPull::Outcome read = KitPlan::read(app.database(), kitNo, kits, &plan);
    busy.release();
    if (!read.ok()) {
        ui.inform(host, KitPull::messageFor(kitNo, read));
        return;
    }
    for (;;) {
        {
            KitPreviewDialog dialog(plan, host);
            if (dialog.exec() != QDialog::Accepted)
                return;
        }
        busy.set();
        const KitPlan::Outcome outcome = KitPlan::pull(app.database(), plan);
        busy.release();
        if (outcome.ok())
            return;
        if (outcome.changed.isEmpty()) {
            ui.inform(host, KitPull::messageFor(kitNo, outcome.pull));
            return;
        }
        ui.inform(host, KitPlan::changedMessage(outcome.changed));
        plan = outcome.now;
    }
}

} // namespace KitPreview
