#ifndef TESTS_WINE_HELPERS_TERMINALRIG_H
#define TESTS_WINE_HELPERS_TERMINALRIG_H

// The real terminal for the Windows tests and the benchmarks: the program's
// application object, frame and terminal dialog made in-process, the
// settings it reads from this prefix's registry, the test program's
// temporary folder, files held or full as another program or a full volume
// would make them, Linux's view of a virtual port, and screenshots. Waits go
// through helpers/Pump.h, the far end of a cable is a SerialPeer, modal
// dialogs are driven by a ModalDriver.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/genApp.h"
#include "app/mainWin.h"
#include "comm/CommNotify.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/receive/HexDump.h"
#include "terminal/mainClient.h"
#include "tests/wine/helpers/LinuxProgram.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/Pump.h"
#include "util/PVect.h"
#include "win/PEdit.h"
#include "win/PTextView.h"

namespace rig {

const char *const settingsKey = "Software\\Kerovia_Apps\\lineTalk";

// The clock the peer stamps arrivals with.
inline double nowMs()
{
    return SerialPeer::nowMs();
}

// A path inside the test program's temporary folder.
inline std::string tempPath(const char *name)
{
    return tempFolder() + name;
}

// The registry values of the terminal.
inline void storeDword(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
}

inline void storeText(const char *name, const std::string &value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(key);
}

// The folder the file dialogs open in.
inline void storeFolder(const std::string &folder)
{
    storeText("OldPath", folder);
}

inline void removeValue(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// True with the value when it is stored as a 4-byte value.
inline bool readDword(const char *name, DWORD &value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof value;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && size == sizeof value;
}

inline bool writeFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(f);
    return ok && done == bytes.size();
}

inline bool readFile(const std::string &path, std::vector<unsigned char> &bytes)
{
    bytes.clear();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(f, nullptr);
    bytes.resize(size);
    DWORD done = 0;
    BOOL ok = size == 0 || ReadFile(f, bytes.data(), size, &done, nullptr);
    CloseHandle(f);
    return ok && done == size;
}

// Holds a file open with no sharing, as another program that has it open
// would: nobody can create, replace or open it while this object lives.
class HeldFile {
public:
    explicit HeldFile(const std::string &path)
        : h(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr))
    {
    }
    ~HeldFile()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;
    bool held() const { return h != INVALID_HANDLE_VALUE; }

private:
    HANDLE h;
};

// Linux's /dev/full seen through Wine's Z: drive: it opens like a file and
// every write fails with "disk full", as on a full volume. GetFileAttributes
// is no probe for it (Wine answers ERROR_INVALID_PARAMETER for a device), so
// this opens it. Empty when the device cannot be opened for writing.
inline std::string fullDevice()
{
    const char *path = "Z:\\dev\\full";
    HANDLE f = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return std::string();
    CloseHandle(f);
    return path;
}

// The clipboard as text, "" when it holds none. The clipboard may be held
// for a moment by whoever wrote it: opening is retried.
inline std::string clipboardText()
{
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i)
        Sleep(10);
    std::string text;
    HANDLE h = GetClipboardData(CF_TEXT);
    if (h) {
        const char *p = static_cast<const char *>(GlobalLock(h));
        if (p) {
            text.assign(p, strnlen(p, GlobalSize(h)));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

inline std::vector<unsigned char> bytesOf(const std::string &s) { return std::vector<unsigned char>(s.begin(), s.end()); }

// The lines of a view's text, each without its line end.
inline std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The time a line begins with ("hh:mm:ss.mmm "), in ms of the day; -1 when
// it does not begin with one.
inline int timeOfLine(const std::string &line)
{
    int h, m, sec, ms;
    char space;
    if (line.size() < 13 || sscanf(line.c_str(), "%2d:%2d:%2d.%3d%c", &h, &m, &sec, &ms, &space) != 5 ||
        space != ' ' || line[2] != ':' || line[8] != '.')
        return -1;
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

// A window's device context with the window's own font chosen, to measure
// what it shows.
class WindowFontDC
{
public:
    explicit WindowFontDC(HWND w) : w(w), dc(GetDC(w)), old(SelectObject(dc, HGDIOBJ(SendMessageA(w, WM_GETFONT, 0, 0))))
    {
    }
    ~WindowFontDC()
    {
        SelectObject(dc, old);
        ReleaseDC(w, dc);
    }
    WindowFontDC(const WindowFontDC &) = delete;
    WindowFontDC &operator=(const WindowFontDC &) = delete;
    HDC get() const { return dc; }

private:
    HWND w;
    HDC dc;
    HGDIOBJ old;
};

inline TEXTMETRICA fontMetricsOf(HWND w)
{
    WindowFontDC dc(w);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc.get(), &tm);
    return tm;
}

inline LONG textWidthIn(HWND w, const std::string &text)
{
    WindowFontDC dc(w);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc.get(), text.c_str(), int(text.size()), &size);
    return size.cx;
}

// The receive view's hex text for these bytes received from the start.
inline std::string hexDump(const std::vector<unsigned char> &bytes)
{
    std::string out;
    char line[HexDump::lineBufferSize];
    for (size_t i = 0; i < bytes.size(); i += 8) {
        size_t n = bytes.size() - i < 8 ? bytes.size() - i : 8;
        out.append(line, HexDump::formatHexLine(bytes.data() + i, uint32_t(n), uint32_t(i / 8), line));
    }
    return out;
}

// Printable bytes only, so the view's text compares byte for byte.
inline std::vector<unsigned char> printable(size_t count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<unsigned char> b(count);
    for (auto &c : b)
        c = (unsigned char)(0x21 + rng() % 0x5E);
    return b;
}

// Takes whatever WM_QUIT a destroyed terminal left in the queue, so the next
// modal loop of the test program is not ended by it.
inline void dropQuit()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// The registry settings the terminal reads at every open: COM2, 256000 baud,
// 8 data bits, no parity, one stop bit, no handshake (the cable raises none).
const DWORD fastPlainSetup = 0x1u | (14u << 4) | (0u << 9) | (2u << 11) | (3u << 14);

// What a terminal finds stored when it starts.
struct Stored
{
    DWORD setup;
    DWORD delayOnSend;
    bool folderInTemp;   // the file dialogs open in the temporary folder
};

// For the data-path tests: the fast plain line, no delay, files in the
// temporary folder.
const Stored dataPath = {fastPlainSetup, 0, true};

// The same with a delay, in ms, after each byte sent.
inline Stored dataPathDelayed(DWORD delay)
{
    Stored s = dataPath;
    s.delayOnSend = delay;
    return s;
}

// The program's own application object, frame and terminal dialog.
class Terminal
{
public:
    explicit Terminal(DWORD setup = 0x000AD061u, DWORD delay = 0) : Terminal(Stored{setup, delay, false}) {}
    explicit Terminal(const Stored &stored)
        : app(GetModuleHandleA(nullptr), SW_SHOWNORMAL), frame(nullptr), client(nullptr)
    {
        storeDword("Setup", stored.setup);
        storeDword("DelayOnSend", stored.delayOnSend);
        if (stored.folderInTemp) {
            std::string dir = tempFolder();
            if (!dir.empty() && dir.back() == '\\')
                dir.pop_back();
            storeFolder(dir);
        }
        frame = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
        app.mainWindow = frame;
        if (!frame || !frame->create())
            return;
        mainWin *w = dynamic_cast<mainWin *>(frame);
        client = w ? w->getClient() : nullptr;
        ShowWindow(frame->hwnd, SW_SHOWNORMAL);
        UpdateWindow(frame->hwnd);
        pumpFor(app, 100);
    }
    // The frame goes first, and with it the dialog; the WM_QUIT its
    // destruction posts is taken so that it cannot end the next modal loop.
    ~Terminal()
    {
        pump();
        delete app.mainWindow;
        app.mainWindow = nullptr;
        dropQuit();
    }
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    bool ready() const { return client && client->hwnd; }
    mainWin *mainFrame() const { return dynamic_cast<mainWin *>(frame); }
    HMENU menuBar() const { return frame ? GetMenu(frame->hwnd) : nullptr; }
    HWND statusBar() const { return mainFrame() ? mainFrame()->statusBar() : nullptr; }
    // The text of one part of the frame's status bar.
    std::string status(int part) const
    {
        char buf[400] = "";
        LRESULT n = SendMessageA(statusBar(), SB_GETTEXTLENGTHA, WPARAM(part), 0);
        if (LOWORD(n) >= sizeof buf)
            return std::string("(too long)");
        SendMessageA(statusBar(), SB_GETTEXTA, WPARAM(part), LPARAM(buf));
        return std::string(buf, strnlen(buf, sizeof buf));
    }
    HWND dialog() const { return client ? client->hwnd : nullptr; }
    HWND item(int id) const { return GetDlgItem(dialog(), id); }
    HWND view() const { return item(IDC_VIEW); }

    void pump() { app.pumpMessages(); }
    // Handles messages until the condition holds or the time is up.
    template <class C>
    bool waitFor(C condition, DWORD timeoutMs = defaultWaitMs)
    {
        return pumpUntil(app, condition, timeoutMs);
    }

    // Lets the messages of the next `ms` milliseconds through (to show that
    // nothing more happens, never to wait for something).
    void settle(DWORD ms)
    {
        pumpFor(app, ms);
    }

    void command(int id, int code = BN_CLICKED)
    {
        SendMessageA(dialog(), WM_COMMAND, MAKEWPARAM(id, code), LPARAM(item(id)));
    }
    // Sets a check box and reports the click as the box would.
    void check(int id, bool on)
    {
        SendMessageA(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
        command(id);
    }
    bool isChecked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    bool openPort()
    {
        if (!client->isPortOpen())
            command(IDC_OPENCOMM);
        return client->isPortOpen();
    }

    void setText(int id, const std::string &text) { SendMessageA(item(id), WM_SETTEXT, 0, LPARAM(text.c_str())); }
    // A multi-line edit raises no EN_CHANGE for WM_SETTEXT; typing does.
    void type(int id, const std::string &text)
    {
        setText(id, text);
        command(id, EN_CHANGE);
    }
    std::string text(int id) const
    {
        std::vector<char> buf(20000);
        int n = GetWindowTextA(item(id), buf.data(), int(buf.size()));
        return std::string(buf.data(), n > 0 ? size_t(n) : 0);
    }

    std::string viewText() const
    {
        LRESULT len = SendMessageA(view(), WM_GETTEXTLENGTH, 0, 0);
        std::vector<char> buf(size_t(len) + 2, '\0');
        LRESULT n = SendMessageA(view(), WM_GETTEXT, WPARAM(buf.size()), LPARAM(buf.data()));
        return std::string(buf.data(), size_t(n > 0 ? n : 0));
    }
    uint32_t viewLength() const { return uint32_t(SendMessageA(view(), WM_GETTEXTLENGTH, 0, 0)); }

    std::vector<unsigned char> history() const
    {
        const PVect<unsigned char> &b = client->received();
        if (b.count() == 0)
            return std::vector<unsigned char>();
        return std::vector<unsigned char>(b.items(), b.items() + (b.count() - 1));
    }
    uint32_t historyCount() const { return client->received().count(); }
    // The far end sends s; true once the history holds it.
    bool receiveFrom(SerialPeer &peer, const std::string &s)
    {
        size_t before = history().size();
        return peer.send(s) && waitFor([&] { return history().size() >= before + s.size(); });
    }

    genApp app;
    PWin *frame;
    mainClient *client;
};

// True when bytes sent by the far end of the cable (COM9) reach the
// terminal's open port.
inline bool portCarries(Terminal &t)
{
    SerialPeer peer("COM9");
    if (!peer.isOpen() || !t.client->currentPort())
        return false;
    // The terminal drains what arrives into its receive history, so the
    // bytes are counted wherever they are: still queued or already taken.
    auto arrived = [&] {
        return t.client->currentPort() ? t.client->currentPort()->available() + t.client->received().count() : 0u;
    };
    DWORD before = arrived();
    const char bytes[3] = {'a', 'b', 'c'};
    if (!peer.send(bytes, 3))
        return false;
    return t.waitFor([&] { return arrived() >= before + 3; }, 5000);
}

// Records, on the test's thread, what the terminal shows in its progress
// dialogs and how often text is inserted into the receive view.
class Spy
{
public:
    Spy()
    {
        current() = this;
        hook = SetWindowsHookExA(WH_CALLWNDPROC, &Spy::proc, nullptr, GetCurrentThreadId());
    }
    ~Spy()
    {
        if (hook)
            UnhookWindowsHookEx(hook);
        current() = nullptr;
    }
    Spy(const Spy &) = delete;
    Spy &operator=(const Spy &) = delete;

    std::vector<std::string> progressTexts;  // texts of the progress dialogs' static 102
    int viewInserts = 0;                     // insertions into the receive view
    int progressDialogs = 0;                 // progress dialogs initialised
    HWND view = nullptr;
    HWND dialog = nullptr;  // the view's dialog
    // When set, "&Abort" is pressed as soon as a progress dialog comes up.
    bool abortOnShow = false;
    // When set, called for each progress dialog that comes up.
    void (*onProgressShown)(HWND dialog, void *arg) = nullptr;
    void *onProgressArg = nullptr;
    // When set, called for each insertion into the receive view, before it.
    void (*onViewInsert)(void *arg) = nullptr;
    void *onViewInsertArg = nullptr;

private:
    static Spy *&current()
    {
        static Spy *spy = nullptr;
        return spy;
    }

    static LRESULT CALLBACK proc(int code, WPARAM wParam, LPARAM lParam)
    {
        Spy *self = current();
        if (code == HC_ACTION && self) {
            const CWPSTRUCT *m = reinterpret_cast<const CWPSTRUCT *>(lParam);
            // The view is known by its place in the dialog as well.
            bool toView = self->view && (m->hwnd == self->view ||
                                         (GetParent(m->hwnd) == self->dialog && GetDlgCtrlID(m->hwnd) == IDC_VIEW));
            if ((m->message == EM_REPLACESEL || m->message == PTVM_APPEND) && toView) {
                ++self->viewInserts;
                if (self->onViewInsert)
                    self->onViewInsert(self->onViewInsertArg);
            }
            if (m->message == WM_SETTEXT && m->lParam && GetDlgCtrlID(m->hwnd) == IDC_PROG_TEXT &&
                GetDlgItem(GetParent(m->hwnd), IDC_PROG_BAR)) {
                const char *t = reinterpret_cast<const char *>(m->lParam);
                self->progressTexts.push_back(std::string(t, strnlen(t, 500)));
            }
            if (m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, IDC_PROG_BAR) && GetDlgItem(m->hwnd, IDC_PROG_ABORT)) {
                ++self->progressDialogs;
                if (self->abortOnShow)
                    PostMessageA(m->hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED),
                                 LPARAM(GetDlgItem(m->hwnd, IDC_PROG_ABORT)));
                if (self->onProgressShown)
                    self->onProgressShown(m->hwnd, self->onProgressArg);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HHOOK hook;
};

// True when the port can be opened now. (Wine does not make a serial port
// exclusive, so this cannot show that somebody holds it.)
inline bool portFree(const char *name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

// Saves what the screen shows of a window as a .bmp in LT_BUILD (or the
// temporary folder). True when the file was written.
inline bool screenshot(HWND w, const char *fileName)
{
    return writeBmp(captureWindow(w), fileName);
}

} // namespace rig

#endif
