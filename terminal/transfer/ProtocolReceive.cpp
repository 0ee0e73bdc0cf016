#include "terminal/transfer/ProtocolReceive.h"

#include <cstdio>
#include <cstring>

#include "comm/PCom.h"
#include "terminal/port/PortControl.h"
#include "terminal/ui/progressBar.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

namespace {

const char waitingText[] = "Waiting for\n\rthe sender...";
const DWORD longestWaitMs = 50;
const DWORD progressEveryMs = 100;
// The cancel goes out after "&Abort" too, but a held line may not keep the
// window from answering for long.
const DWORD cancelWriteMs = 300;

// The last part of a path, for the dialog.
const char *lastPart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

} // namespace

ProtocolReceive::ProtocolReceive(PortControl &port, PWin &window, TransferProtocol protocol, const char *folder,
                                 const char *chosenPath)
    : line(port), owner(window), files(disk, folder, chosenPath), receiver(nullptr),
      generation(port.portGeneration())
{
    shownPath[0] = '\0';
    if (protocol == TransferProtocol::zmodem) {
        zmodem.reset(new ZmodemReceiver(files));
        receiver = zmodem.get();
    } else {
        xmodem.reset(new XmodemReceiver(protocol, files));
        receiver = xmodem.get();
    }
}

ProtocolReceive::~ProtocolReceive()
{
    if (line.tap() == this)
        line.setReceiveTap(nullptr);
}

uint32_t ProtocolReceive::take(const unsigned char *data, uint32_t count, unsigned char *shown)
{
    return receiver->receive(data, count, shown, GetTickCount());
}

uint64_t ProtocolReceive::received() const
{
    return xmodem ? xmodem->received() : zmodem->received();
}

uint64_t ProtocolReceive::fileSize() const
{
    return xmodem ? xmodem->fileSize() : zmodem->fileSize();
}

void ProtocolReceive::run(const unsigned char *first, uint32_t firstCount)
{
    line.setReceiveTap(this);
    if (xmodem)
        xmodem->start(GetTickCount());
    else
        zmodem->start(GetTickCount());
    if (first && firstCount > 0) {
        // The start's bytes are the transfer's: nothing of them is shown.
        unsigned char shown[64 + heldBack];
        for (uint32_t at = 0; at < firstCount; at += 64) {
            uint32_t n = firstCount - at < 64 ? firstCount - at : 64;
            receiver->receive(first + at, n, shown, GetTickCount());
        }
    }
    std::unique_ptr<progressBar> bar = progressBar::showSending(&owner, 0, waitingText);
    abortBar = bar.get();
    bool lost = false;
    while (!receiver->finished() && flush(false)) {
        if (bar->isAborted()) {
            receiver->abort();
            break;
        }
        if (portGone()) {
            lost = true;
            receiver->abort();
            break;
        }
        showProgress(*bar, false);
        if (receiver->outputCount() == 0) {
            DWORD wait = receiver->msUntilDeadline(GetTickCount());
            MsgWaitForMultipleObjects(0, nullptr, FALSE, wait > longestWaitMs ? longestWaitMs : wait, QS_ALLINPUT);
        }
        PMessagePump::pumpWaiting();
        receiver->tick(GetTickCount());
    }
    if (!receiver->finished())
        receiver->abort();
    if (!lost && !portGone())
        flush(true);
    else
        lost = true;
    showProgress(*bar, true);
    line.setReceiveTap(nullptr);
    report(lost);
}

// The port closed under the transfer, or its device went.
bool ProtocolReceive::portGone() const
{
    PCom *port = line.port();
    return !port || line.portGeneration() != generation || port->isLost();
}

bool ProtocolReceive::flush(bool cancel)
{
    uint32_t count = receiver->outputCount();
    if (count == 0)
        return true;
    const unsigned char *bytes = receiver->output();
    receiver->outputSent(GetTickCount());
    if (cancel)
        return line.sendWithin(bytes, count, cancelWriteMs);
    // A failed answer is the line's end too: seen as the port's loss next.
    line.send(bytes, count, false, abortBar);
    return true;
}

// The file's name, and the bytes of it so far (of its size when the sender
// gave one).
void ProtocolReceive::showProgress(progressBar &bar, bool now)
{
    const char *path = files.path();
    if (path[0] == '\0')
        return;
    uint64_t size = fileSize();
    bool known = size != ReceiveSink::unknownSize;
    if (std::strncmp(path, shownPath, sizeof shownPath) != 0) {
        std::snprintf(shownPath, sizeof shownPath, "%s", path);
        // The name goes into a format: its percent signs are doubled.
        char name[2 * 260 + 1];
        size_t n = 0;
        for (const char *p = lastPart(path); *p && n + 2 < sizeof name; ++p) {
            if (*p == '%')
                name[n++] = '%';
            name[n++] = *p;
        }
        name[n] = '\0';
        char format[sizeof name + 64];
        std::snprintf(format, sizeof format, known ? "Receiving %s\n\rbyte %%d of %%d" : "Receiving %s\n\rbyte %%d",
                      name);
        bar.retarget(format, known ? uint32_t(size > 0xFFFFFFFFull ? 0xFFFFFFFFull : size) : 0);
        shownDone = -1;
    }
    uint64_t got = received();
    int64_t amount = int64_t(got > 0xFFFFFFFFull ? 0xFFFFFFFFull : got);
    if (amount == shownDone || (!now && GetTickCount() - shownAt < progressEveryMs))
        return;
    if (bar.update(uint32_t(amount))) {
        shownDone = amount;
        shownAt = GetTickCount();
    }
}

void ProtocolReceive::report(bool portLost)
{
    HWND window = owner.hwnd;
    if (portLost) {
        MessageBoxA(window, "The port was lost during the transfer\r\nThe file under way was not kept", "Error",
                    MB_ICONERROR);
        return;
    }
    bool done = xmodem ? xmodem->outcome() == XmodemReceiver::Outcome::done
                       : zmodem->outcome() == ZmodemReceiver::Outcome::done;
    bool cancelled = xmodem ? xmodem->outcome() == XmodemReceiver::Outcome::senderCancelled
                            : zmodem->outcome() == ZmodemReceiver::Outcome::senderCancelled;
    bool silent = xmodem ? xmodem->outcome() == XmodemReceiver::Outcome::noAnswer
                         : zmodem->outcome() == ZmodemReceiver::Outcome::noAnswer;
    bool refused = files.failed() || (xmodem ? xmodem->outcome() == XmodemReceiver::Outcome::fileRefused
                                             : zmodem->outcome() == ZmodemReceiver::Outcome::fileRefused);
    bool aborted = xmodem ? xmodem->outcome() == XmodemReceiver::Outcome::aborted
                          : zmodem->outcome() == ZmodemReceiver::Outcome::aborted;
    if (done) {
        char text[64];
        uint32_t kept = files.filesKept();
        if (kept == 1)
            std::snprintf(text, sizeof text, "File Received");
        else
            std::snprintf(text, sizeof text, "%u Files Received", unsigned(kept));
        MessageBoxA(window, text, "Success", MB_ICONINFORMATION);
    } else if (refused) {
        MessageBoxA(window, "Unable to write to File", "Error on file", MB_ICONERROR);
    } else if (cancelled) {
        MessageBoxA(window, "Transfer cancelled by the sender\r\nThe file under way was not kept", "Error",
                    MB_ICONERROR);
    } else if (silent) {
        MessageBoxA(window, "No answer from the sender\r\nIs it sending the file?", "Error", MB_ICONERROR);
    } else if (aborted) {
        MessageBoxA(window, "Transfer aborted\r\nThe file under way was not kept", "Error", MB_ICONERROR);
    } else {
        MessageBoxA(window, "Too many errors\r\nThe file under way was not kept", "Error", MB_ICONERROR);
    }
}
