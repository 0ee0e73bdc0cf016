#include "terminal/port/PortControl.h"

#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/settings/P_Param.h"
#include "terminal/settings/Settings.h"
#include "terminal/ui/StatusText.h"
#include "win/ButtonImages.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PWin.h"

PortControl::PortControl(PWin *owner, ButtonImages &bitmaps, uint32_t openIndex, uint32_t closedIndex)
    : dialog(owner), images(bitmaps), openImage(openIndex), closedImage(closedIndex), open(nullptr),
      writingOn(nullptr), sendWait(owner), delayMs(0), receiveTap(nullptr)
{
}

void PortControl::loadSendDelay()
{
    delayMs = ::loadSendDelay();
}

PortControl::~PortControl()
{
    close();
}

void PortControl::close()
{
    PCom *port = open;
    open = nullptr;
    ++generation;
    if (port && port == writingOn) {
        port->close();   // ends the write; write() frees the object after
        return;
    }
    PCom::discard(port);
}

LONG PortControl::write(const void *data, DWORD count, const progressBar *abortedBy)
{
    if (!open || writingOn)
        return 0;
    writingOn = open;
    sendWait.watch(abortedBy);
    open->setWriteWait(&sendWait);
    LONG written = writingOn->write(data, count);
    if (written > 0)
        sentBytes += uint64_t(written);
    sendWait.watch(nullptr);
    // Closed while the write waited: its object is ours to free now.
    PCom *port = writingOn;
    writingOn = nullptr;
    if (port != open)
        PCom::discard(port);
    return written;
}

bool PortControl::sendWithin(const unsigned char *data, uint32_t count, DWORD withinMs)
{
    if (!open || writingOn)
        return false;
    sendWait.limit(withinMs);
    bool ok = write(data, count) == LONG(count);
    sendWait.limit(0);
    return ok;
}

bool PortControl::send(const unsigned char *data, uint32_t count, bool paced, const progressBar *abortedBy)
{
    if (!open)
        return false;
    if (paced && delayMs != 0) {
        for (uint32_t i = 0; i < count; ++i) {
            if (write(data + i, 1, abortedBy) == 0)
                return false;
            SleepEx(delayMs, TRUE);
        }
        return true;
    }
    return write(data, count, abortedBy) == LONG(count);
}

bool PortControl::toggle()
{
    // While a lost port is awaited, the button ends the waiting.
    if (waiter.isWaiting()) {
        waiter.stop();
        updateButton();
        return true;
    }
    if (open) {
        close();
        updateButton();
        return true;
    }
    open = PortKeeper::makePort(dialog->hwnd);
    ++generation;
    if (!open) {
        updateButton();
        return true;
    }
    open->settings = loadSettings();
    open->extras = loadExtras();
    open->atOpen = loadOptions().linesAtOpen();
    // A stored word with an index beyond its tables (an edited registry
    // value) names no line configuration: it fails like a missing port.
    if (!open->settings.isValid() || !open->open()) {
        MessageBoxA(dialog->hwnd, "Unable to open Comm", "Error Comm", MB_ICONERROR);
        close();
        return false;
    }
    sentBytes = 0;
    updateButton();
    return true;
}

bool PortControl::ensureOpen()
{
    if (open)
        return true;
    int answer = MessageBoxA(dialog->hwnd, "Do you want to open now?", "Comm is not opened",
                             MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDNO)
        return false;
    // The keeper may have brought a lost port back while the box was up.
    if (open)
        return true;
    if (!waiter.isWaiting())
        return toggle();
    // The lost port, tried now: if it is still away, the waiting goes on.
    retry();
    if (!open)
        MessageBoxA(dialog->hwnd, "Unable to open Comm", "Error Comm", MB_ICONERROR);
    return open != nullptr;
}

PortControl::TimerSeen PortControl::onTimer(UINT_PTR id)
{
    if (id == PortKeeper::retryTimer) {
        retry();
        return retried;
    }
    if (id != PortKeeper::lossTimer)
        return notMine;
    KillTimer(dialog->hwnd, PortKeeper::lossTimer);
    return lossDue;
}

void PortControl::retry()
{
    if (open) {
        waiter.stop();
        return;
    }
    PCom *back = waiter.retry();
    if (!back)
        return;
    open = back;
    sentBytes = 0;
    ++generation;
    updateButton();
}

void PortControl::startWaiting()
{
    if (!open)
        return;
    CommSettings settings = open->settings;
    CommExtras extras = open->extras;
    close();
    waiter.startWaiting(dialog->hwnd, settings, extras);
    updateButton();
}

void PortControl::reopen()
{
    // A lost port too: the waiting ends and the new settings are tried at once.
    if ((open || waiter.isWaiting()) && toggle())
        toggle();
}

void PortControl::updateButton()
{
    if (!dialog->hwnd)
        return;
    const char *caption = open ? "&Close Comm" : waiter.isWaiting() ? "Stop &Waiting" : "&Open Comm";
    HWND button = GetDlgItem(dialog->hwnd, IDC_OPENCOMM);
    PWin *object = PWin::fromHandle(button);
    if (object)
        object->setText(caption);
    else
        SetWindowTextA(button, caption);
    POwnBtnImage *imageButton = dynamic_cast<POwnBtnImage *>(object);
    PBitmap *light = images.get(open ? openImage : closedImage);
    if (imageButton && imageButton->strip && light)
        imageButton->strip->replaceFrame(light, 0);
}

void PortControl::editSettings(uint32_t &sendDelay)
{
    CommSettings current = loadSettings();
    const CommSettings previous = current;
    CommExtras extras = loadExtras();
    const CommExtras previousExtras = extras.effective(previous);
    const uint32_t previousDelay = sendDelay;
    uint32_t transfer = loadTransfer();
    const uint32_t previousTransfer = transfer;
    Options options = loadOptions();
    const Options previousOptions = options;
    int result;
    {
        P_Param settingsDialog(&current, &sendDelay, dialog, IDD_SETTINGS, nullptr);
        settingsDialog.useExtras(&extras);
        settingsDialog.setTransfer(&transfer);
        settingsDialog.setOptions(&options);
        result = settingsDialog.execute();
    }
    if (result != IDOK)
        return;
    if (transfer != previousTransfer)
        storeTransfer(transfer);
    // DTR and RTS at open count from the next open; an open port keeps
    // its lines as they are.
    storeOptions(options, previousOptions);
    if (current.toWord() != previous.toWord() || extras.effective(current) != previousExtras) {
        writeRegDword("Setup", current.toWord());
        storeExtras(current, extras);
        reopen();   // with what was just stored
    }
    if (sendDelay != previousDelay)
        writeRegDword("DelayOnSend", sendDelay);
}

void PortControl::describe(StatusFacts &facts) const
{
    if (open) {
        facts.state = StatusFacts::portOpen;
        facts.settings = open->settings;
        facts.extras = open->extras;
    } else if (waiter.isWaiting()) {
        facts.state = StatusFacts::portWaiting;
        facts.settings = waiter.awaitedSettings();
        facts.extras = waiter.awaitedExtras();
    } else {
        facts.state = StatusFacts::portClosed;
        facts.settings = loadSettings();
        facts.extras = loadExtras();
    }
    facts.sent = sentBytes;
}
