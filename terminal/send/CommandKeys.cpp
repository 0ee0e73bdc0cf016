#include "terminal/send/CommandKeys.h"

#include <new>

#include "terminal/port/PortControl.h"
#include "terminal/send/CommandsDialog.h"
#include "terminal/settings/Settings.h"

namespace {

const char storedName[] = "Commands";

// The most a stored value can be: every row at its longest.
const uint32_t mostStored = 8 + StoredCommands::rows * (12 + StoredCommands::maxName + StoredCommands::maxText);

// What tells a row's content apart from before an edit.
uint32_t fingerprint(const StoredCommands &c, uint32_t row)
{
    uint32_t length = 0;
    const char *text = c.text(row, &length);
    uint32_t h = 2166136261u ^ c.interval(row);
    for (uint32_t i = 0; i < length; ++i)
        h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
    return h ^ length;
}

} // namespace

CommandKeys::~CommandKeys()
{
    if (window && timerOn)
        KillTimer(window, repeatTimer);
}

void CommandKeys::attach(HWND timerWindow)
{
    window = timerWindow;
    lastTick = GetTickCount();
    unsigned char *form = new (std::nothrow) unsigned char[mostStored];
    if (!form)
        return;
    uint32_t size = 0;
    // A value the program did not write leaves the rows empty.
    if (readRegBinary(storedName, form, mostStored, size))
        commands.load(form, size);
    delete[] form;
}

void CommandKeys::store()
{
    uint32_t size = commands.storedSize();
    unsigned char *form = new (std::nothrow) unsigned char[size];
    bool stored = form && writeRegBinary(storedName, form, commands.store(form, size));
    delete[] form;
    if (!stored)
        MessageBoxA(window, "The commands could not be kept for the next start.", "Commands", MB_ICONWARNING);
}

void CommandKeys::edit(PWin *parent)
{
    uint32_t before[rows];
    for (uint32_t r = 0; r < rows; ++r)
        before[r] = fingerprint(commands, r);
    int result;
    {
        CommandsDialog dialog(commands, parent);
        result = dialog.execute();
    }
    if (result != IDOK)
        return;
    store();
    for (uint32_t r = 0; r < rows; ++r)
        if (fingerprint(commands, r) != before[r])
            schedule.stop(r);
    rearm();
}

bool CommandKeys::live() const
{
    return line.port() && line.portGeneration() == generation;
}

// The port the repeats started on has closed, been lost or replaced.
void CommandKeys::forgetDeadRepeats()
{
    if (!live())
        schedule.stopAll();
}

uint64_t CommandKeys::now()
{
    DWORD t = GetTickCount();
    clock += DWORD(t - lastTick);
    lastTick = t;
    return clock;
}

int CommandKeys::rowOfKey(const MSG *msg) const
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return -1;
    if (msg->wParam < VK_F1 || msg->wParam > VK_F12)
        return -1;
    // Held down, the key repeats: it counts once, or a repeat would start
    // and stop at the keyboard's rate.
    if (msg->lParam & (LPARAM(1) << 30))
        return -1;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0)
        return -1;
    uint32_t row = uint32_t(msg->wParam - VK_F1);
    // A row that repeats is stopped by its key even when its text went.
    return commands.hasText(row) || repeating(row) ? int(row) : -1;
}

void CommandKeys::press(uint32_t row)
{
    if (row >= rows)
        return;
    forgetDeadRepeats();
    if (schedule.repeating(row)) {
        schedule.press(row, true, 0, now());
        rearm();
        return;
    }
    // One stream at a time on the line, as for the send box.
    if (!commands.hasText(row) || sender.lineTaken() || !sender.ensurePortOpen())
        return;
    forgetDeadRepeats();
    generation = line.portGeneration();
    if (schedule.press(row, true, commands.interval(row), now()) == RepeatSchedule::nothing)
        return;
    send(row);
    rearm();
}

void CommandKeys::stopRepeating()
{
    schedule.stopAll();
    rearm();
}

void CommandKeys::send(uint32_t row)
{
    uint32_t length = 0;
    const char *text = commands.text(row, &length);
    if (!length)
        return;
    uint32_t n = LineEnd::compose(text, length, LineEnd::fromStored(loadOptions().lineEnd),
                                  reinterpret_cast<char *>(out));
    sender.sendCommand(out, n);
}

void CommandKeys::arm(uint64_t at)
{
    if (!window)
        return;
    uint64_t t = now();
    // The timer's own floor is 10 ms; sooner comes no sooner.
    UINT ms = at > t ? UINT(at - t < 0x7FFFFFFF ? at - t : 0x7FFFFFFF) : USER_TIMER_MINIMUM;
    timerOn = SetTimer(window, repeatTimer, ms, nullptr) != 0;
}

void CommandKeys::rearm()
{
    uint64_t at = 0;
    if (schedule.nextDue(&at) && live()) {
        arm(at);
        return;
    }
    if (window && timerOn)
        KillTimer(window, repeatTimer);
    timerOn = false;
}

bool CommandKeys::onTimer(WPARAM id)
{
    if (id != repeatTimer)
        return false;
    // Off until this turn is done: a write the line holds pumps the queue,
    // and the turn must not come round again inside itself.
    if (window)
        KillTimer(window, repeatTimer);
    timerOn = false;
    forgetDeadRepeats();
    if (!schedule.anyRepeating())
        return true;
    if (sender.updating()) {
        arm(0);   // soon after the update: the turn is late, not lost
        return true;
    }
    int row;
    while (live() && (row = schedule.takeDue(now(), sender.lineTaken())) >= 0)
        send(uint32_t(row));
    forgetDeadRepeats();
    rearm();
    return true;
}
