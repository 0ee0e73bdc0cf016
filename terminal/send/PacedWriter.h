#ifndef TERMINAL_PACEDWRITER_H
#define TERMINAL_PACEDWRITER_H

#include <cstdint>

class PortControl;
class PWin;

// A send with the pause after each byte whose pauses add up to more than
// half a second: byte by byte under the progress dialog with "&Abort",
// waiting for each byte's turn on the application's queue rather than in a
// sleep, so the window paints, receives and answers throughout and no
// delay, however long, can freeze it. Shorter sends go on the spot as they
// always did.
class PacedWriter
{
public:
    enum Outcome { sent, aborted, failed };

    // owner: the window of the progress dialog; line: the road to the port.
    // Neither is owned.
    PacedWriter(PWin *owner, PortControl &line) : owner(owner), line(line), running(false) {}
    PacedWriter(const PacedWriter &) = delete;
    PacedWriter &operator=(const PacedWriter &) = delete;

    // All of data with delayMs after each byte. failed: the port closed or
    // a write fell short; aborted: "&Abort" (or the window went) first.
    Outcome send(const unsigned char *data, uint32_t count, uint32_t delayMs);
    // A paced send is under way: it owns the line until it ends.
    bool isRunning() const { return running; }

private:
    Outcome sendWithProgress(const unsigned char *data, uint32_t count, uint32_t delayMs);

    PWin *owner;
    PortControl &line;
    bool running;
};

#endif
