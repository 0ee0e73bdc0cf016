#include "terminal/transfer/ProtocolTransfer.h"

#include <memory>

#include "comm/LineConfig.h"
#include "comm/PCom.h"
#include "terminal/port/PortControl.h"
#include "terminal/ui/progressBar.h"
#include "util/P_File.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

namespace {

// The longest wait for the line end of the receiver's closing header.
const DWORD closingTailMs = 250;

const char waitingText[] = "Waiting for\n\rthe receiver...";
// The longest the loop sleeps between two looks at "&Abort".
const DWORD longestWaitMs = 50;
const DWORD progressEveryMs = 100;
const DWORD cancelRepeatMs = 500;
// The cancel goes out after "&Abort" too, but a line that holds it may not
// keep the window from answering the press for long.
const DWORD cancelWriteMs = 300;

} // namespace

ProtocolTransfer::ProtocolTransfer(PortControl &port, PWin &window, P_File &source, TransferProtocol protocol,
                                   const XmodemSender::Timing &timing)
    : line(port), owner(window), file(source), sender(nullptr), shownDone(-1), shownAt(0)
{
    if (protocol == TransferProtocol::zmodem) {
        zmodem.reset(new ZmodemSender(source.getName(), source.getSize(), modifiedTime(source.getName()), *this));
        sender = zmodem.get();
    } else {
        xmodem.reset(new XmodemSender(protocol, source.getName(), source.getSize(), *this, timing));
        sender = xmodem.get();
    }
}

// ZMODEM offers the file's time with it; 0 (unknown) when it cannot be read.
uint32_t ProtocolTransfer::modifiedTime(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    ULARGE_INTEGER t;
    t.LowPart = data.ftLastWriteTime.dwLowDateTime;
    t.HighPart = data.ftLastWriteTime.dwHighDateTime;
    // 100 ns ticks since 1601 to seconds since 1970.
    const unsigned long long epoch = 116444736000000000ull;
    if (t.QuadPart < epoch)
        return 0;
    unsigned long long seconds = (t.QuadPart - epoch) / 10000000ull;
    return seconds > 0xFFFFFFFFull ? 0 : uint32_t(seconds);
}

bool ProtocolTransfer::seek(uint32_t offset)
{
    // Never past the end: a seek there would lengthen the file being sent.
    return offset <= file.getSize() && offset <= 0x7FFFFFFFu && file.seek(int32_t(offset), FILE_BEGIN);
}

bool ProtocolTransfer::started() const
{
    return xmodem ? xmodem->started() : zmodem->sent() > 0 || zmodem->finished();
}

// What the progress dialog shows: the bytes acknowledged by blocks, or the
// bytes streamed (ZMODEM confirms only now and then).
uint32_t ProtocolTransfer::done() const
{
    return xmodem ? xmodem->acknowledged() : zmodem->sent();
}

ProtocolTransfer::~ProtocolTransfer()
{
    if (line.tap() == this)
        line.setReceiveTap(nullptr);
}

uint32_t ProtocolTransfer::read(unsigned char *to, uint32_t count)
{
    return file.read(to, count);
}

uint32_t ProtocolTransfer::take(const unsigned char *data, uint32_t count, unsigned char *shown)
{
    static_assert(XmodemSender::maxHeldRun <= heldBack, "the sender hands back more than the tap's room");
    return sender->receive(data, count, shown, GetTickCount());
}

// The receiver's start, the blocks and their answers, until the sender is
// done, gives up or "&Abort" is pressed; the outcome is said while the
// progress dialog is still up.
void ProtocolTransfer::run()
{
    // Listening before anything is shown: a receiver started now is heard
    // from its first start request.
    line.setReceiveTap(this);
    if (xmodem) {
        setLineSpeed();
        xmodem->start(GetTickCount());
    } else {
        // "rz" first: a shell at the far end starts the receiver.
        zmodem->start(GetTickCount(), true);
    }
    std::unique_ptr<progressBar> bar = progressBar::showSending(&owner, file.getSize(), waitingText);
    abortBar = bar.get();
    while (!sender->finished() && flush()) {
        if (bar->isAborted()) {
            sender->abort();
            break;
        }
        showProgress(*bar, false);
        // A streaming sender has its next bytes ready at once.
        if (sender->outputCount() == 0)
            waitForWork();
        PMessagePump::pumpWaiting();
        sender->tick(GetTickCount());
    }
    // A write that failed stops the transfer as an abort would: the
    // receiver is told to stop, in case the line takes that much.
    if (!sender->finished())
        sender->abort();
    // The cancel is written past the pressed "&Abort" that gives the other
    // writes up: the receiver must hear it.
    bool lineTakes = flushCancel();
    if (xmodem && xmodem->cancelledReceiver() && lineTakes)
        cancelAgain();
    if (zmodem)
        awaitClosingTail();
    showProgress(*bar, true);
    line.setReceiveTap(nullptr);
    report();
}

// rz's closing ZFIN ends with a line end that may come a read later; the
// tap stays until it is in, so that it is not shown as the far end's text.
void ProtocolTransfer::awaitClosingTail()
{
    DWORD start = GetTickCount();
    while (zmodem->closing() && GetTickCount() - start < closingTailMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PMessagePump::pumpWaiting();
    }
}

// A receiver that clears its input after answering a block (lrzsz does)
// may have dropped a cancel that came right behind the block: once its
// answer is in, the cancel goes again.
void ProtocolTransfer::cancelAgain()
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < cancelRepeatMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, longestWaitMs, QS_ALLINPUT);
        PMessagePump::pumpWaiting();
    }
    xmodem->repeatCancel();
    flushCancel();
}

// The frame is handed over before the write starts: an answer that comes
// while the line still holds it (its wait pumps the receive) is the answer
// to it. The sender keeps the bytes where they are until the frame after the
// next, so the write reads them unchanged.
bool ProtocolTransfer::flush()
{
    uint32_t count = sender->outputCount();
    if (count == 0)
        return true;
    const unsigned char *bytes = sender->output();
    sender->outputSent(GetTickCount());
    return line.send(bytes, count, false, abortBar);
}

bool ProtocolTransfer::flushCancel()
{
    uint32_t count = sender->outputCount();
    if (count == 0)
        return true;
    const unsigned char *bytes = sender->output();
    sender->outputSent(GetTickCount());
    return line.sendWithin(bytes, count, cancelWriteMs);
}

// Answer waits grow by a frame's time on the line at the port's speed.
void ProtocolTransfer::setLineSpeed()
{
    PCom *port = line.port();
    LineConfig config;
    if (!port || !config.build(port->settings) || config.baudRate == 0)
        return;
    // Start bit, data bits, parity, stop bits (1.5 counted as 2).
    uint32_t bits = 1u + config.byteSize + (config.parity != NOPARITY ? 1u : 0u) + (config.stopBits == ONESTOPBIT ? 1u : 2u);
    xmodem->setLineSpeed(config.baudRate, bits);
}

// At most every progressEveryMs while blocks go: redrawing the dialog for
// each block would cost the line time.
void ProtocolTransfer::showProgress(progressBar &bar, bool now)
{
    if (!started())
        return;
    int64_t amount = int64_t(done());
    if (amount == shownDone || (!now && GetTickCount() - shownAt < progressEveryMs))
        return;
    if (bar.update(uint32_t(amount))) {
        shownDone = amount;
        shownAt = GetTickCount();
    }
}

// Until a message comes (the receiver's answer is one) or the sender has
// something to do on its own.
void ProtocolTransfer::waitForWork()
{
    DWORD wait = sender->msUntilDeadline(GetTickCount());
    if (wait > longestWaitMs)
        wait = longestWaitMs;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
}

void ProtocolTransfer::report()
{
    if (zmodem) {
        reportZmodem();
        return;
    }
    HWND window = owner.hwnd;
    switch (xmodem->outcome()) {
    case XmodemSender::Outcome::done:
        MessageBoxA(window, "File Transfered", "Success", MB_ICONINFORMATION);
        break;
    case XmodemSender::Outcome::endNotConfirmed:
        MessageBoxA(window, "File Transfered\r\nbut the receiver did not confirm its end", "Warning",
                    MB_ICONWARNING);
        break;
    case XmodemSender::Outcome::receiverCancelled:
        MessageBoxA(window, "Transfer cancelled by the receiver", "Error", MB_ICONERROR);
        break;
    case XmodemSender::Outcome::noAnswer:
        MessageBoxA(window, "No answer from the receiver\r\nIs it waiting for the file?", "Error", MB_ICONERROR);
        break;
    case XmodemSender::Outcome::tooManyErrors:
        MessageBoxA(window, "Too many errors\r\nFile may be corrupted!", "Error", MB_ICONERROR);
        break;
    case XmodemSender::Outcome::readFailed:
        MessageBoxA(window, "Unable to read File", "Error on file", MB_ICONERROR);
        break;
    default:
        MessageBoxA(window, "Transfer aborted\r\nFile may be corrupted!", "Error", MB_ICONERROR);
        break;
    }
}

void ProtocolTransfer::reportZmodem()
{
    HWND window = owner.hwnd;
    switch (zmodem->outcome()) {
    case ZmodemSender::Outcome::done:
        MessageBoxA(window, "File Transfered", "Success", MB_ICONINFORMATION);
        break;
    case ZmodemSender::Outcome::skipped:
        MessageBoxA(window, "The receiver did not take the file\r\n(it may have it already)", "Warning",
                    MB_ICONWARNING);
        break;
    case ZmodemSender::Outcome::receiverCancelled:
        MessageBoxA(window, "Transfer cancelled by the receiver", "Error", MB_ICONERROR);
        break;
    case ZmodemSender::Outcome::noAnswer:
        MessageBoxA(window, "No answer from the receiver\r\nIs it waiting for the file?", "Error", MB_ICONERROR);
        break;
    case ZmodemSender::Outcome::tooManyErrors:
        MessageBoxA(window, "Too many errors\r\nFile may be corrupted!", "Error", MB_ICONERROR);
        break;
    case ZmodemSender::Outcome::readFailed:
        MessageBoxA(window, "Unable to read File", "Error on file", MB_ICONERROR);
        break;
    default:
        MessageBoxA(window, "Transfer aborted\r\nFile may be corrupted!", "Error", MB_ICONERROR);
        break;
    }
}
