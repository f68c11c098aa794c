#pragma once

#include "ui/childwindow.h"

#include <functional>

class EntryFields;
class ListGridModel;
class GridView;
class QLabel;
class QLineEdit;
class QPushButton;

// Builds a new bill of materials one component row at a time, with the rows
// written so far listed below the fields. A BOM number that exists already
// hands the user over to the BOM editor.
class AddNewBomWindow : public ChildWindow
{
    Q_OBJECT
public:
    explicit AddNewBomWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
    // Writes one component row, as the Submit button does.
    void submit();
    // True once this window has written a row: it no longer asks whether the
    // BOM is listed.
    bool bomStarted() const { return m_started; }
    // What Yes to "already listed" runs to show the BOM editor with the BOM
    // number typed.
    void setEditorOpener(std::function<void(const QString &boardPn)> opener)
    {
        m_openEditor = std::move(opener);
    }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *lblBoardNo = nullptr;
    QLineEdit *txtBoardNo = nullptr;
    QLabel *lblBoard = nullptr;
    QLineEdit *txtDescription = nullptr;
    QLabel *lblPartNo = nullptr;
    QLineEdit *txtPartNo = nullptr;
    QLabel *lblQuantity = nullptr;
    QLineEdit *txtQuantity = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdClose = nullptr;
    GridView *grdDataGrid = nullptr;

    bool refuse(const QString &text, QLineEdit *field);
    bool showRows(const QString &boardPn);
    void fitGrid();

    EntryFields *m_fields = nullptr;
    ListGridModel *m_model = nullptr;
    bool m_started = false;
    std::function<void(const QString &)> m_openEditor;
};
