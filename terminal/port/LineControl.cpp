#include "terminal/port/LineControl.h"

#include "comm/PCom.h"
#include "terminal/port/PortControl.h"
#include "terminal/settings/Settings.h"

const char LineControl::noSignalsNotice[] = "The driver does not carry the signals";

LineControl::LineControl(PortControl &control) : line(control), generation(control.portGeneration()) {}

LineControl::~LineControl()
{
    forget();
}

void LineControl::attach(HWND wnd)
{
    window = wnd;
}

// Timers of a port that has gone are ended here; the old object is never
// called again (it may have been freed).
void LineControl::forget()
{
    if (window && IsWindow(window)) {
        KillTimer(window, dtrPulseTimer);
        KillTimer(window, rtsPulseTimer);
        KillTimer(window, breakTimer);
        KillTimer(window, lampTimer);
    }
    pulses[0] = Pulse();
    pulses[1] = Pulse();
    breaking = false;
    known = false;
    refusalSaid = false;
    errors = LineErrors();
    const uint32_t now = GetTickCount();
    for (LampHold &lamp : lamps)
        lamp.reset(false, now);
}

PCom *LineControl::current()
{
    if (line.portGeneration() != generation) {
        forget();
        generation = line.portGeneration();
    }
    return line.port();
}

PCom *LineControl::openPort() const
{
    return line.port();
}

bool LineControl::sameGeneration() const
{
    return line.portGeneration() == generation;
}

bool LineControl::canMove(ModemLines::Output which) const
{
    PCom *open = openPort();
    return open && !open->lineOwned(which);
}

bool LineControl::isRaised(ModemLines::Output which) const
{
    PCom *open = openPort();
    return open && open->lineRaised(which);
}

bool LineControl::canBreak() const
{
    return openPort() != nullptr && !isBreaking();
}

// What ran for an earlier port ended with it, forgotten or not yet.
bool LineControl::isPulsing(ModemLines::Output which) const
{
    return sameGeneration() && pulses[which].running;
}

bool LineControl::isBreaking() const
{
    return sameGeneration() && breaking;
}

bool LineControl::toggle(ModemLines::Output which)
{
    // A pulse owns the line until it has put it back.
    PCom *port = current();
    if (!port || port->lineOwned(which) || pulses[which].running)
        return false;
    return port->setLine(which, !port->lineRaised(which));
}

bool LineControl::pulse(ModemLines::Output which, uint32_t ms)
{
    PCom *port = current();
    if (!port || port->lineOwned(which) || !window || ms == 0)
        return false;
    Pulse &p = pulses[which];
    if (p.running) {
        if (p.waiting >= pulsesWaiting)
            return false;
        ++p.waiting;
        return true;
    }
    p.ms = ms;
    return startPulse(which);
}

bool LineControl::startPulse(ModemLines::Output which)
{
    PCom *port = current();
    Pulse &p = pulses[which];
    if (!port)
        return false;
    p.restoreTo = port->lineRaised(which);
    if (!port->setLine(which, !p.restoreTo))
        return false;
    if (!SetTimer(window, pulseTimer(which), p.ms, nullptr)) {
        port->setLine(which, p.restoreTo);
        return false;
    }
    p.running = true;
    return true;
}

void LineControl::endPulse(ModemLines::Output which)
{
    KillTimer(window, pulseTimer(which));
    PCom *port = current();
    Pulse &p = pulses[which];
    if (!port || !p.running)
        return;
    port->setLine(which, p.restoreTo);
    p.running = false;
    if (p.waiting > 0) {
        --p.waiting;
        if (!startPulse(which))
            p.waiting = 0;
    }
}

bool LineControl::sendBreak(uint32_t ms)
{
    PCom *port = current();
    if (!port || breaking || !window || ms == 0)
        return false;
    if (!port->setBreak(true))
        return false;
    if (!SetTimer(window, breakTimer, ms, nullptr)) {
        port->setBreak(false);
        return false;
    }
    breaking = true;
    return true;
}

bool LineControl::pulseAsSet(ModemLines::Output which)
{
    return pulse(which, loadOptions().pulseMs);
}

bool LineControl::breakAsSet()
{
    return sendBreak(loadOptions().breakMs);
}

void LineControl::endBreak()
{
    KillTimer(window, breakTimer);
    PCom *port = current();
    if (port && breaking)
        port->setBreak(false);
    breaking = false;
}

bool LineControl::onTimer(UINT_PTR id)
{
    if (id == dtrPulseTimer)
        endPulse(ModemLines::dtr);
    else if (id == rtsPulseTimer)
        endPulse(ModemLines::rts);
    else if (id == breakTimer)
        endBreak();
    else if (id == lampTimer)
        scheduleLamps();
    else
        return false;
    return true;
}

void LineControl::onLineMessage(WPARAM packed)
{
    PCom *port = current();
    if (!port)
        return;
    ModemLines::State state = ModemLines::State::unpack(uint32_t(packed));
    errors = port->lineErrors();
    known = state.known;
    if (!known)
        return;
    const uint32_t now = GetTickCount();
    for (unsigned i = 0; i < ModemLines::inputCount; ++i) {
        const uint8_t bit = ModemLines::inputBit(i);
        lamps[i].report((state.on & bit) != 0, (state.changed & bit) != 0, now);
    }
    scheduleLamps();
}

// A lamp holding a state for its moment is looked at again when that is over.
void LineControl::scheduleLamps()
{
    if (!window)
        return;
    const uint32_t now = GetTickCount();
    uint32_t due = 0;
    for (LampHold &lamp : lamps) {
        lamp.lit(now);
        uint32_t d = lamp.dueInMs(now);
        if (d != 0 && (due == 0 || d < due))
            due = d;
    }
    if (due != 0)
        SetTimer(window, lampTimer, due, nullptr);
    else
        KillTimer(window, lampTimer);
}

LineControl::Look LineControl::lamp(unsigned input)
{
    if (input >= ModemLines::inputCount || !current() || !known)
        return grey;
    return lamps[input].lit(GetTickCount()) ? lit : dark;
}

void LineControl::errorText(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return;
    buffer[0] = '\0';
    if (current())
        errors.describe(buffer, size);
}

bool LineControl::takeRefusal()
{
    PCom *port = current();
    if (!port || refusalSaid || !port->signalsRefused())
        return false;
    refusalSaid = true;
    return true;
}
