// Why a Connect failed, as far as the program can tell, and what the operator should try next:
// the informative text under "Failed to Connect Device!", and the cause of a port that did not
// open for the operation list.
#pragma once

#include "link/commbackend.h"

#include <QString>
#include <cstdint>

struct ConnectAttempt {
    QString port; // what the port list names: a device path, "Simulator", or the text typed
    QString baud;
    bool portValid = true; // the text names a port
    bool baudValid = true; // the text is a rate
    bool opened = false;
    OpenFailure openFailure = OpenFailure::None;
    QString openError;
    bool lost = false;            // the device went away during the attempt
    qint64 bytesReceived = 0;     // bytes that came back during the attempt
    std::uint8_t lastCommand = 0; // the last handshake request sent
};

// "Port /dev/ttyUSB0 at 9600 bit/s.", then the cause and the next step, each a sentence.
QString ConnectFailureDetails(const ConnectAttempt& attempt);

// A short cause for a port that did not open ("the port is in use by another program"), empty
// when the kind says nothing more than the system's error text.
QString OpenFailureCause(OpenFailure failure);
// What to do about it, as a sentence; empty when there is nothing better than trying again.
QString OpenFailureNextStep(OpenFailure failure);
