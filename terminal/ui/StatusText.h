#ifndef TERMINAL_UI_STATUSTEXT_H
#define TERMINAL_UI_STATUSTEXT_H

#include <cstddef>
#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"

// What the status bar says about the terminal, gathered in one place: the
// port and its state, the line it is (or will be) opened with, the bytes
// that went each way, and a capture or a full history.
struct StatusFacts
{
    enum PortState { portClosed, portOpen, portWaiting };

    PortState state = portClosed;
    // The settings of the open or awaited port; while closed, those stored
    // for the next open.
    CommSettings settings;
    CommExtras extras;
    uint64_t received = 0;   // since the last Clear
    uint64_t sent = 0;       // since the port opened
    // The capture file's path, null when no capture runs. Not owned.
    const char *capturePath = nullptr;
    // The log file's path, null when no log runs. Not owned.
    const char *logPath = nullptr;
    bool historyFull = false;
};

// The texts of the status bar's parts. Each writes a NUL-terminated text
// into buffer (cut to fit; nothing when size is 0) and returns its length.
namespace StatusText {

// A text that holds any of them.
constexpr size_t partSize = 300;

// "COM2 open", "COM2 closed", "COM16 lost, waiting".
size_t port(const StatusFacts &facts, char *buffer, size_t size);
// "115200 7E2 None", "9600 8N1.5 XON/XOFF"; a field beyond its table shows
// as "?", a handshake the flow list does not name as the handshake fields
// say ("DTR off, RTS toggle").
size_t line(const StatusFacts &facts, char *buffer, size_t size);
// "RX 1,048,576  TX 12".
size_t counts(const StatusFacts &facts, char *buffer, size_t size);
// "Capturing NAME" (the file's name without its folder) while a capture
// runs, else "Buffer Full" once the history is full; then "Logging NAME"
// while a log runs, after two spaces when there is something before it
// ("Capturing raw.bin  Logging board.log"); else empty.
size_t note(const StatusFacts &facts, char *buffer, size_t size);

// value with a comma between thousands: "1,048,576".
size_t groupedNumber(uint64_t value, char *buffer, size_t size);
// The part of a path after its last '\', '/' or ':'.
const char *fileNameOf(const char *path);

} // namespace StatusText

#endif
