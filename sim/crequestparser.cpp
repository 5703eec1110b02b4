#include "sim/crequestparser.h"

#include "sim/simframe.h"

#include <algorithm>

CRequestParser::Result CRequestParser::Push(ByteView bytes, std::uint64_t nowMicros) {
    Result result;
    if (!m_buffer.empty() && nowMicros >= FragmentDeadline())
        Scan(true, result);
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    if (!bytes.empty())
        m_lastByteMicros = nowMicros;
    Scan(false, result);
    return result;
}

CRequestParser::Result CRequestParser::Poll(std::uint64_t nowMicros) {
    Result result;
    if (!m_buffer.empty() && nowMicros >= FragmentDeadline())
        Scan(true, result);
    return result;
}

void CRequestParser::Scan(bool stale, Result& result) {
    for (;;) {
        auto start = std::find(m_buffer.begin(), m_buffer.end(), sim::kRequest);
        result.dropped.insert(result.dropped.end(), m_buffer.begin(), start);
        m_buffer.erase(m_buffer.begin(), start);
        if (m_buffer.empty())
            return;
        const bool haveLength = m_buffer.size() >= 2;
        const std::size_t total = haveLength ? m_buffer[1] + 2u : 0;
        if (haveLength && m_buffer[1] < 2) {
            // No command fits: this A0 was not a frame start.
            result.dropped.push_back(m_buffer.front());
            m_buffer.erase(m_buffer.begin());
            continue;
        }
        if (!haveLength || m_buffer.size() < total) {
            if (!stale)
                return;
            result.dropped.push_back(m_buffer.front());
            m_buffer.erase(m_buffer.begin());
            continue;
        }
        const ByteView body(m_buffer.data(), total - 1);
        if (sim::Checksum(body) == m_buffer[total - 1]) {
            result.frames.emplace_back(m_buffer.begin(), m_buffer.begin() + total);
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + total);
        } else {
            // Resynchronise on the next A0 after this one.
            result.dropped.push_back(m_buffer.front());
            m_buffer.erase(m_buffer.begin());
        }
    }
}
