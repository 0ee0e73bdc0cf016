#include "terminal/mainClient.h"

#include <commctrl.h>
#include <new>

#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/P_Param.h"
#include "terminal/Settings.h"
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
      port(nullptr), captureFile(nullptr), hexLineCount(0), sendDelay(0), showHex(0)
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

    HWND view = GetDlgItem(hwnd, IDC_VIEW);
    SendMessageA(view, msgSetTextMode, plainTextMode, 0);
    SendMessageA(view, msgSetBkgndColor, 0, LPARAM(paleYellow));
    SendMessageA(view, WM_SETFONT, WPARAM(textFont), TRUE);
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
        switch (LOWORD(wParam)) {
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
        sendInput(wParam == IDC_SENDBOX ? 0 : 1);
        break;
    default:
        break;
    }
    return PModDialog::windowProc(wnd, msg, wParam, lParam);
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

// The data path: receiving, sending, file transfer and saving. Not wired yet:
// each command does nothing until it is.

void mainClient::onCommData(WPARAM) {}

void mainClient::clearReceived() {}

void mainClient::toggleHex() {}

void mainClient::toggleCapture() {}

void mainClient::sendInput(int) {}

bool mainClient::sendBytes(const unsigned char *, uint32_t, bool)
{
    return false;
}

uint32_t mainClient::decodeEscapes(char *)
{
    return 0;
}

void mainClient::syncByteFields(int) {}

uint32_t mainClient::readByteField(int)
{
    return 0;
}

void mainClient::writeByteField(int, uint32_t) {}

void mainClient::sendFile() {}

void mainClient::saveReceived() {}

void mainClient::appendText(HWND, const unsigned char *, uint32_t) {}

void mainClient::appendHex(HWND, const unsigned char *, uint32_t, uint32_t) {}
