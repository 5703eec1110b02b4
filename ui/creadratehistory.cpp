#include "ui/creadratehistory.h"

void CReadRateHistory::Sample(qint64 nowMs, qint64 totalReads, int distinct) {
    if (m_haveBase && totalReads >= m_baseReads && nowMs > m_baseMs) {
        const double rate = static_cast<double>(totalReads - m_baseReads) * 1000.0 /
                            static_cast<double>(nowMs - m_baseMs);
        m_points.push_back(Point{nowMs, rate, distinct});
    }
    if (!m_haveBase || nowMs > m_baseMs || totalReads < m_baseReads) {
        m_haveBase = true;
        m_baseMs = nowMs;
        m_baseReads = totalReads;
    }
    while (!m_points.empty() && m_points.front().ms < nowMs - kSpanMs)
        m_points.pop_front();
}

void CReadRateHistory::Clear() {
    m_points.clear();
    m_haveBase = false;
}
