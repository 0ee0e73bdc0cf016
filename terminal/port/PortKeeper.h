#ifndef TERMINAL_PORTKEEPER_H
#define TERMINAL_PORTKEEPER_H

#include <windows.h>
#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"

class PCom;

// Waits for a lost port to come back. When the device behind the open port
// has gone, the terminal closes the port and hands its settings here; the
// keeper then tries, on a timer of the terminal's window, to open the same
// port with the same settings about once a second, until it opens or the
// operator stops the waiting. Each attempt makes a port object and deletes it
// again when the open fails, so nothing accumulates however long it waits.
// Meanwhile the title above the receive view says that the port was lost and
// is waited for: once, without a message box per attempt.
class PortKeeper
{
public:
    // WM_TIMER identifiers on the terminal's window: the attempts, and the
    // short delay of a loss that came while the view was being updated.
    static const UINT_PTR retryTimer = 0x4C15;
    static const UINT_PTR lossTimer = 0x4C16;
    static const UINT retryMs = 1000;
    static const UINT lossDelayMs = 50;

    // Every port the terminal opens is made here. A test may put a factory
    // of its own in place, to give the terminal a port that misbehaves.
    typedef PCom *(*PortFactory)(HWND notifyWnd);
    static PortFactory factory;
    static PCom *makePort(HWND notifyWnd);

    PortKeeper();
    ~PortKeeper();
    PortKeeper(const PortKeeper &) = delete;
    PortKeeper &operator=(const PortKeeper &) = delete;

    // Starts waiting for the port of `settings` and `extras`, lost from the
    // window owner.
    void startWaiting(HWND owner, const CommSettings &settings, const CommExtras &extras = CommExtras());
    // One attempt: the port, open, when it is back (the waiting is then
    // over); null while it is still away or when not waiting.
    PCom *retry();
    // Ends the waiting, and the title's notice with it.
    void stop();

    bool isWaiting() const { return waiting; }
    // The port waited for and the settings it will be opened with.
    const CommSettings &awaitedSettings() const { return settings; }
    const CommExtras &awaitedExtras() const { return extras; }
    // Attempts made since the waiting started.
    uint32_t attempts() const { return attemptCount; }

private:
    void showLost(bool lost);

    HWND owner;
    CommSettings settings;
    CommExtras extras;
    bool waiting;
    uint32_t attemptCount;
};

#endif
