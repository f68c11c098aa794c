#include "importing/importpartswindow.h"

#include "ui/appcontext.h"
#include "ui/userinterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString separatorName(QChar c)
{
    if (c == u'\t')
        return QStringLiteral("tabs");
    if (c == u';')
        return QStringLiteral("semicolons");
    return QStringLiteral("commas");
}

} // namespace

ImportPartsWindow::ImportPartsWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmImportParts"));
    setWindowTitle(caption());
    auto *layout = new QVBoxLayout(this);
    auto *fileRow = new QHBoxLayout;
    auto *fileLabel = new QLabel(QStringLiteral("&File:"), this);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("txtFile"));
    m_file->setReadOnly(true);
    fileLabel->setBuddy(m_file);
    m_choose = new QPushButton(QStringLiteral("&Choose..."), this);
    m_choose->setObjectName(QStringLiteral("cmdChoose"));
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_choose);
    layout->addLayout(fileRow);

    m_about = new QLabel(this);
    m_about->setObjectName(QStringLiteral("lblAbout"));
    m_about->setWordWrap(true);
    layout->addWidget(m_about);
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("grdPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setToolTip(QStringLiteral("The first rows of the file; choose what each column holds in the top row"));
    layout->addWidget(m_preview, 1);

    m_headings = new QCheckBox(QStringLiteral("First row holds column &names"), this);
    m_headings->setObjectName(QStringLiteral("chkHeadings"));
    m_update = new QCheckBox(QStringLiteral("&Update parts already in inventory"), this);
    m_update->setObjectName(QStringLiteral("chkUpdate"));
    layout->addWidget(m_headings);
    layout->addWidget(m_update);
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("txtSummary"));
    m_summary->setReadOnly(true);
    m_summary->setMaximumHeight(90);
    m_summary->setPlaceholderText(QStringLiteral("What the import did is shown here."));
    layout->addWidget(m_summary);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_import = new QPushButton(QStringLiteral("Im&port"), this);
    m_import->setObjectName(QStringLiteral("cmdImport"));
    m_import->setEnabled(false);
    m_exit = new QPushButton(QStringLiteral("Close"), this);
    m_exit->setObjectName(QStringLiteral("cmdExit"));
    buttons->addWidget(m_import);
    buttons->addWidget(m_exit);
    layout->addLayout(buttons);

    connect(m_choose, &QPushButton::clicked, this, &ImportPartsWindow::choose);
    connect(m_import, &QPushButton::clicked, this, &ImportPartsWindow::import);
    connect(m_exit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
    connect(m_headings, &QCheckBox::toggled, this, &ImportPartsWindow::showPreview);
}

void ImportPartsWindow::load()
{
    resizeFrame(QSize(680, 460));
    placeAsChild();
    choose();
}

void ImportPartsWindow::choose()
{
    const QString path = m_app.ui().openFileName(
        this, QStringLiteral("Import Parts"),
        QStringLiteral("Spreadsheets saved as text (*.csv *.tsv *.txt);;All files (*)"));
    if (!path.isEmpty())
        openFile(path);
}

bool ImportPartsWindow::openFile(const QString &path)
{
    Sheet sheet = Sheet::read(path);
    if (!sheet.error.isEmpty()) {
        m_app.ui().inform(this, sheet.error, UserInterface::Icon::Warning);
        return false;
    }
    if (sheet.records.isEmpty()) {
        m_app.ui().inform(this, QStringLiteral("%1 holds no rows.").arg(QDir::toNativeSeparators(path)),
                          UserInterface::Icon::Warning);
        return false;
    }
    m_sheet = sheet;
    m_file->setText(QDir::toNativeSeparators(path));
    bool headings = false;
    const QList<PartField> guessed = PartsImport::guessFields(m_sheet, &headings);
    int width = 0;
    for (const Sheet::Record &r : std::as_const(m_sheet.records))
        width = qMax(width, int(r.cells.size()));
    m_fields.clear();
    m_preview->clear();
    m_preview->setColumnCount(width);
    for (int c = 0; c < width; ++c) {
        auto *box = new QComboBox(m_preview);
        box->setObjectName(QStringLiteral("cboField%1").arg(c));
        box->addItem(PartsImport::fieldName(PartField::None), int(PartField::None));
        for (PartField f : PartsImport::fields())
            box->addItem(PartsImport::fieldName(f), int(f));
        box->setCurrentIndex(box->findData(int(guessed.value(c, PartField::None))));
        m_fields << box;
    }
    m_summary->clear();
    {
        const QSignalBlocker block(m_headings);
        m_headings->setChecked(headings);
    }
    showPreview();
    m_import->setEnabled(true);
    return true;
}

void ImportPartsWindow::showPreview()
{
    const int skip = m_headings->isChecked() ? 1 : 0;
    const int shown = qMin(PreviewRows, int(m_sheet.records.size()) - skip);
    // Row 0 holds the field chosen for each column; the file's rows follow.
    m_preview->setRowCount(1 + qMax(0, shown));
    QStringList headers;
    for (int c = 0; c < m_fields.size(); ++c) {
        headers << (skip ? m_sheet.records.first().cells.value(c) : QStringLiteral("Column %1").arg(c + 1));
        if (m_preview->cellWidget(0, c) != m_fields.at(c))
            m_preview->setCellWidget(0, c, m_fields.at(c));
    }
    m_preview->setHorizontalHeaderLabels(headers);
    QStringList lines{QString()};
    for (int r = 0; r < shown; ++r) {
        const Sheet::Record &record = m_sheet.records.at(r + skip);
        lines << QString::number(record.line);
        for (int c = 0; c < m_fields.size(); ++c)
            m_preview->setItem(r + 1, c, new QTableWidgetItem(record.cells.value(c)));
    }
    m_preview->setVerticalHeaderLabels(lines);
    m_preview->resizeColumnsToContents();
    m_about->setText(QStringLiteral("%1 rows, separated by %2, %3. %4")
                         .arg(m_sheet.records.size() - skip)
                         .arg(separatorName(m_sheet.separator), m_sheet.encoding)
                         .arg(shown < int(m_sheet.records.size()) - skip
                                  ? QStringLiteral("The first %1 are shown.").arg(shown)
                                  : QStringLiteral("All are shown.")));
}

QList<PartField> ImportPartsWindow::columnFields() const
{
    QList<PartField> out;
    for (QComboBox *box : m_fields)
        out << PartField(box->currentData().toInt());
    return out;
}

void ImportPartsWindow::import()
{
    const QList<PartField> fields = columnFields();
    if (!fields.contains(PartField::PartNo)) {
        m_app.ui().inform(this, QStringLiteral("Choose the column that holds the part number."));
        if (!m_fields.isEmpty())
            m_fields.first()->setFocus();
        return;
    }
    for (PartField f : PartsImport::fields())
        if (fields.count(f) > 1) {
            m_app.ui().inform(this, QStringLiteral("Two columns are marked as %1; choose one.")
                                        .arg(PartsImport::fieldName(f)));
            return;
        }
    BusyPointer busy(this);
    const PartsImport::Outcome outcome =
        PartsImport::run(m_app.database(), m_sheet, fields, m_headings->isChecked(), m_update->isChecked());
    busy.release();
    const QString summary = outcome.summary();
    m_summary->setPlainText(summary);
    QString shown = summary;
    const QStringList lines = summary.split(QLatin1Char('\n'));
    if (lines.size() > 16)
        shown = lines.mid(0, 16).join(QLatin1Char('\n'))
                + QStringLiteral("\n... and %1 more, listed in the window.").arg(lines.size() - 16);
    m_app.ui().inform(this, shown,
                      outcome.status == PartsImport::Outcome::Status::Done
                          ? (outcome.refused.isEmpty() ? UserInterface::Icon::Information : UserInterface::Icon::Warning)
                          : UserInterface::Icon::Critical);
}
