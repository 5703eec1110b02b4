// The tags in front of the reader's antennas.
//
// Single-tag commands (identify, read, write, lock, kill...) address the tag in focus, the one
// nearest the antenna; once it is killed or gone those commands find no tag. The multi-tag stream
// cycles through every live tag in the field.
//
// Tags may come and go: with a dwell time set, each tag stays in the field for a while (half to
// one and a half dwell times), then leaves it, and after a pause (up to one dwell time) a new tag,
// never seen before, takes its place. Each tag is in front of one antenna: tag n of all made so
// far is seen by antenna 1 + n % antennas. Times are given by the caller; the same calls give the
// same field on every run.
#pragma once

#include "sim/csimtag.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CTagField {
public:
    explicit CTagField(std::size_t count = 3) { Reset(count); }

    static constexpr unsigned kMaxAntennas = 4;

    // count fresh tags made by CSimTag::Make, focus on the first, all in the field.
    void Reset(std::size_t count);
    void Add(const CSimTag& tag);
    void Clear();
    // How tags move: the mean time a tag stays (0: tags stay for good) and the antennas the tags
    // are spread over (1..kMaxAntennas). Resets the field to its present tag count.
    void SetMotion(std::uint64_t dwellMicros, unsigned antennas);
    // Lets the tags enter and leave up to nowMicros. Times must not go backwards.
    void AdvanceTo(std::uint64_t nowMicros);
    // Tags made so far, the replaced ones included.
    std::size_t TagsMade() const { return m_made; }

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
    struct Presence {
        bool inField = true;
        bool scheduled = false;
        std::uint64_t untilMicros = 0; // when the tag leaves, or a new one enters
    };
    bool InField(std::size_t index) const;
    CSimTag MakeTag();
    std::uint64_t Random(std::uint64_t below);

    std::vector<CSimTag> m_tags;
    std::vector<Presence> m_presence;
    std::size_t m_focus = 0;
    std::size_t m_made = 0;
    std::uint64_t m_dwellMicros = 0;
    unsigned m_antennas = 1;
    std::uint64_t m_nextChangeMicros = 0;
    std::uint32_t m_randomState = 0x9E3779B9;
};
