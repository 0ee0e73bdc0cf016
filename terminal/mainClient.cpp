#include "terminal/mainClient.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstring>
#include <new>
#include <vector>

#include "app/PAppl.h"
#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/ByteFields.h"
#include "terminal/Escapes.h"
#include "terminal/HexDump.h"
#include "terminal/LineBreaker.h"
#include "terminal/P_Param.h"
#include "terminal/Settings.h"
#include "terminal/TextDump.h"
#include "terminal/myOpenSave.h"
#include "terminal/progressBar.h"
#include "util/P_File.h"
#include "win/PBitmap.h"
#include "win/PEditSel.h"
#include "win/PEditSend.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"
#include "win/myBinaryFilter.h"
#include "win/myHexFilter.h"
#include "win/myNumbFilter.h"

HMODULE mainClient::richEditLib = nullptr;

namespace {

const COLORREF paleYellow = 0x00CFFFFF;

// RichEdit 1.0 messages, by number: the class is loaded at run time.
const UINT msgSetTextMode = WM_USER + 89;    // EM_SETTEXTMODE
const UINT msgSetBkgndColor = WM_USER + 67;  // EM_SETBKGNDCOLOR
const WPARAM plainTextMode = 1;               // TM_PLAINTEXT

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
      port(nullptr), captureFile(nullptr), hexLineCount(0), sendDelay(0), showHex(0),
      history(rxBuffer), hexLinesCut(0), busyDepth(0), transferring(false)
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

    // Registers the "RichEdit" class that template 1 names: it must be loaded
    // before the dialog window is made.
    richEditLib = LoadLibraryA("RICHED32.DLL");
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
    if (richEditLib) {
        FreeLibrary(richEditLib);
        richEditLib = nullptr;
    }
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

    configureView(GetDlgItem(hwnd, IDC_VIEW));
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

void mainClient::configureView(HWND view)
{
    SendMessageA(view, msgSetTextMode, plainTextMode, 0);
    SendMessageA(view, msgSetBkgndColor, 0, LPARAM(paleYellow));
    SendMessageA(view, WM_SETFONT, WPARAM(textFont), TRUE);
}

// An empty receive view, in place of the one there was. Wine's rich edit
// pays for every paragraph it deletes with a walk over all the others
// (measured with 15,420 hex lines: WM_SETTEXT "" 19 s, cutting the first
// 3,855 lines 2.3 s), so emptying a full view, or cutting its top, froze the
// terminal for seconds; a new control costs nothing of the kind. The view
// keeps its place, style, tab order and focus. Should the new control not
// come up, the old one is emptied the slow way.
HWND mainClient::renewView()
{
    viewLines.reset();
    HWND old = viewWindow();
    if (!old)
        return old;
    RECT r;
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT *>(&r), 2);
    DWORD style = DWORD(GetWindowLongA(old, GWL_STYLE));
    DWORD exStyle = DWORD(GetWindowLongA(old, GWL_EXSTYLE));
    HWND fresh = CreateWindowExA(exStyle, "RichEdit", "", style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, hwnd, HMENU(INT_PTR(IDC_VIEW)), instance(), nullptr);
    if (!fresh) {
        SetWindowTextA(old, "");
        return old;
    }
    bool hadFocus = GetFocus() == old;
    configureView(fresh);
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(old);
    if (hadFocus)
        SetFocus(fresh);
    return fresh;
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
    if (port) {
        delete port;
        port = nullptr;
        updatePortButton();
        return true;
    }
    port = new (std::nothrow) PCom(hwnd);
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

void mainClient::updatePortButton()
{
    if (!hwnd)
        return;
    const char *caption = port ? "&Close Comm" : "&Open Comm";
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
    return togglePort();
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
        // Reopen with what was just stored.
        if (port && togglePort())
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

const char renderFormat[] = "Performing...\n\rbyte %d of %d";
const char sendFormat[] = "Sending file...\n\rbyte %d of %d";
const COLORREF textBarColor = 0x10FF3F;
const COLORREF hexBarColor = 0xFF103F;
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

void pump()
{
    if (PAppl *app = PAppl::instance())
        app->pumpMessages();
}

// The calling pattern of the progress dialog: shown, painted, pumped.
progressBar *showProgress(PWin *owner, const char *format, uint32_t total, COLORREF color)
{
    progressBar *bar = new progressBar(owner, format, int32_t(total), color, IDD_PROGRESS, 0);
    if (bar->show() && bar->hwnd)
        UpdateWindow(bar->hwnd);
    pump();
    return bar;
}

// Reports progress and lets the queue through; false once aborted. Without
// a bar (a received chunk) only the queue is let through.
bool stepProgress(progressBar *bar, uint32_t done)
{
    if (bar && !bar->update(int32_t(done)))
        return false;
    pump();
    return true;
}

void moveCaretToEnd(HWND view)
{
    CHARRANGE end = {0x7FFFFFF, 0x7FFFFFF};
    SendMessageA(view, EM_EXSETSEL, 0, LPARAM(&end));
}

void insertAtEnd(HWND view, const char *text)
{
    moveCaretToEnd(view);
    SendMessageA(view, EM_REPLACESEL, FALSE, LPARAM(text));
}

// Text for the view collected over one render and put in with one
// insertion: an insertion costs the same for one character as for a line.
class ViewBatch
{
public:
    explicit ViewBatch(size_t expected) { text.reserve(expected); }
    void add(const char *piece, uint32_t length) { text.insert(text.end(), piece, piece + length); }
    void add(const char *piece, uint32_t length, LineBreaker &lines) { lines.append(piece, length, text); }
    // Puts the collected text in, what came before an abort included.
    void flush(HWND view)
    {
        if (text.empty())
            return;
        text.push_back('\0');
        insertAtEnd(view, text.data());
        text.clear();
    }

private:
    std::vector<char> text;
};

// The text layout into the receive view, one insertion per render: piece by
// piece, a chunk of NULs took one insertion per NUL.
class ViewTextSink : public TextSink
{
public:
    ViewTextSink(HWND view, progressBar *bar, uint32_t length, LineBreaker &lines)
        : view(view), bar(bar), lines(lines), batch(size_t(length) + length / 512 + 1)
    {
    }
    void putText(const char *piece, uint32_t length) override { batch.add(piece, length, lines); }
    bool progress(uint32_t done) override { return stepProgress(bar, done); }
    void flush() { batch.flush(view); }

private:
    HWND view;
    progressBar *bar;
    LineBreaker &lines;
    ViewBatch batch;
};

// The hex layout into the receive view, one insertion per render: line by
// line, a 511-byte chunk took 64 insertions. Up to 1024 bytes the progress
// is reported after every line, beyond every 64th.
class ViewHexSink : public HexSink
{
public:
    ViewHexSink(HWND view, progressBar *bar, uint32_t textLength, uint32_t length)
        : view(view), bar(bar), textLength(textLength), everyLine(length <= TextDump::shortLimit), lines(0),
          batch((size_t(length) / HexDump::bytesPerLine + 2) * HexDump::fullLineChars + 1)
    {
    }
    void eraseTail(uint32_t chars) override
    {
        SendMessageA(view, EM_SETSEL, WPARAM(textLength - chars), LPARAM(textLength));
        SendMessageA(view, EM_REPLACESEL, FALSE, LPARAM(""));
    }
    bool putLine(const char *text, uint32_t length, uint32_t firstByte) override
    {
        batch.add(text, length);
        if (everyLine || ++lines % 64 == 0)
            return stepProgress(bar, firstByte);
        return true;
    }
    void flush() { batch.flush(view); }

private:
    HWND view;
    progressBar *bar;
    uint32_t textLength;
    bool everyLine;
    uint32_t lines;
    ViewBatch batch;
};

// Wine's rich-edit control repaints itself inside every EM_REPLACESEL
// (measured: 9 to 19 ms an insertion whatever the length of the text, 0.4 ms
// with painting held off), which held hex reception near 500 bytes/s. So a
// drain holds the view's painting off while it inserts and brings the view up
// to date at its end, and at most every refreshMs during a long drain, so a
// flood still shows as it comes.
class ViewPaintPause
{
public:
    explicit ViewPaintPause(HWND view) : view(view), lastRefresh(GetTickCount()), paused(false) {}
    ~ViewPaintPause()
    {
        if (paused)
            resume();
    }
    ViewPaintPause(const ViewPaintPause &) = delete;
    ViewPaintPause &operator=(const ViewPaintPause &) = delete;

    // Called before the view is changed.
    void hold()
    {
        if (paused || !view)
            return;
        SendMessageA(view, WM_SETREDRAW, FALSE, 0);
        paused = true;
    }
    // The view was replaced by a fresh one, which paints; held again.
    void rebind(HWND fresh)
    {
        view = fresh;
        paused = false;
        hold();
    }
    // Called between chunks: shows what came so far when it is time.
    void refreshIfDue()
    {
        if (paused && GetTickCount() - lastRefresh >= refreshMs) {
            resume();
            UpdateWindow(view);
        }
    }

private:
    static const DWORD refreshMs = 100;
    void resume()
    {
        SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        SendMessageA(view, EM_SCROLLCARET, 0, 0);
        InvalidateRect(view, nullptr, FALSE);
        paused = false;
        lastRefresh = GetTickCount();
    }

    HWND view;
    DWORD lastRefresh;
    bool paused;
};

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
    return GetDlgItem(hwnd, IDC_VIEW);
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
    if (!port)
        return;
    // The drain or render under way takes these bytes when it is done.
    if (busyDepth != 0)
        return;
    bool captureFailed = false;
    bool rendered = false;
    {
        BusyScope busy(this);
        port->notifyEnabled = 0;
        HWND view = viewWindow();
        ViewPaintPause paint(view);
        unsigned char buffer[chunkBytes + 1];
        while (port) {
            DWORD n = port->available();
            if (n == 0)
                break;
            if (n > chunkBytes) {
                n = chunkBytes;
                // With more waiting, a hex chunk ends on a line boundary (504
                // to 511 bytes), so the next one need not take back a short
                // last line: Wine's rich edit seeks every offset it is given
                // from the start of the text (measured: selecting the tail
                // of a 4 MB view cost more than inserting into it).
                if (showHex && !captureFile) {
                    uint32_t held = rxBuffer.count() ? rxBuffer.count() - 1 : 0;
                    n -= (held + n) % HexDump::bytesPerLine;
                }
            }
            n = port->read(buffer, n);
            if (n == 0)
                break;
            buffer[n] = 0;
            if (captureFile) {
                if (captureFile->write(buffer, n) != n)
                    captureFailed = true;
            } else {
                paint.hold();
                // The renderers put their text in at the end themselves; the
                // caret is not set to t first, as Wine's rich edit would seek
                // that offset from the start of the text (see above).
                uint32_t t = uint32_t(SendMessageA(view, WM_GETTEXTLENGTH, 0, 0));
                if (showHex)
                    appendHex(view, buffer, n, t, false);
                else
                    appendText(view, buffer, n, false);
                HWND kept = trimView(view);
                if (kept != view) {
                    view = kept;
                    paint.rebind(view);
                }
                SendMessageA(view, EM_SCROLLCARET, 0, 0);
                rendered = true;
            }
            appendReceived(buffer, n);
            paint.refreshIfDue();
            // A waiting click runs between two chunks, not after the flood.
            if (captureFailed || !deferred.empty())
                break;
        }
        if (rendered)
            InvalidateRect(view, nullptr, FALSE);
        if (port)
            port->notifyEnabled = 1;
    }
    if (history.takeFullNotice())
        reportHistoryFull();
    if (captureFailed)
        failCapture();
    afterBusy();
}

// A received chunk renders in a millisecond or two: a progress dialog made
// and destroyed for each one (about 30 ms each under Wine, 50 a second in a
// flood) held reception below the line rate, flickered over the view and took
// the keyboard focus from the send box, so what the operator typed meanwhile
// went to the dialog, an Enter aborting the render. Chunks render without
// one; re-renders of the history, which can take seconds, keep theirs.
void mainClient::appendText(HWND view, const unsigned char *data, uint32_t length, bool withProgress)
{
    progressBar *bar = withProgress ? showProgress(this, renderFormat, length, textBarColor) : nullptr;
    ViewTextSink sink(view, bar, length, viewLines);
    std::vector<char> scratch(length > TextDump::shortLimit ? size_t(length) + 1 : 1);
    TextDump::render(sink, data, length, scratch.data());
    sink.flush();
    delete bar;
}

void mainClient::appendHex(HWND view, const unsigned char *data, uint32_t length, uint32_t textLength,
                           bool withProgress)
{
    progressBar *bar = withProgress ? showProgress(this, renderFormat, length, hexBarColor) : nullptr;
    ViewHexSink sink(view, bar, textLength, length);
    // The tail holds the bytes of a short line the view may end in. When
    // the view's length does not add up to hex lines nothing is discarded:
    // the chunk simply starts a fresh line.
    HexDump::renderChunk(sink, hexTail.bytes(), hexTail.count(), data, length, textLength, &hexLineCount,
                         hexLinesCut);
    hexTail.follow(data, length);
    sink.flush();
    delete bar;
}

// The history, into a view that holds nothing of it: as much of its end as
// the view keeps, so a long history shows at once (formatting and inserting
// the part the view would cut again took minutes for a mebibyte under Wine).
// The hex labels still count from the first byte received.
void mainClient::renderHistory()
{
    if (rxBuffer.count() <= 1)
        return;
    BusyScope busy(this);
    HWND view = viewWindow();
    uint32_t n = rxBuffer.count() - 1;
    if (showHex) {
        uint32_t first = scrollback.firstHexLine(n);
        uint32_t from = first * uint32_t(HexDump::bytesPerLine);
        hexLineCount = first;
        hexLinesCut = first;
        appendHex(view, rxBuffer.items() + from, n - from, 0);
    } else {
        uint32_t from = scrollback.firstTextByte(n);
        appendText(view, rxBuffer.items() + from, n - from);
    }
    view = trimView(view);
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

// Keeps the view within its scrollback: once past the limit its top is cut,
// in hex by whole lines, in text up to the start of a line when there is one
// (a long render without line ends is cut where it must). What stays is read
// out and put into a fresh control (see renewView); returns the view.
HWND mainClient::trimView(HWND view)
{
    uint32_t t = uint32_t(SendMessageA(view, WM_GETTEXTLENGTH, 0, 0));
    uint32_t cut = showHex ? scrollback.hexCut(t) : scrollback.textCut(t);
    if (cut == 0)
        return view;
    if (!showHex) {
        LRESULT line = SendMessageA(view, EM_EXLINEFROMCHAR, 0, LPARAM(cut));
        LRESULT start = SendMessageA(view, EM_LINEINDEX, WPARAM(line), 0);
        if (start >= 0 && uint32_t(start) < cut) {
            LRESULT next = SendMessageA(view, EM_LINEINDEX, WPARAM(line + 1), 0);
            if (next > 0 && uint32_t(next) < t)
                cut = uint32_t(next);
        }
    }
    std::vector<char> kept(size_t(t - cut) + 1, '\0');  // EM_GETTEXTRANGE terminates it
    TEXTRANGEA range;
    range.chrg.cpMin = LONG(cut);
    range.chrg.cpMax = LONG(t);
    range.lpstrText = kept.data();
    LRESULT got = SendMessageA(view, EM_GETTEXTRANGE, 0, LPARAM(&range));
    uint32_t read = got > 0 ? uint32_t(got) : 0;
    if (read > t - cut)
        read = t - cut;
    HWND fresh = renewView();
    ViewBatch batch(size_t(read) + 3);
    if (showHex) {
        batch.add(kept.data(), read);
        // A view read back otherwise than it was written fails the line
        // check of the next hex chunk, which then starts a fresh line.
        hexLinesCut += cut / HexDump::fullLineChars;
    } else {
        // The kept lines are already short: this only counts the last one.
        batch.add(kept.data(), read, viewLines);
    }
    batch.flush(fresh);
    return fresh;
}

// The hex lines start again from line 0 with the next render.
void mainClient::restartHexLines()
{
    hexLineCount = 0;
    hexLinesCut = 0;
}

void mainClient::clearReceived()
{
    renewView();
    history.clear();
    restartHexLines();
}

void mainClient::toggleHex()
{
    {
        BusyScope busy(this);
        renewView();
        restartHexLines();
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
    restartHexLines();
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
        restartHexLines();
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
        sendBytes(reinterpret_cast<unsigned char *>(text), n, true);
        HWND box = GetDlgItem(hwnd, IDC_SENDBOX);
        SendMessageA(box, EM_SETSEL, 0, -1);
        SetFocus(box);
        return;
    }
    UINT v = GetDlgItemInt(hwnd, IDC_DECFIELD, nullptr, FALSE);
    unsigned char byte = (unsigned char)(v & 0xFF);
    if (port)
        port->write(&byte, 1);
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
