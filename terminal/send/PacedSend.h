#ifndef TERMINAL_PACEDSEND_H
#define TERMINAL_PACEDSEND_H

#include <cstdint>

// A send with a pause after each byte. One whose pauses add up to no more
// than half a second runs as it always did, on the spot; a longer one runs
// as a file send does, with the progress dialog and "&Abort", the window
// painting and receiving between bytes, so no delay (not even a stored
// 4294967295, which the old sleep took for INFINITE) can freeze the program.
//
// The pacing itself, driven by a millisecond clock: a byte goes when it is
// due, and the next is due one delay after it; the pause also follows the
// last byte, so a send that follows this one keeps the same spacing.
class PacedSend
{
public:
    enum : uint32_t { onTheSpotMs = 500 };

    // True when `bytes` with `delayMs` after each must run with the
    // progress dialog.
    static bool needsProgress(uint32_t bytes, uint32_t delayMs);

    PacedSend() : total(0), done(0), delay(0), nextAt(0), stopped(true) {}
    void start(uint32_t bytes, uint32_t delayMs, uint64_t now);

    // True when the next byte may go at `now`.
    bool byteDue(uint64_t now) const { return !stopped && done < total && now >= nextAt; }
    // The byte went out at `now`.
    void byteSent(uint64_t now);
    // How long to wait from `now` for the next step (a byte, or the end of
    // the last pause); 0 when it is due or the send is over.
    uint64_t waitFrom(uint64_t now) const;
    // Every byte went and the last pause is over, or the send was stopped.
    bool finished(uint64_t now) const { return stopped || (done == total && now >= nextAt); }
    // The operator aborted, or a write failed.
    void stop() { stopped = true; }
    bool aborted() const { return stopped && done < total; }
    uint32_t sent() const { return done; }

private:
    uint32_t total;
    uint32_t done;
    uint32_t delay;
    uint64_t nextAt;
    bool stopped;
};

#endif
