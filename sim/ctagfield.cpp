#include "sim/ctagfield.h"

#include <algorithm>

void CTagField::Reset(std::size_t count) {
    m_tags.clear();
    for (std::size_t i = 0; i < count; ++i)
        m_tags.push_back(CSimTag::Make(i));
    m_focus = 0;
}

std::size_t CTagField::LiveCount() const {
    return static_cast<std::size_t>(std::count_if(
        m_tags.begin(), m_tags.end(), [](const CSimTag& tag) { return !tag.IsKilled(); }));
}

CSimTag* CTagField::Focused() {
    if (m_focus >= m_tags.size() || m_tags[m_focus].IsKilled())
        return nullptr;
    return &m_tags[m_focus];
}

const CSimTag* CTagField::NextLive(std::size_t* cursor) const {
    const std::size_t count = m_tags.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t index = (*cursor + step) % count;
        if (!m_tags[index].IsKilled()) {
            *cursor = index;
            return &m_tags[index];
        }
    }
    return nullptr;
}
