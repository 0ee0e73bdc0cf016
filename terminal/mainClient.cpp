#include "terminal/mainClient.h"

#include <cstring>

#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/ui/ChosenFile.h"
#include "terminal/send/Escapes.h"
#include "terminal/send/LineEnd.h"
#include "terminal/settings/Settings.h"
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
      editBrush(CreateSolidBrush(paleYellow)), images(instance(), bitmapIds, imageCount),
      line(this, images, imageGreenLight, imageRedLight), waits(deferred), session(this, line, waits),
      byteFields(this), transfer(line, *this), paced(this, line)
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
    session.closeCapture();
    tooltips.destroy();
    destroy();
    DeleteObject(textFont);
    textFont = nullptr;
    DeleteObject(editBrush);
    editBrush = nullptr;
    line.close();
    session.clear();
}

bool mainClient::create()
{
    if (!PModDialog::create())
        return false;
    // Without its window the dialog has nothing to set up; the frame's
    // creation fails with it rather than run an empty frame.
    if (!hwnd)
        return false;

    session.attach(GetDlgItem(hwnd, IDC_VIEW), textFont);
    signals.attach(hwnd);
    finder.attach(hwnd, GetDlgItem(hwnd, IDC_VIEW));
    SendDlgItemMessageA(hwnd, IDC_SENDBOX, WM_SETFONT, WPARAM(textFont), TRUE);
    recall.attach(GetDlgItem(hwnd, IDC_SENDBOX));

    line.loadSendDelay();
    uint32_t timeOn = 0;
    readRegDword("ShowTime", timeOn, false);
    session.view().setShowTime(timeOn != 0);
    uint32_t coloursOn = 0;
    readRegDword("AnsiColours", coloursOn, false);
    session.view().setColours(coloursOn != 0);

    tooltips.create(hwnd, instance());
    return true;
}

bool mainClient::preTranslate(MSG *msg)
{
    tooltips.relay(msg);
    if (!hwnd)
        return false;
    if (finder.onKey(msg, session.showsHex()) || recall.onKey(msg))
        return true;
    return IsDialogMessageA(hwnd, msg) != FALSE;
}

LRESULT mainClient::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (finder.isNotice(msg)) {
        finder.onNotice(lParam, session.showsHex());
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
        // The terminal's items on the receive view's context menu, after the view's.
        ViewFinder::extendMenu(HMENU(wParam));
        session.addTimeItem(HMENU(wParam), !transfer.isRunning());
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
        tellStatus();
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
    if (signals.onTimer(id)) {
        tellStatus();
        return true;
    }
    if (id == PortKeeper::retryTimer) {
        line.retry();
        tellStatus();
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
    {IDC_SENDFILE, [](mainClient &c) { c.runTransfer([](FileTransfer &t) { t.run(); }); }},
    {IDM_FILE_RECEIVE, [](mainClient &c) { c.runTransfer([](FileTransfer &t) { t.receive(); }); }},
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
    {IDM_VIEW_COLOURS, [](mainClient &c) { c.toggleColours(); }},
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
    if (transfer.isRunning() && disturbsTransfer(id))
        return;
    if (const Command *c = findCommand(id))
        c->run(*this);
}

bool mainClient::togglePort()
{
    bool opened = line.toggle();
    tellStatus();
    return opened;
}

bool mainClient::ensurePortOpen()
{
    bool open = line.ensureOpen();
    tellStatus();
    return open;
}

void mainClient::editSettings()
{
    line.editSettings();
    // The line part shows the stored settings, or those the port reopened
    // with.
    tellStatus();
}

void mainClient::tellStatus()
{
    if (status)
        status->statusChanged();
}

StatusFacts mainClient::statusFacts() const
{
    StatusFacts facts;
    if (const PCom *port = line.port()) {
        facts.state = StatusFacts::portOpen;
        facts.settings = port->settings;
        facts.extras = port->extras;
    } else if (line.isWaiting()) {
        facts.state = StatusFacts::portWaiting;
        facts.settings = line.keeper().awaitedSettings();
        facts.extras = line.keeper().awaitedExtras();
    } else {
        facts.settings = loadSettings();
        facts.extras = loadExtras();
    }
    facts.received = session.lineBytes();
    facts.sent = line.sent();
    facts.capturePath = session.captureName();
    facts.historyFull = session.history().isFull();
    return facts;
}

// As a click on the button: run now, or after the update of the view.
void mainClient::click(int id)
{
    if (!hwnd)
        return;
    if (!deferWhileBusy(id, 0))
        runCommand(id);
}

// As a click on an auto check box: the box changes, then says so.
void mainClient::clickCheckBox(int id)
{
    if (!hwnd)
        return;
    bool on = SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendDlgItemMessageA(hwnd, id, BM_SETCHECK, on ? BST_UNCHECKED : BST_CHECKED, 0);
    click(id);
}

// As "&Done": the terminal goes, and the program with it.
void mainClient::commandExit()
{
    if (hwnd)
        DestroyWindow(hwnd);
}

void mainClient::commandCopy()
{
    if (HWND view = viewWindow())
        SendMessageA(view, WM_COPY, 0, 0);
}

void mainClient::commandSelectAll()
{
    if (HWND view = viewWindow())
        SendMessageA(view, EM_SETSEL, 0, -1);
}

// The sends' buttons say it: a transfer greys them while it owns the line.
bool mainClient::sendsEnabled() const
{
    return hwnd && IsWindowEnabled(GetDlgItem(hwnd, IDC_SENDFILE));
}

bool mainClient::viewHasText() const
{
    return viewWindow() && session.view().viewLength() != 0;
}

bool mainClient::viewHasSelection() const
{
    HWND view = viewWindow();
    if (!view)
        return false;
    DWORD from = 0, to = 0;
    SendMessageA(view, EM_GETSEL, WPARAM(&from), LPARAM(&to));
    return from != to;
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
    // The queue holds at most a few chunks; the bound only guards the loop.
    for (int pass = 0; pass < 64 && line.port() && !session.isBusy() && line.port()->available() > 0; ++pass)
        onCommData(0);
    if (!line.port())
        return;   // a command that waited for the drain closed it
    // A drain or render under way still holds the port: come back after it.
    if (session.isBusy()) {
        SetTimer(hwnd, PortKeeper::lossTimer, PortKeeper::lossDelayMs, nullptr);
        return;
    }
    line.startWaiting();
    tellStatus();
}

// ---------------------------------------------------------------------------
// The data path: receiving (the session), sending, file transfer, saving.
//
// Rendering and file transfer pump messages, so a PWM_COMMDATA or a click
// can arrive in the middle of a drain or a render: while the session is busy
// notifications are left to the running drain and commands wait in
// `deferred`, to run in arrival order as soon as the update is over.

bool mainClient::deferWhileBusy(int id, intptr_t arg)
{
    if (!session.isBusy())
        return false;
    deferred.push(id, arg);
    return true;
}

void mainClient::runDeferred()
{
    int id;
    intptr_t arg;
    while (!session.isBusy() && deferred.pop(&id, &arg)) {
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
    if (session.isBusy())
        return;
    if (session.view().takeMemoryNotice())
        MessageBoxA(hwnd, "Not enough memory to show all the received data.\r\n"
                    "The view shows what fitted; the buffer keeps every byte for Save.", "Low Memory", MB_ICONWARNING);
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

void mainClient::onCommData(WPARAM)
{
    // The drain or render under way takes these bytes when it is done.
    if (!line.port() || session.isBusy())
        return;
    ReceiveSession::Notices told = session.drain();
    if (status)
        status->countsMoved();
    if (told.historyFull) {
        tellStatus();
        reportHistoryFull();
    }
    if (told.captureFailed)
        failCapture();
    afterBusy();
}

void mainClient::clearReceived()
{
    session.clear();
    tellStatus();
}

void mainClient::toggleHex()
{
    session.showHex(SendDlgItemMessageA(hwnd, IDC_SHOWHEX, BM_GETCHECK, 0, 0) == BST_CHECKED);
    afterBusy();
}

// "Show Time" on the view's menu: re-renders the history as Show Hex does,
// with or without the times, and keeps the choice for the next start.
void mainClient::toggleTime()
{
    bool on = !session.showsTime();
    writeRegDword("ShowTime", on ? 1 : 0);
    session.showTime(on);
    afterBusy();
}

// "ANSI Colours": the history shown again with its escape sequences read or
// shown as they came; kept for the next start.
void mainClient::toggleColours()
{
    bool on = !session.showsColours();
    writeRegDword("AnsiColours", on ? 1 : 0);
    session.showColours(on);
    afterBusy();
}

void mainClient::toggleCapture()
{
    if (SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        // Without a running capture the view already shows the history.
        if (session.isCapturing())
            session.endCapture();
        tellStatus();
        afterBusy();
        return;
    }
    ChosenFile chosen(hwnd, ChosenFile::toWrite);
    if (!chosen.choose()) {
        // Still capturing from before (the box was checked again): keep on.
        if (!session.isCapturing())
            SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    // The capture running goes first: the file chosen may be its own.
    session.closeCapture();
    session.startCapture(chosen.open());
    if (!session.isCapturing())
        SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
    tellStatus();
}

// A capture write failed (disk full, file gone): said once, and the capture
// ends as if unchecked. The bytes are all in the history and can be saved.
void mainClient::failCapture()
{
    {
        ReceiveSession::Busy busy(session);
        session.closeCapture();
        SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        tellStatus();
        MessageBoxA(hwnd, "Unable to write to File", "Error on file", MB_ICONERROR);
        session.endCapture();
    }
    afterBusy();
}

void mainClient::sendInput(SendSource from)
{
    // One stream at a time on the line: the file transfer or the write
    // under way owns it.
    if (transfer.isRunning() || line.isWriting() || paced.isRunning())
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
    recall.remember(text, uint32_t(strnlen(text, sizeof text - 1)));
    // The settings' "Line End" ends the text and each of its line breaks.
    char out[LineEnd::outputBound(sizeof text - 1)];
    uint32_t n = LineEnd::compose(text, uint32_t(strnlen(text, sizeof text - 1)),
                                  LineEnd::fromStored(loadOptions().lineEnd), out);
    if (paced.send(reinterpret_cast<unsigned char *>(out), n, line.sendDelay()) == PacedWriter::failed)
        writeFailed();
    HWND box = GetDlgItem(hwnd, IDC_SENDBOX);
    SendMessageA(box, EM_SETSEL, 0, -1);
    SetFocus(box);
}

// A transfer owns the line while it runs: the pump between its chunks would
// otherwise let a second send interleave with it. The commands that change
// the port, the view's rendering or the history, or that would put a modal
// dialog inside the transfer's pump, wait too (Find and scrolling do not).
const int mainClient::transferLocked[] = {IDC_SENDFILE, IDM_FILE_RECEIVE, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SETUP, IDC_OPENCOMM,
                                          IDC_SAVE, IDC_CAPTURE, IDC_SHOWHEX, IDC_CLEAR, IDM_VIEW_SHOWTIME};

bool mainClient::disturbsTransfer(int id)
{
    for (int locked : transferLocked)
        if (locked == id)
            return true;
    return false;
}

void mainClient::setSendsEnabled(bool on)
{
    for (int id : transferLocked)
        if (HWND button = GetDlgItem(hwnd, id))
            EnableWindow(button, on ? TRUE : FALSE);
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

void mainClient::runTransfer(void (*job)(FileTransfer &))
{
    if (line.isWriting() || transfer.isRunning() || paced.isRunning())
        return;
    setSendsEnabled(false);
    finder.setBoxesAllowed(false);
    job(transfer);
    finder.setBoxesAllowed(true);
    setSendsEnabled(true);
    tellStatus();
}

uint32_t mainClient::decodeEscapes(char *text)
{
    return Escapes::decodeEscapes(text, uint32_t(strnlen(text, 499)));
}

void mainClient::saveReceived()
{
    if (session.received().count() == 0) {
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
    if (session.saveTo(*file))
        MessageBoxA(hwnd, "File Saved", "Success", MB_ICONINFORMATION);
    else
        MessageBoxA(hwnd, "Unable to write to File", "Error on file", MB_ICONERROR);
    delete file;
}
