// An in-memory line whose far end is the reader simulator: every request the window writes is
// answered with the simulator's own answer, queued until the benchmark delivers it. Answers are
// kept per request, so an operation repeated in a timed loop costs the window only a lookup on
// the line side; the simulator's work is done once, on the first sight of each request.
#pragma once

#include "fakebackend.h"

#include "sim/creadersimulator.h"

#include <QByteArray>
#include <deque>
#include <map>

class CSimLine : public CFakeBackend {
public:
    using CFakeBackend::CFakeBackend;

    void Write(const QByteArray& bytes) override {
        ++m_requests;
        m_requestBytes += static_cast<std::size_t>(bytes.size());
        auto found = m_answers.find(bytes);
        if (found == m_answers.end())
            found = m_answers.emplace(bytes, Ask(bytes)).first;
        if (!found->second.isEmpty())
            m_due.push_back(found->second);
    }

    bool HasDue() const { return !m_due.empty(); }
    // The oldest answer not yet delivered.
    QByteArray TakeDue() {
        QByteArray answer = m_due.front();
        m_due.pop_front();
        return answer;
    }
    // Delivers every answer due, and those of the requests they bring, until the line is quiet.
    void Drain() {
        while (HasDue())
            Deliver(TakeDue());
    }
    // Puts bytes on the line as if the reader had sent them.
    void Queue(const QByteArray& bytes) { m_due.push_back(bytes); }
    void Forget() {
        m_due.clear();
        m_requests = 0;
        m_requestBytes = 0;
    }

    CReaderSimulator m_simulator;
    std::size_t m_requests = 0;
    std::size_t m_requestBytes = 0;

private:
    // The simulator's answer to one request; records of a stream the request started are left
    // out, only answers count.
    QByteArray Ask(const QByteArray& bytes) {
        m_now += 1000000;
        m_simulator.Receive(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size())),
                            m_now);
        m_now += 100000;
        QByteArray answer;
        for (const SimOutput& out : m_simulator.TakeOutput(m_now))
            if (out.kind == SimOutput::Kind::Answer || out.kind == SimOutput::Kind::Piece)
                answer.append(reinterpret_cast<const char*>(out.bytes.data()),
                              static_cast<qsizetype>(out.bytes.size()));
        return answer;
    }

    std::map<QByteArray, QByteArray> m_answers;
    std::deque<QByteArray> m_due;
    std::uint64_t m_now = 0;
};
