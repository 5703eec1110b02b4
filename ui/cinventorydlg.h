// The "Inventory" window: a modeless view of the main window's CInventoryModel, sortable by any
// column, with a summary line, Clear and Export CSV.
//
// The model is live only while this window is shown, so a hidden or closed window costs the
// record stream nothing beyond the model's own counting.
#pragma once

#include <QDialog>

class CInventoryModel;
class QLabel;
class QSortFilterProxyModel;
class QTableView;

class CInventoryDlg : public QDialog {
    Q_OBJECT
public:
    CInventoryDlg(CInventoryModel& model, QWidget* parent);
    ~CInventoryDlg() override;

    void OnClear();
    // Asks for a file and writes the rows to it in the order the table shows them; a failure is
    // reported in a message box naming the file and the reason, and the rows stay.
    void OnExportCsv();

    QTableView& Table() { return *m_table; }
    QSortFilterProxyModel& Proxy() { return *m_proxy; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowSummary();

    CInventoryModel& m_model;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_summary = nullptr;
};
