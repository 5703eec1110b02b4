#include "sim/ctagfield.h"

#include <algorithm>

void CTagField::Reset(std::size_t count) {
    m_tags.clear();
    m_presence.clear();
    m_made = 0;
    m_nextChangeMicros = 0;
    for (std::size_t i = 0; i < count; ++i)
        Add(MakeTag());
    m_focus = 0;
}

void CTagField::Add(const CSimTag& tag) {
    m_tags.push_back(tag);
    m_presence.push_back(Presence{});
    m_nextChangeMicros = 0;
}

void CTagField::Clear() {
    m_tags.clear();
    m_presence.clear();
}

void CTagField::SetMotion(std::uint64_t dwellMicros, unsigned antennas) {
    m_dwellMicros = dwellMicros;
    m_antennas = std::clamp(antennas, 1u, kMaxAntennas);
    Reset(m_tags.size());
}

CSimTag CTagField::MakeTag() {
    CSimTag tag = CSimTag::Make(m_made);
    tag.SetAntenna(static_cast<std::uint8_t>(1 + m_made % m_antennas));
    ++m_made;
    return tag;
}

// xorshift32: the same field on every run.
std::uint64_t CTagField::Random(std::uint64_t below) {
    m_randomState ^= m_randomState << 13;
    m_randomState ^= m_randomState >> 17;
    m_randomState ^= m_randomState << 5;
    return below == 0 ? 0 : m_randomState % below;
}

void CTagField::AdvanceTo(std::uint64_t nowMicros) {
    if (m_dwellMicros == 0 || nowMicros < m_nextChangeMicros)
        return;
    std::uint64_t next = UINT64_MAX;
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        Presence& p = m_presence[i];
        if (!p.scheduled) {
            p.scheduled = true;
            p.untilMicros = nowMicros + m_dwellMicros / 2 + Random(m_dwellMicros);
        }
        while (p.untilMicros <= nowMicros) {
            if (p.inField) {
                p.untilMicros += 1 + Random(m_dwellMicros);
            } else {
                m_tags[i] = MakeTag();
                p.untilMicros += m_dwellMicros / 2 + Random(m_dwellMicros);
            }
            p.inField = !p.inField;
        }
        next = std::min(next, p.untilMicros);
    }
    m_nextChangeMicros = next;
}

bool CTagField::InField(std::size_t index) const {
    return m_presence[index].inField && !m_tags[index].IsKilled();
}

std::size_t CTagField::LiveCount() const {
    std::size_t live = 0;
    for (std::size_t i = 0; i < m_tags.size(); ++i)
        live += InField(i) ? 1 : 0;
    return live;
}

CSimTag* CTagField::Focused() {
    if (m_focus >= m_tags.size() || !InField(m_focus))
        return nullptr;
    return &m_tags[m_focus];
}

const CSimTag* CTagField::NextLive(std::size_t* cursor) const {
    const std::size_t count = m_tags.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t index = (*cursor + step) % count;
        if (InField(index)) {
            *cursor = index;
            return &m_tags[index];
        }
    }
    return nullptr;
}
