#include "terminal/mainClient.h"

#include <cstring>

#include "comm/ArrivalClock.h"
#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/ui/ChosenFile.h"
#include "terminal/send/Escapes.h"
#include "terminal/port/ReceiveTap.h"
#include "terminal/settings/Settings.h"
#include "terminal/receive/TimedText.h"
#include "util/ChunkTimes.h"
#include "util/P_File.h"
#include "win/PEdit.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PTextView.h"

namespace {

const COLORREF paleYellow = 0x00CFFFFF;

// Indexes into images, in loading order.
enum {
    imageSetup, imageSend, imageDone, imageRedLight, imageClear, imageSave, imageGreenLight,
    imageCount
};

const int bitmapIds[imageCount] = {
    IDB_SETUP, IDB_SEND, IDB_DONE, IDB_PORTCLOSED, IDB_CLEAR, IDB_SAVE, IDB_PORTOPEN
};

struct ImageButton
{
    int id;
    uint32_t image;
};

// Creation order of the image buttons.
const ImageButton buttons[] = {
    {IDC_SETUP, imageSetup},    {IDC_OPENCOMM, imageRedLight}, {IDC_SENDSTRING, imageSend},
    {IDC_SENDBYTE, imageSend},  {IDC_SENDFILE, imageSend},     {IDCANCEL, imageDone},
    {IDC_CLEAR, imageClear},    {IDC_SAVE, imageSave},
};

} // namespace

mainClient::mainClient(PWin *parent, HINSTANCE module)
    : PModDialog(parent, IDD_TERMINAL, module), textFont(nullptr),
      editBrush(CreateSolidBrush(paleYellow)), rxBuffer(16384),
      images(instance(), bitmapIds, imageCount), captureFile(nullptr), sendDelay(0),
      showHex(0), history(rxBuffer), renderer(this), byteFields(this), transfer(*this), busyDepth(0),
      line(this, images, imageGreenLight, imageRedLight)
{
    textFont = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, "courier");
    byteFields.bind(textFont);
    for (const ImageButton &b : buttons)
        images.attach(this, b.id, b.image);

    // The receive view of template 1 is a text view of the library's own: its
    // class must be there before the dialog window is made.
    PTextView::registerClass(instance());
}

mainClient::~mainClient()
{
    delete captureFile;
    captureFile = nullptr;
    tooltips.destroy();
    destroy();
    DeleteObject(textFont);
    textFont = nullptr;
    DeleteObject(editBrush);
    editBrush = nullptr;
    line.close();
    rxBuffer.clear();
}

bool mainClient::create()
{
    if (!PModDialog::create())
        return false;
    // Without its window the dialog has nothing to set up; the frame's
    // creation fails with it rather than run an empty frame.
    if (!hwnd)
        return false;

    renderer.attach(GetDlgItem(hwnd, IDC_VIEW), textFont);
    signals.attach(hwnd);
    finder.attach(hwnd, GetDlgItem(hwnd, IDC_VIEW));
    SendDlgItemMessageA(hwnd, IDC_SENDBOX, WM_SETFONT, WPARAM(textFont), TRUE);

    sendDelay = loadSendDelay();
    uint32_t timeOn = 0;
    readRegDword("ShowTime", timeOn, false);
    renderer.setShowTime(timeOn != 0);

    tooltips.create(hwnd, instance());
    return true;
}

bool mainClient::preTranslate(MSG *msg)
{
    tooltips.relay(msg);
    if (!hwnd)
        return false;
    if (onFindKey(msg))
        return true;
    return IsDialogMessageA(hwnd, msg) != FALSE;
}

// Ctrl+F opens Find, F3 finds again and Shift+F3 the other way, wherever
// the focus is in the terminal.
bool mainClient::onFindKey(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN)
        return false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    // Ctrl+Alt is AltGr on many layouts: a character for the send box.
    if (msg->wParam == 'F' && ctrl && GetKeyState(VK_MENU) >= 0) {
        finder.openDialog();
        return true;
    }
    if (msg->wParam == VK_F3 && !ctrl) {
        finder.findAgain(GetKeyState(VK_SHIFT) < 0, showHex != 0);
        return true;
    }
    return false;
}

// The terminal's items on the receive view's context menu, after the view's.
void mainClient::extendViewMenu(HMENU menu)
{
    ViewFinder::extendMenu(menu);
    addTimeItem(menu);
}

LRESULT mainClient::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (finder.isNotice(msg)) {
        finder.onNotice(lParam, showHex != 0);
        return 0;
    }
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        if (HBRUSH brush = onCtlColor(HDC(wParam), HWND(lParam), msg))
            return LRESULT(brush);
        return PModDialog::windowProc(wnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_DESTROY:
        // The program ends with its terminal, and the Find dialog with it.
        finder.close();
        PostQuitMessage(0);
        break;
    case PTVM_EXTENDMENU:
        extendViewMenu(HMENU(wParam));
        break;
    case WM_COMMAND:
        onCommand(wParam);
        break;
    case PWM_COMMDATA:
        onCommData(wParam);
        break;
    case PWM_COMMLOST:
        onPortLost();
        break;
    case PWM_COMMLINE:
        signals.onLineMessage(wParam);
        break;
    case WM_TIMER:
        if (onTimer(wParam))
            return 0;
        break;
    case PWM_EDITENTER:
        if (!deferWhileBusy(deferredEditEnter, intptr_t(wParam)))
            sendInput(sourceOf(int(wParam)));
        break;
    default:
        break;
    }
    return PModDialog::windowProc(wnd, msg, wParam, lParam);
}

void mainClient::onCommand(WPARAM wParam)
{
    if (HIWORD(wParam) == EN_CHANGE)
        byteFields.sync(LOWORD(wParam));
    // A command that comes while the view is being updated waits for the
    // update to end.
    if (findCommand(LOWORD(wParam)) && !deferWhileBusy(LOWORD(wParam), 0))
        runCommand(LOWORD(wParam));
}

// The port keeper's and the line signals' timers; false for any other timer.
bool mainClient::onTimer(WPARAM id)
{
    if (signals.onTimer(id))
        return true;
    if (id == PortKeeper::retryTimer) {
        line.retry();
        return true;
    }
    if (id == PortKeeper::lossTimer) {
        KillTimer(hwnd, PortKeeper::lossTimer);
        onPortLost();
        return true;
    }
    return false;
}

// The dialog's commands: a click on one of these ids runs its handler, or
// waits for the update of the view under way.
const mainClient::Command mainClient::commands[] = {
    {IDC_SENDFILE, [](mainClient &c) { c.sendFile(); }},
    {IDC_OPENCOMM, [](mainClient &c) { c.togglePort(); }},
    {IDC_SENDSTRING, [](mainClient &c) { c.sendInput(SendSource::sendBox); }},
    {IDC_SENDBYTE, [](mainClient &c) { c.sendInput(SendSource::byteFields); }},
    {IDC_SETUP, [](mainClient &c) { c.editSettings(); }},
    {IDC_CLEAR, [](mainClient &c) { c.clearReceived(); }},
    {IDC_SAVE, [](mainClient &c) { c.saveReceived(); }},
    {IDC_SHOWHEX, [](mainClient &c) { c.toggleHex(); }},
    {IDC_CAPTURE, [](mainClient &c) { c.toggleCapture(); }},
    {IDM_VIEW_FIND, [](mainClient &c) { c.finder.openDialog(); }},
    {IDM_VIEW_SHOWTIME, [](mainClient &c) { c.toggleTime(); }},
};

const mainClient::Command *mainClient::findCommand(int id)
{
    for (const Command &c : commands)
        if (c.id == id)
            return &c;
    return nullptr;
}

void mainClient::runCommand(int id)
{
    if (const Command *c = findCommand(id))
        c->run(*this);
}

// Enter in the send box sends its text; in a byte field, the byte.
mainClient::SendSource mainClient::sourceOf(int editId)
{
    return editId == IDC_SENDBOX ? SendSource::sendBox : SendSource::byteFields;
}

HBRUSH mainClient::onCtlColor(HDC dc, HWND /*control*/, UINT message)
{
    if (message != WM_CTLCOLOREDIT)
        return nullptr;
    SetTextColor(dc, 0);
    SetBkColor(dc, paleYellow);
    return editBrush;
}

// The device behind the open port has gone: everything its reader queued
// goes into the history (or the capture file) first, then the port is closed
// and awaited with the same settings.
void mainClient::onPortLost()
{
    // A notice from a port closed by hand since, or from a port that is back.
    if (!line.port() || !line.port()->isLost())
        return;
    // A drain or render under way still holds the port: come back after it.
    if (busyDepth != 0) {
        SetTimer(hwnd, PortKeeper::lossTimer, PortKeeper::lossDelayMs, nullptr);
        return;
    }
    // The queue holds at most a few chunks; the bound only guards the loop.
    for (int pass = 0; pass < 64 && line.port() && busyDepth == 0 && line.port()->available() > 0; ++pass)
        onCommData(0);
    if (!line.port())
        return;   // a command that waited for the drain closed it
    if (busyDepth != 0) {
        SetTimer(hwnd, PortKeeper::lossTimer, PortKeeper::lossDelayMs, nullptr);
        return;
    }
    line.startWaiting();
}

// ---------------------------------------------------------------------------
// The data path: receiving, sending, file transfer, saving.
//
// Re-entry: rendering and file transfer pump messages, so a PWM_COMMDATA or a
// click can arrive in the middle of a drain or a render. While the view and
// the history are being updated (busyDepth > 0) notifications are left to the
// running drain (it loops until the queue is empty) and commands are queued
// in `deferred`; they run, in arrival order, as soon as the update is over. A
// drain also stops between chunks when a command waits, so a click is never
// held up by a long flood. The history is therefore always the arrival order,
// and the view always shows each byte once.

// The most bytes one read of a drain takes from the port's queue.
static const uint32_t chunkBytes = 511;

namespace {

// When each byte of a chunk read from the port arrived, asked in ascending
// order.
class ChunkArrivals : public ByteTimes
{
public:
    explicit ChunkArrivals(const ChunkTimes &runs) : runs(runs), at(0) {}
    int64_t timeOf(uint32_t index) override
    {
        while (at + 1 < runs.count() && runs.run(at + 1).offset <= index)
            ++at;
        return runs.run(at).time;
    }

private:
    const ChunkTimes &runs;
    uint32_t at;
};

} // namespace

// Holds the view busy for the life of the object.
class mainClient::BusyScope
{
public:
    explicit BusyScope(mainClient *owner) : owner(owner) { ++owner->busyDepth; }
    ~BusyScope() { --owner->busyDepth; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    mainClient *owner;
};

bool mainClient::deferWhileBusy(int id, intptr_t arg)
{
    if (busyDepth == 0)
        return false;
    deferred.push(id, arg);
    return true;
}

void mainClient::runDeferred()
{
    int id;
    intptr_t arg;
    while (busyDepth == 0 && deferred.pop(&id, &arg)) {
        if (id == deferredEditEnter)
            sendInput(sourceOf(int(arg)));
        else
            runCommand(id);
    }
}

// After an update of the view: bytes that came while it ran get drained, the
// commands that waited run.
void mainClient::afterBusy()
{
    if (busyDepth != 0)
        return;
    if (line.port() && line.port()->available() > 0)
        PostMessageA(hwnd, PWM_COMMDATA, 0, 0);
    runDeferred();
}

// Said without holding up reception: the box's own loop goes on draining
// the port into the view (and the capture file) while it waits.
void mainClient::reportHistoryFull()
{
    MessageBoxA(hwnd,
                "The buffer of received data is full: no more bytes can be kept in it.\r\n"
                "What arrives is still shown (and captured), but Save will not have it.\r\n\r\n"
                "Save the buffer to a file and clear it, or capture to a file.",
                "Buffer Full", MB_ICONWARNING);
}

// A protocol transfer takes its answers out of a chunk first; what it hands
// back (a loader's text) is dated with the chunk's first time.
const unsigned char *mainClient::passTap(const unsigned char *chunk, DWORD &n, unsigned char *shown, ChunkTimes &times)
{
    DWORD kept = receiveTap->take(chunk, n, shown);
    shown[kept] = 0;
    if (kept != n) {
        int64_t first = times.run(0).time;
        times.clear();
        times.add(0, first);
    }
    n = kept;
    return shown;
}

void mainClient::onCommData(WPARAM)
{
    // The drain or render under way takes these bytes when it is done.
    if (!line.port() || busyDepth != 0)
        return;
    bool captureFailed = false;
    {
        BusyScope busy(this);
        line.port()->notifyEnabled = 0;
        unsigned char buffer[chunkBytes + 1];
        ChunkTimes times;
        unsigned char shown[chunkBytes + ReceiveTap::heldBack + 1];
        DWORD n;
        while (line.port() && (n = line.port()->available()) != 0) {
            n = line.port()->readTimed(buffer, n < chunkBytes ? n : chunkBytes, times);
            if (n == 0)
                break;
            buffer[n] = 0;
            if (times.count() == 0)
                times.add(0, ArrivalClock::localWallMs());
            const unsigned char *data = receiveTap ? passTap(buffer, n, shown, times) : buffer;
            if (n == 0)
                continue;
            ChunkArrivals arrived(times);
            if (captureFile)
                captureFailed = captureFile->write(data, n) != n;
            else if (showHex)
                appendHex(viewWindow(), data, n, renderer.textLength(), false, &arrived);
            else
                appendText(viewWindow(), data, n, false, &arrived);
            // Bytes the history has no room for are not kept (the view and
            // the capture still get them); said once, when the drain is over.
            uint32_t before = history.held();
            history.append(data, n);
            keepArrivals(data, history.held() - before, times);
            // A waiting click runs between two chunks, not after the flood.
            if (captureFailed || !deferred.empty())
                break;
        }
        if (line.port())
            line.port()->notifyEnabled = 1;
    }
    if (history.takeFullNotice())
        reportHistoryFull();
    if (captureFailed)
        failCapture();
    afterBusy();
}

// The whole history, in the current mode, into the emptied view.
void mainClient::renderHistory()
{
    if (rxBuffer.count() <= 1)
        return;
    BusyScope busy(this);
    renderer.showHistory(rxBuffer.items(), rxBuffer.count() - 1, showHex != 0, &arrivals);
}

// The times of the first `kept` bytes of a chunk, those the history took.
void mainClient::keepArrivals(const unsigned char *data, uint32_t kept, const ChunkTimes &times)
{
    for (uint32_t r = 0; r < times.count() && times.run(r).offset < kept; ++r) {
        uint32_t end = times.endOf(r, kept);
        if (end > kept)
            end = kept;
        arrivals.add(data + times.run(r).offset, end - times.run(r).offset, times.run(r).time);
    }
}

void mainClient::clearReceived()
{
    renderer.empty();
    history.clear();
    arrivals.clear();
}

void mainClient::toggleHex()
{
    {
        BusyScope busy(this);
        renderer.empty();
        showHex = SendDlgItemMessageA(hwnd, IDC_SHOWHEX, BM_GETCHECK, 0, 0) == BST_CHECKED;
        renderHistory();
    }
    afterBusy();
}

// "Show Time" on the view's menu: re-renders the history as Show Hex does,
// with or without the times, and keeps the choice for the next start.
void mainClient::toggleTime()
{
    {
        BusyScope busy(this);
        bool on = !renderer.showsTime();
        writeRegDword("ShowTime", on ? 1 : 0);
        renderer.setShowTime(on);
        renderer.empty();
        renderHistory();
    }
    afterBusy();
}

// The item of the view's context menu, checked while the times show; apart
// from the view's own items by a separator.
void mainClient::addTimeItem(HMENU viewMenu)
{
    int n = GetMenuItemCount(viewMenu);
    if (n > 0 && !(GetMenuState(viewMenu, UINT(n - 1), MF_BYPOSITION) & MF_SEPARATOR))
        AppendMenuA(viewMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(viewMenu, MF_STRING | (renderer.showsTime() ? MF_CHECKED : MF_UNCHECKED), IDM_VIEW_SHOWTIME, "Show &Time");
}

void mainClient::toggleCapture()
{
    if (SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        // Without a running capture the view already shows the history.
        if (captureFile)
            endCapture();
        afterBusy();
        return;
    }
    ChosenFile chosen(hwnd, ChosenFile::toWrite);
    if (!chosen.choose()) {
        // Still capturing from before (the box was checked again): keep on.
        if (!captureFile)
            SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    // The capture running goes first: the file chosen may be its own.
    delete captureFile;
    captureFile = chosen.open();
    if (captureFile)
        clearReceived();
    else
        SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
}

// Closes the capture and shows in the view what it received.
void mainClient::endCapture()
{
    delete captureFile;
    captureFile = nullptr;
    renderer.restartHexLines();
    renderHistory();
}

// A capture write failed (disk full, file gone): said once, and the capture
// ends as if unchecked. The bytes are all in the history and can be saved.
void mainClient::failCapture()
{
    {
        BusyScope busy(this);
        delete captureFile;
        captureFile = nullptr;
        SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        MessageBoxA(hwnd, "Unable to write to File", "Error on file", MB_ICONERROR);
        renderer.restartHexLines();
        renderHistory();
    }
    afterBusy();
}

void mainClient::sendInput(SendSource from)
{
    // One stream at a time on the line: the file transfer or the write
    // under way owns it.
    if (transfer.isRunning() || line.isWriting())
        return;
    if (!ensurePortOpen())
        return;
    if (from == SendSource::byteFields) {
        unsigned char byte = byteFields.byte();
        if (!sendBytes(&byte, 1, false))
            writeFailed();
        return;
    }
    char text[500];
    UINT length = GetDlgItemTextA(hwnd, IDC_SENDBOX, text, sizeof text);
    if (length == 0)
        return;
    text[sizeof text - 1] = '\0';
    uint32_t n = decodeEscapes(text);
    if (!sendBytes(reinterpret_cast<unsigned char *>(text), n, true))
        writeFailed();
    HWND box = GetDlgItem(hwnd, IDC_SENDBOX);
    SendMessageA(box, EM_SETSEL, 0, -1);
    SetFocus(box);
}

// A transfer owns the line while it runs: the pump between its chunks would
// otherwise let a second send interleave with it.
void mainClient::setSendsEnabled(bool on)
{
    static const int sendButtons[] = {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE};
    for (int id : sendButtons)
        EnableWindow(GetDlgItem(hwnd, id), on ? TRUE : FALSE);
}

// A write that failed or came up short is said once. When the device has
// gone, the loss is what the operator sees instead.
void mainClient::writeFailed()
{
    // The terminal went while the write waited (the program is ending).
    if (!hwnd)
        return;
    if (line.port() && line.port()->isLost()) {
        onPortLost();
        return;
    }
    if (line.port())
        MessageBoxA(hwnd, "Unable to write to Comm", "Error Comm", MB_ICONERROR);
}

bool mainClient::sendBytes(const unsigned char *data, uint32_t count, bool useDelay, const progressBar *abortedBy)
{
    if (!line.port())
        return false;
    if (useDelay && sendDelay != 0) {
        for (uint32_t i = 0; i < count; ++i) {
            if (line.write(data + i, 1, abortedBy) == 0)
                return false;
            SleepEx(sendDelay, TRUE);
        }
        return true;
    }
    return line.write(data, count, abortedBy) == LONG(count);
}

void mainClient::sendFile()
{
    if (!line.isWriting())
        transfer.run();
}

uint32_t mainClient::decodeEscapes(char *text)
{
    return Escapes::decodeEscapes(text, uint32_t(strnlen(text, 499)));
}

void mainClient::saveReceived()
{
    if (rxBuffer.count() == 0) {
        MessageBoxA(hwnd, "Nothing to Save", "Warning", MB_ICONINFORMATION);
        return;
    }
    ChosenFile chosen(hwnd, ChosenFile::toWrite);
    if (!chosen.choose())
        return;
    P_File *file = chosen.open();
    if (!file)
        return;
    // Received while the dialog was up counts too: the count is taken now.
    uint32_t n = rxBuffer.count() ? rxBuffer.count() - 1 : 0;
    if (file->write(rxBuffer.items(), n) == n)
        MessageBoxA(hwnd, "File Saved", "Success", MB_ICONINFORMATION);
    else
        MessageBoxA(hwnd, "Unable to write to File", "Error on file", MB_ICONERROR);
    delete file;
}
