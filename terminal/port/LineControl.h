#ifndef TERMINAL_LINECONTROL_H
#define TERMINAL_LINECONTROL_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "comm/LineErrors.h"
#include "comm/ModemLines.h"
#include "terminal/port/LampHold.h"

class PCom;
class PortControl;

// The line's own signals on the terminal's side: DTR and RTS moved by hand
// and pulsed, the break, the four input lamps and the error counts, for the
// menu and the status bar to show. Pulses and breaks are timed on timers of
// the terminal's window, so the window answers meanwhile; a pulse asked for
// while one runs on the same line waits for it. Whatever the port object
// behind PortControl changes to (closed, lost, opened again), what was
// running for the old one ends without another call to it.
//
// The functions that change what is shown return true; the caller then
// draws the menu and the status bar again.
class LineControl
{
public:
    // WM_TIMER identifiers on the terminal's window, beside the keeper's.
    static const UINT_PTR dtrPulseTimer = 0x4C17;
    static const UINT_PTR rtsPulseTimer = 0x4C18;
    static const UINT_PTR breakTimer = 0x4C19;
    static const UINT_PTR lampTimer = 0x4C1A;
    // Pulses that may wait for the one running on a line.
    static const unsigned pulsesWaiting = 8;
    // What the status bar says once a port's driver has refused a modem call.
    static const char noSignalsNotice[];

    explicit LineControl(PortControl &line);
    ~LineControl();
    LineControl(const LineControl &) = delete;
    LineControl &operator=(const LineControl &) = delete;

    // The window whose timers time the pulses and breaks.
    void attach(HWND window);

    // The menu: an item for a line is offered while the port is open and
    // the flow control leaves the line free; checked while it is raised.
    bool canMove(ModemLines::Output line) const;
    bool isRaised(ModemLines::Output line) const;
    bool canBreak() const;
    bool isPulsing(ModemLines::Output line) const;
    bool isBreaking() const;

    // Drops a raised line, raises a dropped one. False when it cannot move
    // or the driver refused.
    bool toggle(ModemLines::Output line);
    // Inverts the line for ms and puts it back.
    bool pulse(ModemLines::Output line, uint32_t ms);
    // Holds the line in the break state for ms.
    bool sendBreak(uint32_t ms);
    // The menu's: a pulse or a break of the length the settings keep
    // ("Pulse (ms)", "Break (ms)").
    bool pulseAsSet(ModemLines::Output line);
    bool breakAsSet();

    // WM_TIMER: true when the id was one of these (then it is handled).
    bool onTimer(UINT_PTR id);
    // PWM_COMMLINE with its wParam.
    void onLineMessage(WPARAM state);

    enum Look
    {
        grey,
        dark,
        lit
    };
    // What lamp 0..3 (ModemLines' inputs in order: CTS, DSR, DCD, RI) shows:
    // grey while the port is closed or its driver cannot say.
    Look lamp(unsigned input);
    // "errors: 12 framing, 1 overrun", empty while there are none.
    void errorText(char *buffer, size_t size);
    // True once for each port whose driver refused a modem call: the
    // status bar then says noSignalsNotice.
    bool takeRefusal();

private:
    struct Pulse
    {
        bool running = false;
        bool restoreTo = false;
        unsigned waiting = 0;
        uint32_t ms = 0;
    };

    // The port, once what ran for an earlier one is forgotten.
    PCom *current();
    // The port, and whether what ran was for it; for the queries, which
    // forget nothing.
    PCom *openPort() const;
    bool sameGeneration() const;
    void forget();
    bool startPulse(ModemLines::Output line);
    void endPulse(ModemLines::Output line);
    void endBreak();
    void scheduleLamps();
    static UINT_PTR pulseTimer(ModemLines::Output line)
    {
        return line == ModemLines::dtr ? dtrPulseTimer : rtsPulseTimer;
    }

    PortControl &line;
    HWND window = nullptr;
    uint32_t generation;
    Pulse pulses[2];
    bool breaking = false;
    bool known = false;
    bool refusalSaid = false;
    LampHold lamps[ModemLines::inputCount];
    LineErrors errors;
};

#endif
