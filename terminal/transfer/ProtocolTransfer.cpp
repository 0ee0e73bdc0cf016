#include "terminal/transfer/ProtocolTransfer.h"

#include <memory>

#include "terminal/port/PortControl.h"
#include "terminal/ui/progressBar.h"
#include "util/P_File.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

namespace {

const char waitingText[] = "Waiting for\n\rthe receiver...";
// The longest the loop sleeps between two looks at "&Abort".
const DWORD longestWaitMs = 50;
const DWORD progressEveryMs = 100;
const DWORD cancelRepeatMs = 500;

} // namespace

ProtocolTransfer::ProtocolTransfer(PortControl &port, PWin &window, P_File &source, TransferProtocol protocol,
                                   const XmodemSender::Timing &timing)
    : line(port), owner(window), file(source),
      sender(protocol, source.getName(), source.getSize(), *this, timing), shownDone(-1), shownAt(0)
{
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
    return sender.receive(data, count, shown, GetTickCount());
}

// The receiver's start, the blocks and their answers, until the sender is
// done, gives up or "&Abort" is pressed; the outcome is said while the
// progress dialog is still up.
void ProtocolTransfer::run()
{
    // Listening before anything is shown: a receiver started now is heard
    // from its first start request.
    line.setReceiveTap(this);
    sender.start(GetTickCount());
    std::unique_ptr<progressBar> bar = progressBar::showSending(&owner, file.getSize(), waitingText);
    abortBar = bar.get();
    while (!sender.finished() && flush()) {
        if (bar->isAborted()) {
            sender.abort();
            break;
        }
        showProgress(*bar, false);
        waitForWork();
        PMessagePump::pumpWaiting();
        sender.tick(GetTickCount());
    }
    // A write that failed stops the transfer as an abort would: the
    // receiver is told to stop, in case the line takes that much.
    if (!sender.finished())
        sender.abort();
    flush();
    if (sender.cancelledReceiver())
        cancelAgain();
    showProgress(*bar, true);
    line.setReceiveTap(nullptr);
    report();
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
    sender.repeatCancel();
    flush();
}

bool ProtocolTransfer::flush()
{
    if (sender.outputCount() == 0)
        return true;
    bool ok = line.send(sender.output(), sender.outputCount(), false, abortBar);
    sender.outputSent(GetTickCount());
    return ok;
}

// At most every progressEveryMs while blocks go: redrawing the dialog for
// each block would cost the line time.
void ProtocolTransfer::showProgress(progressBar &bar, bool now)
{
    if (!sender.started())
        return;
    int64_t done = int64_t(sender.acknowledged());
    if (done == shownDone || (!now && GetTickCount() - shownAt < progressEveryMs))
        return;
    if (bar.update(uint32_t(done))) {
        shownDone = done;
        shownAt = GetTickCount();
    }
}

// Until a message comes (the receiver's answer is one) or the sender has
// something to do on its own.
void ProtocolTransfer::waitForWork()
{
    DWORD wait = sender.msUntilDeadline(GetTickCount());
    if (wait > longestWaitMs)
        wait = longestWaitMs;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
}

void ProtocolTransfer::report()
{
    HWND window = owner.hwnd;
    switch (sender.outcome()) {
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
