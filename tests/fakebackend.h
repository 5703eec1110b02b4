// An in-memory back-end for the serial control: records what the program opens and sends, and
// delivers whatever bytes a test gives it, as a device would.
#pragma once

#include "link/commbackend.h"

#include <QCoreApplication>
#include <QStringList>
#include <vector>

class CFakeBackend : public ICommBackend {
public:
    explicit CFakeBackend(QString device) : m_device(std::move(device)) {}

    bool Open(const LineSettings& settings, OpenFailure* failure, QString* errorText) override {
        if (m_failOpen != OpenFailure::None) {
            *failure = m_failOpen;
            *errorText = QStringLiteral("refused");
            return false;
        }
        m_open = true;
        m_settings = settings;
        ++m_opens;
        return true;
    }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    bool ApplySettings(const LineSettings& settings) override {
        m_settings = settings;
        return true;
    }
    void Write(const QByteArray& bytes) override { m_written.push_back(bytes); }
    QByteArray ReadAll() override {
        QByteArray bytes;
        bytes.swap(m_input);
        return bytes;
    }

    // Delivers bytes to the program's receive event.
    void Deliver(const QByteArray& bytes) {
        if (!m_open)
            return;
        m_input += bytes;
        emit DataReady();
    }

    QString m_device;
    bool m_open = false;
    int m_opens = 0;
    LineSettings m_settings;
    OpenFailure m_failOpen = OpenFailure::None;
    std::vector<QByteArray> m_written;
    QByteArray m_input;
};
