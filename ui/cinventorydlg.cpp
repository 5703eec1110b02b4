#include "ui/cinventorydlg.h"

#include "ui/cinventorymodel.h"
#include "ui/filechooser.h"
#include "ui/messagebox.h"
#include "ui/screenfit.h"
#include "ui_cinventorydlg.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

CInventoryDlg::CInventoryDlg(CInventoryModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    Ui::InventoryDlg form;
    form.setupUi(this);
    setModal(false);

    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(&m_model);
    m_proxy->setSortRole(CInventoryModel::kSortRole);

    m_table = form.inventoryTable;
    m_table->setModel(m_proxy);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(CInventoryModel::FirstSeenColumn, Qt::AscendingOrder);
    // Fixed widths: fitting columns to their contents would lay out every row on each change.
    m_table->setColumnWidth(CInventoryModel::IdColumn,
                            fontMetrics().horizontalAdvance(QStringLiteral("0000 ")) * 9);
    m_table->setColumnWidth(CInventoryModel::AntennaColumn, 70);
    m_table->setColumnWidth(CInventoryModel::ReadsColumn, 70);
    const int timeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00.000")) + 16;
    m_table->setColumnWidth(CInventoryModel::FirstSeenColumn, timeWidth);
    m_table->setColumnWidth(CInventoryModel::LastSeenColumn, timeWidth);

    m_summary = form.inventorySummary;
    QPushButton* clear = form.inventoryClearButton;
    QPushButton* exportCsv = form.inventoryExportButton;
    QPushButton* close = form.inventoryCloseButton;
    OpenAtPreferredSize(this, WithColumnsShown(this, m_table));

    connect(clear, &QPushButton::clicked, this, &CInventoryDlg::OnClear);
    connect(exportCsv, &QPushButton::clicked, this, &CInventoryDlg::OnExportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_model, &CInventoryModel::Changed, this, &CInventoryDlg::ShowSummary);
    ShowSummary();
}

CInventoryDlg::~CInventoryDlg() {
    m_model.SetLive(false);
}

void CInventoryDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_model.SetLive(true);
    ShowSummary();
}

void CInventoryDlg::hideEvent(QHideEvent* event) {
    m_model.SetLive(false);
    QDialog::hideEvent(event);
}

void CInventoryDlg::ShowSummary() {
    if (isVisible())
        m_summary->setText(m_model.SummaryText());
}

void CInventoryDlg::OnClear() {
    m_model.Clear();
}

void CInventoryDlg::OnExportCsv() {
    m_model.Flush();
    const QString path = ChooseSaveFile(this, tr("Export CSV"),
                                        QDir::home().filePath(QStringLiteral("inventory.csv")),
                                        tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(m_proxy->rowCount()));
    for (int row = 0; row < m_proxy->rowCount(); ++row)
        order.push_back(m_proxy->mapToSource(m_proxy->index(row, 0)).row());
    QString error;
    if (!m_model.ExportCsv(path, order, &error))
        ShowMessage(this, tr("Could not export the inventory to %1: %2\nThe rows are kept.")
                              .arg(QDir::toNativeSeparators(path), error));
}
