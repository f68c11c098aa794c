#pragma once

#include "ui/childwindow.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class SerialCollector;
namespace ScanImport {
struct Result;
}

// Downloads the counts from the hand-held scanner: listens on its serial
// line for a fixed time, keeps what came in the transfer file and adds each
// line's quantity to its part's stock.
class CommWindow : public ChildWindow
{
    Q_OBJECT
public:
    static constexpr int ProgressMaximum = 300000;
    static constexpr int DefaultCollectionMs = 10000;
    // Up to this many skipped lines get a message each; more get one list.
    static constexpr int SeparateMessages = 3;
    // The list names this many lines at most (import.txt keeps them all).
    static constexpr int ListedLines = 40;

    explicit CommWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
    // The client area the window is drawn for.
    QSize sizeHint() const override;

    // Runs an import, as Start Import does. Does nothing while one runs.
    void startImport();
    bool isImporting() const { return m_importing; }

    // How long an import listens, in milliseconds.
    int collectionPeriod() const { return m_collectionMs; }
    void setCollectionPeriod(int ms) { m_collectionMs = ms; }

    QPlainTextEdit *txtDownload = nullptr;
    QLabel *lblProgressBar = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *cmdImport = nullptr;
    QPushButton *cmdexit = nullptr;
    SerialCollector *MSComm1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void runImport();
    QByteArray collect();
    void showProgress(bool label, bool bar);
    void reportSkippedLines(const ScanImport::Result &result);

    int m_collectionMs = DefaultCollectionMs;
    bool m_importing = false;
    bool m_closeWhenDone = false;
};
