#include "terminal/mainClient.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/ByteFields.h"
#include "terminal/Escapes.h"
#include "terminal/P_Param.h"
#include "terminal/Settings.h"
#include "terminal/myOpenSave.h"
#include "terminal/progressBar.h"
#include "util/P_File.h"
#include "win/PBitmap.h"
#include "win/PEditSel.h"
#include "win/PEditSend.h"
#include "win/PMessagePump.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PTextView.h"
#include "win/myBinaryFilter.h"
#include "win/myHexFilter.h"
#include "win/myNumbFilter.h"

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

struct ButtonImage
{
    int id;
    int image;
};

// Creation order of the image buttons.
const ButtonImage buttons[] = {
    {IDC_SETUP, imageSetup},    {IDC_OPENCOMM, imageRedLight}, {IDC_SENDSTRING, imageSend},
    {IDC_SENDBYTE, imageSend},  {IDC_SENDFILE, imageSend},     {IDCANCEL, imageDone},
    {IDC_CLEAR, imageClear},    {IDC_SAVE, imageSave},
};

struct Tooltip
{
    int id;
    const char *text;
};

const Tooltip tooltips[] = {
    {IDC_SETUP, "Communication Setting"},
    {IDC_OPENCOMM, "Open/Close communication"},
    {IDC_SENDSTRING, "Send content of Window Text"},
    {IDC_SENDBYTE, "Send single byte"},
    {IDC_SENDFILE, "Send the specified file"},
    {IDCANCEL, "Exit program"},
    {IDC_CLEAR, "Clear buffer of received"},
    {IDC_SAVE, "Save buffer to file"},
    {IDC_SHOWHEX, "Change the show in Hex Or String"},
    {IDC_CAPTURE, "Capture all the receipt in a file"},
};

} // namespace

mainClient::mainClient(PWin *parent, HINSTANCE module)
    : PModDialog(parent, IDD_TERMINAL, module), textFont(nullptr),
      editBrush(CreateSolidBrush(paleYellow)), toolTip(nullptr), rxBuffer(16384), images(10),
      port(nullptr), captureFile(nullptr), sendDelay(0), showHex(0),
      history(rxBuffer), renderer(this), busyDepth(0), transferring(false)
{
    textFont = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, "courier");

    // The byte fields share the dialog's font; it stays ours.
    PEditSend *dec = new PEditSend(this, IDC_DECFIELD, 255);
    dec->setFilter(new myNumbFilter);
    dec->setFont(textFont, false);
    PEditSend *hex = new PEditSend(this, IDC_HEXFIELD, 255);
    hex->setFilter(new myHexFilter);
    hex->setFont(textFont, false);
    PEditSend *bin = new PEditSend(this, IDC_BINFIELD, 255);
    bin->setFilter(new myBinaryFilter);
    bin->setFont(textFont, false);
    PEditSel *chr = new PEditSel(this, IDC_CHARFIELD, 1);
    chr->setFont(textFont, false);

    for (int i = 0; i < imageCount; ++i)
        images.at(uint32_t(i)) = new PBitmap(instance(), bitmapIds[i]);

    for (const ButtonImage &b : buttons) {
        // Each button gets a one-element vector; the bitmaps stay ours.
        PVect<PBitmap *> one(1);
        one.at(0) = images.get(uint32_t(b.image));
        new POwnBtnImage(this, b.id, one);
    }

    // The receive view of template 1 is a text view of the library's own: its
    // class must be there before the dialog window is made.
    PTextView::registerClass(instance());
}

mainClient::~mainClient()
{
    delete captureFile;
    captureFile = nullptr;
    if (toolTip) {
        DestroyWindow(toolTip);
        toolTip = nullptr;
    }
    destroy();
    DeleteObject(textFont);
    textFont = nullptr;
    DeleteObject(editBrush);
    editBrush = nullptr;
    delete port;
    port = nullptr;
    for (uint32_t i = 0; i < images.count(); ++i)
        delete images.get(i);
    images.clear();
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
    SendDlgItemMessageA(hwnd, IDC_SENDBOX, WM_SETFONT, WPARAM(textFont), TRUE);

    readRegDword("DelayOnSend", sendDelay, true);

    // The tooltips do not subclass their tools: preTranslate relays the
    // mouse to them.
    toolTip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              instance(), nullptr);
    if (toolTip)
        addTooltips();
    return true;
}

void mainClient::addTooltips()
{
    for (const Tooltip &t : tooltips) {
        TOOLINFOA info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = hwnd;
        info.uId = UINT_PTR(GetDlgItem(hwnd, t.id));
        info.hinst = instance();
        info.lpszText = const_cast<char *>(t.text);
        if (!SendMessageA(toolTip, TTM_ADDTOOLA, 0, LPARAM(&info)))
            break;
    }
}

bool mainClient::preTranslate(MSG *msg)
{
    switch (msg->message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (toolTip) {
            MSG copy = *msg;
            SendMessageA(toolTip, TTM_RELAYEVENT, 0, LPARAM(&copy));
        }
        break;
    default:
        break;
    }
    if (!hwnd)
        return false;
    return IsDialogMessageA(hwnd, msg) != FALSE;
}

LRESULT mainClient::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
        // The program ends with its terminal.
        PostQuitMessage(0);
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE)
            syncByteFields(LOWORD(wParam));
        // A command that comes while the view is being updated waits for the
        // update to end.
        if (isCommand(LOWORD(wParam)) && !deferWhileBusy(LOWORD(wParam), 0))
            runCommand(LOWORD(wParam));
        break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        HBRUSH brush = onCtlColor(HDC(wParam), HWND(lParam), msg);
        if (brush)
            return LRESULT(brush);
        break;
    }
    case PWM_COMMDATA:
        onCommData(wParam);
        break;
    case PWM_COMMLOST:
        onPortLost();
        break;
    case WM_TIMER:
        if (wParam == PortKeeper::retryTimer) {
            retryPort();
            return 0;
        }
        if (wParam == PortKeeper::lossTimer) {
            KillTimer(hwnd, PortKeeper::lossTimer);
            onPortLost();
            return 0;
        }
        break;
    case PWM_EDITENTER:
        if (!deferWhileBusy(deferredEditEnter, intptr_t(wParam)))
            sendInput(wParam == IDC_SENDBOX ? 0 : 1);
        break;
    default:
        break;
    }
    return PModDialog::windowProc(wnd, msg, wParam, lParam);
}

bool mainClient::isCommand(int id)
{
    switch (id) {
    case IDC_SENDFILE:
    case IDC_OPENCOMM:
    case IDC_SENDSTRING:
    case IDC_SENDBYTE:
    case IDC_SETUP:
    case IDC_CLEAR:
    case IDC_SAVE:
    case IDC_SHOWHEX:
    case IDC_CAPTURE:
        return true;
    default:
        return false;
    }
}

void mainClient::runCommand(int id)
{
    switch (id) {
    case IDC_SENDFILE: sendFile(); break;
    case IDC_OPENCOMM: togglePort(); break;
    case IDC_SENDSTRING: sendInput(0); break;
    case IDC_SENDBYTE: sendInput(1); break;
    case IDC_SETUP: editSettings(); break;
    case IDC_CLEAR: clearReceived(); break;
    case IDC_SAVE: saveReceived(); break;
    case IDC_SHOWHEX: toggleHex(); break;
    case IDC_CAPTURE: toggleCapture(); break;
    default: break;
    }
}

HBRUSH mainClient::onCtlColor(HDC dc, HWND /*control*/, UINT message)
{
    if (message != WM_CTLCOLOREDIT)
        return nullptr;
    SetTextColor(dc, 0);
    SetBkColor(dc, paleYellow);
    return editBrush;
}

bool mainClient::togglePort()
{
    // While a lost port is awaited, the button ends the waiting.
    if (keeper.isWaiting()) {
        keeper.stop();
        updatePortButton();
        return true;
    }
    if (port) {
        delete port;
        port = nullptr;
        updatePortButton();
        return true;
    }
    port = PortKeeper::makePort(hwnd);
    if (!port) {
        updatePortButton();
        return true;
    }
    port->settings = loadSettings();
    // A stored word with an index beyond its tables (an edited registry
    // value) names no line configuration: it fails like a missing port.
    bool opened = port->settings.isValid() && port->open();
    if (!opened) {
        MessageBoxA(hwnd, "Unable to open Comm", "Error Comm", MB_ICONERROR);
        delete port;
        port = nullptr;
        return false;
    }
    updatePortButton();
    return true;
}

// The device behind the open port has gone: everything its reader queued
// goes into the history (or the capture file) first, then the port is closed
// and awaited with the same settings.
void mainClient::onPortLost()
{
    // A notice from a port closed by hand since, or from a port that is back.
    if (!port || !port->isLost())
        return;
    // A drain or render under way still holds the port: come back after it.
    if (busyDepth != 0) {
        SetTimer(hwnd, PortKeeper::lossTimer, PortKeeper::lossDelayMs, nullptr);
        return;
    }
    // The queue holds at most a few chunks; the bound only guards the loop.
    for (int pass = 0; pass < 64 && port && busyDepth == 0 && port->available() > 0; ++pass)
        onCommData(0);
    if (!port)
        return;   // a command that waited for the drain closed it
    if (busyDepth != 0) {
        SetTimer(hwnd, PortKeeper::lossTimer, PortKeeper::lossDelayMs, nullptr);
        return;
    }
    CommSettings settings = port->settings;
    delete port;
    port = nullptr;
    keeper.startWaiting(hwnd, settings);
    updatePortButton();
}

void mainClient::retryPort()
{
    if (port) {
        keeper.stop();
        return;
    }
    PCom *back = keeper.retry();
    if (!back)
        return;
    port = back;
    updatePortButton();
}

void mainClient::updatePortButton()
{
    if (!hwnd)
        return;
    const char *caption = port ? "&Close Comm" : keeper.isWaiting() ? "Stop &Waiting" : "&Open Comm";
    uint32_t image = port ? imageGreenLight : imageRedLight;
    HWND button = GetDlgItem(hwnd, IDC_OPENCOMM);
    PWin *object = PWin::fromHandle(button);
    if (object)
        object->setText(caption);
    else
        SetWindowTextA(button, caption);
    POwnBtnImage *imageButton = dynamic_cast<POwnBtnImage *>(object);
    if (imageButton && imageButton->strip && image < images.count())
        imageButton->strip->replaceFrame(images.get(image), 0);
}

bool mainClient::ensurePortOpen()
{
    if (port)
        return true;
    int answer = MessageBoxA(hwnd, "Do you want to open now?", "Comm is not opened",
                             MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDNO)
        return false;
    if (!keeper.isWaiting())
        return togglePort();
    // The lost port, tried now: if it is still away, the waiting goes on.
    retryPort();
    if (!port)
        MessageBoxA(hwnd, "Unable to open Comm", "Error Comm", MB_ICONERROR);
    return port != nullptr;
}

void mainClient::editSettings()
{
    CommSettings current = loadSettings();
    const CommSettings previous = current;
    const uint32_t previousDelay = sendDelay;
    int result;
    {
        P_Param dialog(&current, &sendDelay, this, IDD_SETTINGS, nullptr);
        result = dialog.execute();
    }
    if (result != IDOK)
        return;
    if (current.toWord() != previous.toWord()) {
        writeRegDword("Setup", current.toWord());
        // Reopen with what was just stored (a lost port too: the waiting
        // ends and the new settings are tried at once).
        if ((port || keeper.isWaiting()) && togglePort())
            togglePort();
    }
    if (sendDelay != previousDelay)
        writeRegDword("DelayOnSend", sendDelay);
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

namespace {

const char allFilesSave[] = "All Files (*.*)\0*.*\0";
const char allFilesOpen[] = "All Files (*.*)\0\0";
const char *const allExtensions[] = {".*", nullptr};

const char sendFormat[] = "Sending file...\n\rbyte %d of %d";
const COLORREF sendBarColor = 0x103FFF;

const uint32_t chunkBytes = 511;
const uint32_t fileChunkBytes = 512;
const int sendButtons[] = {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE};

// The four byte fields in their fixed order.
const int byteFieldIds[ByteFields::fieldCount] = {IDC_DECFIELD, IDC_HEXFIELD, IDC_BINFIELD, IDC_CHARFIELD};

int byteFieldPosition(int id)
{
    for (int p = 0; p < ByteFields::fieldCount; ++p)
        if (byteFieldIds[p] == id)
            return p;
    return -1;
}

// The calling pattern of the progress dialog: shown, painted, pumped.
progressBar *showProgress(PWin *owner, const char *format, uint32_t total, COLORREF color)
{
    progressBar *bar = new progressBar(owner, format, int32_t(total), color, IDD_PROGRESS, 0);
    if (bar->show() && bar->hwnd)
        UpdateWindow(bar->hwnd);
    PMessagePump::pumpWaiting();
    return bar;
}

// Reports progress and lets the queue through; false once aborted. Without
// a bar (a received chunk) only the queue is let through.
bool stepProgress(progressBar *bar, uint32_t done)
{
    if (bar && !bar->update(int32_t(done)))
        return false;
    PMessagePump::pumpWaiting();
    return true;
}

} // namespace

bool mainClient::syncingFields = false;

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

HWND mainClient::viewWindow() const
{
    return renderer.window();
}

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
            sendInput(arg == IDC_SENDBOX ? 0 : 1);
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
    if (port && port->available() > 0)
        PostMessageA(hwnd, PWM_COMMDATA, 0, 0);
    runDeferred();
}

// Bytes the history has no room for are not kept (the view and the capture
// still get them); the operator hears of it once, when the drain is over.
void mainClient::appendReceived(const unsigned char *data, uint32_t count)
{
    history.append(data, count);
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
    if (!port || busyDepth != 0)
        return;
    bool captureFailed = false;
    {
        BusyScope busy(this);
        port->notifyEnabled = 0;
        unsigned char buffer[chunkBytes + 1];
        DWORD n;
        while (port && (n = port->available()) != 0) {
            n = port->read(buffer, n < chunkBytes ? n : chunkBytes);
            if (n == 0)
                break;
            buffer[n] = 0;
            if (captureFile)
                captureFailed = captureFile->write(buffer, n) != n;
            else if (showHex)
                appendHex(viewWindow(), buffer, n, renderer.textLength(), false);
            else
                appendText(viewWindow(), buffer, n, false);
            appendReceived(buffer, n);
            // A waiting click runs between two chunks, not after the flood.
            if (captureFailed || !deferred.empty())
                break;
        }
        if (port)
            port->notifyEnabled = 1;
    }
    if (history.takeFullNotice())
        reportHistoryFull();
    if (captureFailed)
        failCapture();
    afterBusy();
}

// The view argument is the receive view, which the renderer holds itself.
void mainClient::appendText(HWND, const unsigned char *data, uint32_t length, bool withProgress)
{
    renderer.appendText(data, length, withProgress);
}

void mainClient::appendHex(HWND, const unsigned char *data, uint32_t length, uint32_t textLength,
                           bool withProgress)
{
    renderer.appendHex(data, length, textLength, withProgress);
}

// The whole history, in the current mode, into the emptied view.
void mainClient::renderHistory()
{
    if (rxBuffer.count() <= 1)
        return;
    BusyScope busy(this);
    renderer.showHistory(rxBuffer.items(), rxBuffer.count() - 1, showHex != 0);
}

void mainClient::clearReceived()
{
    renderer.empty();
    history.clear();
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

void mainClient::toggleCapture()
{
    if (SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        // Without a running capture the view already shows the history.
        if (captureFile)
            endCapture();
        afterBusy();
        return;
    }
    myOpenSave dialog(hwnd);
    FileRequest request = {0, allExtensions, allFilesSave, 1};
    if (!dialog.execute(request)) {
        // Still capturing from before (the box was checked again): keep on.
        if (!captureFile)
            SendDlgItemMessageA(hwnd, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    delete captureFile;
    captureFile = new P_File(dialog.getFileName(), P_File::create);
    if (captureFile->open()) {
        clearReceived();
        return;
    }
    delete captureFile;
    captureFile = nullptr;
    MessageBoxA(hwnd, "Unable to creat File", "Error on file", MB_ICONERROR);
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

void mainClient::setSendButtonsEnabled(bool on)
{
    for (int id : sendButtons)
        EnableWindow(GetDlgItem(hwnd, id), on ? TRUE : FALSE);
}

void mainClient::sendInput(int kind)
{
    // One stream at a time on the line: the file transfer under way owns it.
    if (transferring)
        return;
    if (!ensurePortOpen())
        return;
    if (kind == 0) {
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
        return;
    }
    UINT v = GetDlgItemInt(hwnd, IDC_DECFIELD, nullptr, FALSE);
    unsigned char byte = (unsigned char)(v & 0xFF);
    if (port && port->write(&byte, 1) != 1)
        writeFailed();
}

// A write that failed or came up short is said once. When the device has
// gone, the loss is what the operator sees instead.
void mainClient::writeFailed()
{
    if (port && port->isLost()) {
        onPortLost();
        return;
    }
    if (port)
        MessageBoxA(hwnd, "Unable to write to Comm", "Error Comm", MB_ICONERROR);
}

bool mainClient::sendBytes(const unsigned char *data, uint32_t count, bool useDelay)
{
    if (!port)
        return false;
    if (useDelay && sendDelay != 0) {
        for (uint32_t i = 0; i < count; ++i) {
            if (!port || port->write(data + i, 1) == 0)
                return false;
            SleepEx(sendDelay, TRUE);
        }
        return true;
    }
    return port->write(data, count) == LONG(count);
}

uint32_t mainClient::decodeEscapes(char *text)
{
    return Escapes::decodeEscapes(text, uint32_t(strnlen(text, 499)));
}

void mainClient::syncByteFields(int id)
{
    if (syncingFields)
        return;
    syncingFields = true;
    int p = byteFieldPosition(id);
    if (p >= 0) {
        uint32_t v = readByteField(id);
        ByteFields::Field order[ByteFields::fieldCount - 1];
        int n = ByteFields::updateOrder(ByteFields::Field(p), order);
        for (int i = 0; i < n; ++i)
            writeByteField(byteFieldIds[order[i]], v);
    }
    syncingFields = false;
}

uint32_t mainClient::readByteField(int id)
{
    int p = byteFieldPosition(id);
    if (p < 0)
        return 0;
    char text[ByteFields::textSize];
    if (GetDlgItemTextA(hwnd, id, text, sizeof text) == 0)
        text[0] = '\0';
    text[sizeof text - 1] = '\0';
    return ByteFields::parse(ByteFields::Field(p), text);
}

void mainClient::writeByteField(int id, uint32_t value)
{
    int p = byteFieldPosition(id);
    if (p < 0)
        return;
    if (p == ByteFields::Dec) {
        SetDlgItemInt(hwnd, id, value, FALSE);
        return;
    }
    char text[16];
    ByteFields::format(ByteFields::Field(p), value, text, sizeof text);
    SetDlgItemTextA(hwnd, id, text);
}

void mainClient::sendFile()
{
    if (transferring)
        return;
    // The send buttons stay disabled for the whole transfer: the pump between
    // chunks would otherwise let a second send interleave with this one.
    transferring = true;
    setSendButtonsEnabled(false);
    transferFile();
    setSendButtonsEnabled(true);
    transferring = false;
}

void mainClient::transferFile()
{
    if (!ensurePortOpen())
        return;
    myOpenSave dialog(hwnd);
    FileRequest request = {0, allExtensions, allFilesOpen, 0};
    if (!dialog.execute(request))
        return;
    P_File file(dialog.getFileName(), P_File::readOnly);
    if (!file.open() || file.getSize() == 0)
        return;
    uint32_t size = file.getSize();
    bool useDelay = false;
    if (sendDelay != 0) {
        int answer = MessageBoxA(hwnd, "Delay is not null!\r\nDo you want to use it anywhere?", "Warning",
                                 MB_YESNOCANCEL | MB_ICONERROR);
        if (answer == IDCANCEL)
            return;
        useDelay = answer == IDYES;
    }
    progressBar *bar = showProgress(this, sendFormat, size, sendBarColor);
    uint32_t remaining = size;
    unsigned char buffer[fileChunkBytes];
    while (remaining > 0) {
        uint32_t k = file.read(buffer, remaining < fileChunkBytes ? remaining : fileChunkBytes);
        if (k == 0)
            break;
        if (!sendBytes(buffer, k, useDelay))
            break;
        remaining -= k;
        if (!stepProgress(bar, size - remaining))
            break;
    }
    if (remaining == 0)
        MessageBoxA(hwnd, "File Transfered", "Success", MB_ICONINFORMATION);
    else
        MessageBoxA(hwnd, "Transfer aborted\r\nFile may be corrupted!", "Error", MB_ICONERROR);
    delete bar;
    file.close();
}

void mainClient::saveReceived()
{
    if (rxBuffer.count() == 0) {
        MessageBoxA(hwnd, "Nothing to Save", "Warning", MB_ICONINFORMATION);
        return;
    }
    myOpenSave dialog(hwnd);
    FileRequest request = {0, allExtensions, allFilesSave, 1};
    if (!dialog.execute(request))
        return;
    P_File file(dialog.getFileName(), P_File::create);
    if (!file.open()) {
        MessageBoxA(hwnd, "Unable to creat File", "Error on file", MB_ICONERROR);
        return;
    }
    // Received while the dialog was up counts too: the count is taken now.
    uint32_t n = rxBuffer.count() ? rxBuffer.count() - 1 : 0;
    if (file.write(rxBuffer.items(), n) == n)
        MessageBoxA(hwnd, "File Saved", "Success", MB_ICONINFORMATION);
    else
        MessageBoxA(hwnd, "Unable to write to File", "Error on file", MB_ICONERROR);
    file.close();
}
