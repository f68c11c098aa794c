#pragma once

#include "importing/ops/partsimport.h"
#include "ui/childwindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// File > Import Parts...: a spreadsheet saved as CSV or tab-separated text,
// its first rows shown with a field chosen for each column, then imported.
class ImportPartsWindow : public ChildWindow
{
    Q_OBJECT

public:
    explicit ImportPartsWindow(AppContext &app, QWidget *parent = nullptr);
    static QString caption() { return QStringLiteral("Import Parts"); }
    // Rows shown before the import.
    static constexpr int PreviewRows = 20;

    void load() override;
    // Reads a file and shows it; false (with a message) when it cannot be read.
    bool openFile(const QString &path);
    // The field chosen for each column.
    QList<PartField> columnFields() const;

private:
    void choose();
    void showPreview();
    void import();

    QLineEdit *m_file;
    QPushButton *m_choose;
    QLabel *m_about;
    QTableWidget *m_preview;
    QCheckBox *m_headings;
    QCheckBox *m_update;
    QPlainTextEdit *m_summary;
    QPushButton *m_import;
    QPushButton *m_exit;
    QList<QComboBox *> m_fields;
    Sheet m_sheet;
};
