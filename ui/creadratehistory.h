// CReadRateHistory: the reads per second and the distinct-tag count of the Inventory, one point
// per sample over the last minute, for its chart.
//
// The owner samples the inventory's totals on a timer; a point's rate is the reads since the
// previous sample divided by the time since it, so the figures never depend on how the records
// were grouped into receive events.
#pragma once

#include <QtGlobal>
#include <deque>

class CReadRateHistory {
public:
    static constexpr qint64 kSpanMs = 60000;

    struct Point {
        qint64 ms = 0;
        double readsPerSecond = 0;
        int distinct = 0;
    };

    // The totals at nowMs. The first sample, and one whose total went down (the inventory was
    // cleared), only sets the base for the next. Points older than kSpanMs are dropped.
    void Sample(qint64 nowMs, qint64 totalReads, int distinct);
    void Clear();
    const std::deque<Point>& Points() const { return m_points; }

private:
    std::deque<Point> m_points;
    bool m_haveBase = false;
    qint64 m_baseMs = 0;
    qint64 m_baseReads = 0;
};
