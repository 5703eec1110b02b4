#include "ui/cinventorydlg.h"

#include "ui/cinventorymodel.h"
#include "ui/filechooser.h"
#include "ui/screenfit.h"
#include "ui_cinventorydlg.h"
#include "widgets/messagebox.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QValueAxis>
#include <algorithm>

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
    m_table->setColumnWidth(CInventoryModel::AntennaReadsColumn,
                            fontMetrics().horizontalAdvance(QStringLiteral("1:00000 ")) * 4);
    const int timeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00.000")) + 16;
    m_table->setColumnWidth(CInventoryModel::FirstSeenColumn, timeWidth);
    m_table->setColumnWidth(CInventoryModel::LastSeenColumn, timeWidth);

    m_summary = form.inventorySummary;
    QPushButton* clear = form.inventoryClearButton;
    QPushButton* exportCsv = form.inventoryExportButton;
    QPushButton* close = form.inventoryCloseButton;
    m_chartView = form.inventoryChart;
    SetUpChart();
    form.inventorySplitter->setStretchFactor(0, 1);
    form.inventorySplitter->setStretchFactor(1, 1);
    OpenAtPreferredSize(this, WithColumnsShown(this, m_table));

    m_chartTimer.setInterval(kChartTickMs);
    connect(&m_chartTimer, &QTimer::timeout, this,
            [this] { SampleRate(QDateTime::currentMSecsSinceEpoch()); });
    m_chartTimer.start();

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
    m_history.Clear();
    ShowChart();
}

void CInventoryDlg::SetUpChart() {
    auto* chart = new QChart;
    chart->setTitle(tr("Last minute"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_rateSeries = new QLineSeries(chart);
    m_rateSeries->setName(tr("Reads/s"));
    m_distinctSeries = new QLineSeries(chart);
    m_distinctSeries->setName(tr("Distinct tags"));
    chart->addSeries(m_rateSeries);
    chart->addSeries(m_distinctSeries);
    auto* time = new QValueAxis(chart);
    time->setRange(-static_cast<double>(CReadRateHistory::kSpanMs) / 1000.0, 0);
    time->setLabelFormat(QStringLiteral("%d"));
    time->setTitleText(tr("Seconds"));
    m_rateAxis = new QValueAxis(chart);
    m_rateAxis->setLabelFormat(QStringLiteral("%d"));
    m_rateAxis->setTitleText(tr("Reads/s"));
    m_distinctAxis = new QValueAxis(chart);
    m_distinctAxis->setLabelFormat(QStringLiteral("%d"));
    m_distinctAxis->setTitleText(tr("Tags"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(m_rateAxis, Qt::AlignLeft);
    chart->addAxis(m_distinctAxis, Qt::AlignRight);
    for (QLineSeries* series : {m_rateSeries, m_distinctSeries})
        series->attachAxis(time);
    m_rateSeries->attachAxis(m_rateAxis);
    m_distinctSeries->attachAxis(m_distinctAxis);
    m_chartView->setChart(chart);
    m_chartView->setRenderHint(QPainter::Antialiasing);
    ShowChart();
}

void CInventoryDlg::SampleRate(qint64 nowMs) {
    m_history.Sample(nowMs, m_model.TotalReads(), m_model.DistinctTags());
    if (isVisible())
        ShowChart();
}

// The points as seconds before the latest one; each axis reaches a little above its highest
// value.
void CInventoryDlg::ShowChart() {
    const auto& points = m_history.Points();
    QList<QPointF> rate;
    QList<QPointF> distinct;
    rate.reserve(static_cast<qsizetype>(points.size()));
    distinct.reserve(static_cast<qsizetype>(points.size()));
    const qint64 last = points.empty() ? 0 : points.back().ms;
    double topRate = 0;
    int topDistinct = 0;
    for (const CReadRateHistory::Point& p : points) {
        const double x = static_cast<double>(p.ms - last) / 1000.0;
        rate.append(QPointF(x, p.readsPerSecond));
        distinct.append(QPointF(x, p.distinct));
        topRate = std::max(topRate, p.readsPerSecond);
        topDistinct = std::max(topDistinct, p.distinct);
    }
    m_rateSeries->replace(rate);
    m_distinctSeries->replace(distinct);
    ReachTo(*m_rateAxis, m_rateTop, std::max(10.0, topRate * 1.15));
    ReachTo(*m_distinctAxis, m_distinctTop, std::max(4, topDistinct + 1 + topDistinct / 8));
}

// Each range change lays the chart out again, so an axis whose highest value stays is left as
// it is.
void CInventoryDlg::ReachTo(QValueAxis& axis, double& shownTop, double top) {
    if (top == shownTop)
        return;
    shownTop = top;
    axis.setRange(0, top);
    axis.applyNiceNumbers();
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
