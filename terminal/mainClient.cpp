#include "terminal/mainClient.h"

#include <cstring>

#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/settings/Settings.h"
#include "terminal/ui/ButtonFaces.h"
#include "terminal/ui/Warnings.h"
#include "win/PEdit.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PTextView.h"

namespace {

const COLORREF paleYellow = 0x00CFFFFF;

} // namespace

mainClient::mainClient(PWin *parent, HINSTANCE module)
    : PModDialog(parent, IDD_TERMINAL, module), textFont(nullptr),
      editBrush(CreateSolidBrush(paleYellow)), images(instance(), ButtonFaces::bitmapIds, ButtonFaces::count),
      line(this, images, ButtonFaces::greenLight, ButtonFaces::redLight), waits(deferred), session(this, line, waits),
      byteFields(this), sendBox(this, line, byteFields, session), files(session),
      transfer(line, *this, session)
{
    textFont = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, "courier");
    byteFields.bind(textFont);
    ButtonFaces::attachAll(images, this);

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
    session.watchStarts(&transfer.autoStart());
    signals.attach(hwnd);
    finder.attach(hwnd, GetDlgItem(hwnd, IDC_VIEW));
    SendDlgItemMessageA(hwnd, IDC_SENDBOX, WM_SETFONT, WPARAM(textFont), TRUE);
    sendBox.attach(hwnd);
    files.attach(hwnd);
    lock.attach(hwnd);
    keys.attach(hwnd);

    line.loadSendDelay();
    session.restoreViewChoices();

    tooltips.create(hwnd, instance());
    return true;
}

bool mainClient::preTranslate(MSG *msg)
{
    tooltips.relay(msg);
    if (!hwnd)
        return false;
    if (finder.onKey(msg, session.showsHex()) || sendBox.onKey(msg))
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
            sendInput(SendBox::sourceOf(int(wParam)));
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

// The stored commands', the log's, the port keeper's and the line signals'
// timers; false for any other timer.
bool mainClient::onTimer(WPARAM id)
{
    if (keys.onTimer(id))
        return true;
    if (id == SessionLog::tickTimer) {
        if (files.tickLog())
            tellStatus();
        return true;
    }
    PortControl::TimerSeen seen = line.onTimer(id);
    if (seen == PortControl::lossDue)
        onPortLost();
    else if (seen == PortControl::notMine && !signals.onTimer(id))
        return false;
    tellStatus();
    return true;
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
    {IDM_FILE_LOG, [](mainClient &c) { if (c.files.toggleLog()) c.tellStatus(); }},
    {IDM_VIEW_FIND, [](mainClient &c) { c.finder.openDialog(); }},
    {IDM_VIEW_SHOWTIME, [](mainClient &c) { c.toggleTime(); }},
    {IDM_VIEW_COLOURS, [](mainClient &c) { c.toggleColours(); }},
    {IDM_VIEW_SHOWSENT, [](mainClient &c) { c.toggleSent(); }},
    {IDM_SEND_COMMANDS, [](mainClient &c) { c.keys.edit(&c); }},
    {IDM_VIEW_RULES, [](mainClient &c) { c.session.editRules(&c); }},
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
    if (transfer.isRunning() && TransferLock::disturbs(id))
        return;
    if (id >= IDM_SEND_ROW && id <= IDM_SEND_LASTROW)
        keys.press(uint32_t(id - IDM_SEND_ROW));
    else if (const Command *c = findCommand(id))
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
    session.loadPause();
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
    line.describe(facts);
    session.describe(facts);
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

// The sends' buttons say it: a transfer greys them while it owns the line.
bool mainClient::sendsEnabled() const
{
    return hwnd && IsWindowEnabled(GetDlgItem(hwnd, IDC_SENDFILE));
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
            sendInput(SendBox::sourceOf(int(arg)));
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
        Warnings::lowMemory(hwnd);
    if (line.port() && line.port()->available() > 0)
        PostMessageA(hwnd, PWM_COMMDATA, 0, 0);
    runDeferred();
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
        // Said without holding up reception: the box's own loop goes on
        // draining the port into the view (and the capture file).
        Warnings::historyFull(hwnd);
    }
    if (told.captureFailed)
        failCapture();
    if (told.sentNotKept)
        Warnings::sentNotKept(hwnd);
    // What follows sz's or rz's start is still queued: the transfer takes it.
    if (told.farEndStarted)
        runTransfer([](FileTransfer &t) { t.runFarEndStart(); });
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

// A choice of the view turned ("Show Time", "ANSI Colours", "Show Sent"):
// the history is shown again as Show Hex does, and the choice kept for the
// next start.
void mainClient::turnViewChoice(void (ReceiveSession::*set)(bool), bool (ReceiveSession::*isOn)() const)
{
    (session.*set)(!(session.*isOn)());
    session.keepViewChoices();
    afterBusy();
}

void mainClient::toggleCapture()
{
    if (files.toggleCapture()) {
        tellStatus();
        afterBusy();
    }
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
        Warnings::fileWriteFailed(hwnd);
        session.endCapture();
    }
    afterBusy();
}

void mainClient::sendInput(SendSource from)
{
    if (lineTaken())
        return;
    if (ensurePortOpen() && sendBox.send(from) == SendBox::failed)
        writeFailed();
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
        Warnings::commWriteFailed(hwnd);
}

void mainClient::runTransfer(void (*job)(FileTransfer &))
{
    if (lineTaken())
        return;
    lock.run(job);
    tellStatus();
}
