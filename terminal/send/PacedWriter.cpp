#include "terminal/send/PacedWriter.h"

#include <windows.h>

#include <memory>

#include "terminal/port/PortControl.h"
#include "terminal/send/PacedSend.h"
#include "terminal/ui/progressBar.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

PacedWriter::Outcome PacedWriter::send(const unsigned char *data, uint32_t count, uint32_t delayMs)
{
    if (running)
        return failed;
    if (!PacedSend::needsProgress(count, delayMs))
        return line.send(data, count, delayMs != 0) ? sent : failed;
    running = true;
    Outcome outcome = sendWithProgress(data, count, delayMs);
    running = false;
    return outcome;
}

PacedWriter::Outcome PacedWriter::sendWithProgress(const unsigned char *data, uint32_t count, uint32_t delayMs)
{
    std::unique_ptr<progressBar> bar(new progressBar(owner, "Sending...\n\rbyte %d of %d", count, 0x103FFF));
    if (bar->show() && bar->hwnd)
        UpdateWindow(bar->hwnd);
    PMessagePump::pumpWaiting();
    // The tick count runs on across its wrap at 49 days.
    uint64_t clock = 0;
    DWORD last = GetTickCount();
    auto elapsed = [&clock, &last] {
        DWORD t = GetTickCount();
        clock += DWORD(t - last);
        last = t;
        return clock;
    };
    PacedSend pace;
    pace.start(count, delayMs, elapsed());
    for (;;) {
        uint64_t now = elapsed();
        if (pace.finished(now))
            break;
        if (pace.byteDue(now)) {
            // The write is given the dialog, so "&Abort" ends one the line holds.
            if (line.write(data + pace.sent(), 1, bar.get()) != 1)
                return bar->isAborted() ? aborted : failed;
            pace.byteSent(elapsed());
            if (!bar->update(pace.sent()))
                return aborted;
            continue;
        }
        // Waits for the byte's turn or for a message, whichever comes first.
        uint64_t wait = pace.waitFrom(now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(wait < 50 ? wait : 50), QS_ALLINPUT);
        PMessagePump::pumpWaiting();
        // The operator closed the port or ended the program meanwhile.
        if (bar->isAborted() || !owner->hwnd)
            return aborted;
        if (!line.port())
            return failed;
    }
    return pace.aborted() ? aborted : sent;
}
