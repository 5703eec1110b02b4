// The tags in front of the reader's antennas.
//
// Single-tag commands (identify, read, write, lock, kill...) address the tag in focus, the one
// nearest the antenna; once it is killed those commands find no tag. The multi-tag stream cycles
// through every live tag.
#pragma once

#include "sim/csimtag.h"

#include <cstddef>
#include <vector>

class CTagField {
public:
    explicit CTagField(std::size_t count = 3) { Reset(count); }

    // count fresh tags made by CSimTag::Make, focus on the first.
    void Reset(std::size_t count);
    void Add(const CSimTag& tag) { m_tags.push_back(tag); }
    void Clear() { m_tags.clear(); }

    std::size_t Count() const { return m_tags.size(); }
    std::size_t LiveCount() const;
    CSimTag& Tag(std::size_t index) { return m_tags.at(index); }
    const CSimTag& Tag(std::size_t index) const { return m_tags.at(index); }

    void SetFocus(std::size_t index) { m_focus = index; }
    std::size_t Focus() const { return m_focus; }
    // The tag in focus when it is there and alive, else nullptr.
    CSimTag* Focused();

    // The next live tag after *cursor in field order (wrapping), moving the cursor onto it;
    // nullptr when no tag is alive.
    const CSimTag* NextLive(std::size_t* cursor) const;

private:
    std::vector<CSimTag> m_tags;
    std::size_t m_focus = 0;
};
