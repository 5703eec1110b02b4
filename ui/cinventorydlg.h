// The "Inventory" window: a modeless view of the main window's CInventoryModel, sortable by any
// column, with a summary line, Clear and Export CSV, and beside the table a chart of the reads per
// second and the distinct tags over the last minute.
//
// The model is live only while this window is shown, so a hidden or closed window costs the
// record stream nothing beyond the model's own counting. The chart takes one point per
// kChartTickMs from the model's totals, never per record.
#pragma once

#include "ui/creadratehistory.h"

#include <QDialog>
#include <QTimer>

class CInventoryModel;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class QChartView;
class QLineSeries;
class QValueAxis;

class CInventoryDlg : public QDialog {
    Q_OBJECT
public:
    CInventoryDlg(CInventoryModel& model, QWidget* parent);
    ~CInventoryDlg() override;

    void OnClear();
    // Asks for a file and writes the rows to it in the order the table shows them; a failure is
    // reported in a message box naming the file and the reason, and the rows stay.
    void OnExportCsv();

    static constexpr int kChartTickMs = 1000;

    QTableView& Table() { return *m_table; }
    const CReadRateHistory& History() const { return m_history; }
    QChartView& Chart() { return *m_chartView; }
    // Takes the model's totals at nowMs and redraws the chart; the timer's tick passes the
    // current time.
    void SampleRate(qint64 nowMs);
    QSortFilterProxyModel& Proxy() { return *m_proxy; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowSummary();
    void SetUpChart();
    void ShowChart();
    void ReachTo(QValueAxis& axis, double& shownTop, double top);

    CInventoryModel& m_model;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_summary = nullptr;
    CReadRateHistory m_history;
    QTimer m_chartTimer;
    QChartView* m_chartView = nullptr;
    QLineSeries* m_rateSeries = nullptr;
    QLineSeries* m_distinctSeries = nullptr;
    QValueAxis* m_rateAxis = nullptr;
    QValueAxis* m_distinctAxis = nullptr;
    // The highest value each axis was last asked to reach.
    double m_rateTop = -1;
    double m_distinctTop = -1;
};
