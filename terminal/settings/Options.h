#ifndef TERMINAL_OPTIONS_H
#define TERMINAL_OPTIONS_H

#include <cstddef>
#include <cstdint>

#include "comm/LinesAtOpen.h"

// The settings dialog's choices beyond the line word, the delay and the
// way files are sent: what the send box ends with, DTR and RTS at open, the
// lengths of a pulse and a break, the pause that ends a received line, and
// the folder received files go into. Each field has its range here; a value
// outside it (an edited registry value) is never taken.
class Options
{
public:
    enum LineEnd : uint32_t
    {
        lineEndNone,
        lineEndCr,
        lineEndLf,
        lineEndCrLf,
        lineEndCount
    };

    // The pause after each byte of a send (the existing "DelayOnSend").
    static constexpr uint32_t maxSendDelayMs = 10000;
    static constexpr uint32_t minPulseMs = 1, maxPulseMs = 10000, defaultPulseMs = 100;
    static constexpr uint32_t minBreakMs = 1, maxBreakMs = 10000, defaultBreakMs = 250;
    // 0 is off.
    static constexpr uint32_t maxPauseNewLineMs = 60000;
    // A path of up to 260 characters and its NUL.
    static constexpr size_t folderSize = 261;

    uint32_t lineEnd = lineEndNone;
    bool dtrAtOpen = true;
    bool rtsAtOpen = true;
    uint32_t pulseMs = defaultPulseMs;
    uint32_t breakMs = defaultBreakMs;
    uint32_t pauseNewLineMs = 0;
    // Empty: the folder of the last file dialog ("OldPath").
    char receiveFolder[folderSize] = {};

    static bool lineEndValid(uint32_t v) { return v < lineEndCount; }
    static bool sendDelayValid(uint32_t ms) { return ms <= maxSendDelayMs; }
    static bool pulseValid(uint32_t ms) { return ms >= minPulseMs && ms <= maxPulseMs; }
    static bool breakValid(uint32_t ms) { return ms >= minBreakMs && ms <= maxBreakMs; }
    static bool pauseNewLineValid(uint32_t ms) { return ms <= maxPauseNewLineMs; }

    // "None", "CR", "LF", "CR+LF"; null beyond.
    static const char *lineEndLabel(uint32_t v);
    // The bytes the send ends with: "", "\r", "\n", "\r\n" (empty beyond).
    static const char *lineEndBytes(uint32_t v);

    // Takes text as the folder; false (nothing changed) when it is null or
    // longer than 260 characters.
    bool setReceiveFolder(const char *text);
    // A stored text: its bytes up to the first NUL, which must come within
    // size and leave at most 260 characters; false (nothing changed)
    // otherwise.
    bool setReceiveFolderFrom(const unsigned char *data, size_t size);

    LinesAtOpen linesAtOpen() const;

    bool operator==(const Options &o) const;
    bool operator!=(const Options &o) const { return !(*this == o); }
};

#endif
