#pragma once

#include <QString>
#include <atomic>

// Process-wide link state, shared by the UI thread and the reception thread. Each value is
// read and written whole, so atomics are enough; nothing needs them to change together.
inline std::atomic<int> linkConnected{0};        // the meter answered the handshake
inline std::atomic<int> connectPending{0};       // a connect attempt is under way
inline std::atomic<int> downloadBusy{0};         // a record download is running
inline std::atomic<qint16> storedRecordCount{0}; // records in the meter, as last reported
inline std::atomic<int> uploadGroupCounter{0};   // threshold groups acknowledged in an upload

// Device path of the meter's port; written and read on the UI thread only.
inline QString portName;

// Back to the state at start-up (tests, and a fresh program).
void ResetLinkState();
