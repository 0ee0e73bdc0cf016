#ifndef TESTS_WINE_TEST_TERMINAL_SENDRECEIVERIG_H
#define TESTS_WINE_TEST_TERMINAL_SENDRECEIVERIG_H

// The real terminal on a virtual null-modem, for the data-path tests and the
// benchmarks: the application object, the frame and its terminal dialog made
// in-process, the port COM2 opened through the dialog's own button, and the
// far end COM9 played by a peer with a reader thread of its own that stamps
// every arrival (and can echo what it gets).

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/genApp.h"
#include "app/mainWin.h"
#include "comm/CommNotify.h"
#include "res/resource.h"
#include "terminal/mainClient.h"
#include "win/PTextView.h"
#include "win/PEdit.h"
#include "util/PVect.h"

namespace rig {

inline double nowMs()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(freq.QuadPart);
}

inline std::string env(const char *name)
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return std::string(buf, n);
}

// A fresh path inside the test program's temporary folder.
inline std::string tempPath(const char *name)
{
    std::string dir = env("LT_TMP");
    if (dir.empty()) {
        char buf[MAX_PATH];
        DWORD n = GetTempPathA(sizeof buf, buf);
        dir = std::string(buf, n < sizeof buf ? n : 0);
    }
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir + name;
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

inline std::vector<unsigned char> bytesOf(const std::string &s) { return std::vector<unsigned char>(s.begin(), s.end()); }

// The far end of the cable. Its reader thread collects every byte with the
// time it was read; with echo on it sends each block straight back.
class Peer
{
public:
    explicit Peer(const char *name = "COM9", bool echo = false)
        : echoing(echo), stop(false), thread(nullptr)
    {
        InitializeCriticalSection(&lock);
        port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (port == INVALID_HANDLE_VALUE)
            return;
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        GetCommState(port, &dcb);
        dcb.BaudRate = 256000;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = 1;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = dcb.fInX = 0;
        SetCommState(port, &dcb);
        COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, 0};
        SetCommTimeouts(port, &t);
        PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
        writeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, &Peer::threadMain, this, 0, nullptr);
    }

    ~Peer()
    {
        stop = true;
        if (thread) {
            WaitForSingleObject(thread, 5000);
            CloseHandle(thread);
        }
        if (port != INVALID_HANDLE_VALUE) {
            CloseHandle(port);
            CloseHandle(writeEvent);
        }
        DeleteCriticalSection(&lock);
    }

    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    bool isOpen() const { return port != INVALID_HANDLE_VALUE; }

    // Writes everything (blocking); false when the port refused part of it.
    bool send(const void *data, DWORD count)
    {
        EnterCriticalSection(&lock);
        bool ok = writeLocked(static_cast<const unsigned char *>(data), count);
        LeaveCriticalSection(&lock);
        return ok;
    }
    bool send(const std::vector<unsigned char> &b) { return send(b.data(), DWORD(b.size())); }
    bool send(const std::string &s) { return send(s.data(), DWORD(s.size())); }

    std::vector<unsigned char> received()
    {
        EnterCriticalSection(&lock);
        std::vector<unsigned char> r = got;
        LeaveCriticalSection(&lock);
        return r;
    }
    // Arrival time of every byte received, in ms.
    std::vector<double> arrivals()
    {
        EnterCriticalSection(&lock);
        std::vector<double> r = times;
        LeaveCriticalSection(&lock);
        return r;
    }
    size_t receivedCount()
    {
        EnterCriticalSection(&lock);
        size_t n = got.size();
        LeaveCriticalSection(&lock);
        return n;
    }
    void forget()
    {
        EnterCriticalSection(&lock);
        got.clear();
        times.clear();
        LeaveCriticalSection(&lock);
    }

private:
    bool writeLocked(const unsigned char *data, DWORD count)
    {
        DWORD total = 0;
        while (total < count) {
            OVERLAPPED ov;
            std::memset(&ov, 0, sizeof ov);
            ResetEvent(writeEvent);
            ov.hEvent = writeEvent;
            DWORD done = 0;
            DWORD part = count - total;
            if (!WriteFile(port, data + total, part, &done, &ov)) {
                if (GetLastError() != ERROR_IO_PENDING)
                    return false;
                if (!GetOverlappedResult(port, &ov, &done, TRUE))
                    return false;
            }
            if (done == 0)
                return false;
            total += done;
        }
        return true;
    }

    static DWORD WINAPI threadMain(LPVOID self)
    {
        static_cast<Peer *>(self)->readLoop();
        return 0;
    }

    void readLoop()
    {
        HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        unsigned char buf[4096];
        while (!stop) {
            OVERLAPPED ov;
            std::memset(&ov, 0, sizeof ov);
            ResetEvent(ev);
            ov.hEvent = ev;
            DWORD n = 0;
            if (!ReadFile(port, buf, sizeof buf, &n, &ov)) {
                if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(port, &ov, &n, TRUE))
                    n = 0;
            }
            if (n == 0) {
                // The timeouts make every read return at once; poll gently.
                Sleep(1);
                continue;
            }
            double t = nowMs();
            EnterCriticalSection(&lock);
            got.insert(got.end(), buf, buf + n);
            times.insert(times.end(), n, t);
            if (echoing)
                writeLocked(buf, n);
            LeaveCriticalSection(&lock);
        }
        CloseHandle(ev);
    }

    HANDLE port;
    HANDLE writeEvent;
    bool echoing;
    volatile bool stop;
    HANDLE thread;
    CRITICAL_SECTION lock;
    std::vector<unsigned char> got;
    std::vector<double> times;
};

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

// The registry settings the terminal reads at every open: COM2, 256000 baud,
// 8 data bits, no parity, one stop bit, no handshake (the cable raises none).
const DWORD fastPlainSetup = 0x1u | (14u << 4) | (0u << 9) | (2u << 11) | (3u << 14);

inline void storeSetting(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kerovia_Apps\\lineTalk", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
}

inline void storeFolder(const std::string &folder)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kerovia_Apps\\lineTalk", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "OldPath", 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()), DWORD(folder.size() + 1));
    RegCloseKey(key);
}

// The terminal as the program builds it: application object, frame, dialog.
class Terminal
{
public:
    explicit Terminal(DWORD sendDelay = 0)
        : app(GetModuleHandleA(nullptr), SW_SHOWNORMAL), frame(nullptr), client(nullptr)
    {
        storeSetting("Setup", fastPlainSetup);
        storeSetting("DelayOnSend", sendDelay);
        std::string dir = tempPath("");
        if (!dir.empty() && dir.back() == '\\')
            dir.pop_back();
        storeFolder(dir);
        frame = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
        app.mainWindow = frame;
        if (!frame || !frame->create())
            return;
        mainWin *w = dynamic_cast<mainWin *>(frame);
        client = w ? w->getClient() : nullptr;
        ShowWindow(frame->hwnd, SW_SHOWNORMAL);
        pump();
    }
    // The frame goes first, and with it the dialog; the WM_QUIT its
    // destruction posts is taken so that it cannot end the next modal loop.
    ~Terminal()
    {
        pump();
        delete app.mainWindow;
        app.mainWindow = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    bool ready() const { return client && client->hwnd; }
    HWND dialog() const { return client->hwnd; }
    HWND item(int id) const { return GetDlgItem(client->hwnd, id); }
    HWND view() const { return item(IDC_VIEW); }

    void pump() { app.pumpMessages(); }

    // Handles messages until the condition holds or the time is up.
    template <class C>
    bool waitFor(C condition, DWORD timeoutMs = 10000)
    {
        DWORD start = GetTickCount();
        for (;;) {
            pump();
            if (condition())
                return true;
            if (GetTickCount() - start >= timeoutMs)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }

    // Lets the messages of the next `ms` milliseconds through (to show that
    // nothing more happens, never to wait for something).
    void settle(DWORD ms)
    {
        waitFor([] { return false; }, ms);
    }

    void command(int id, int code = BN_CLICKED)
    {
        SendMessageA(client->hwnd, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(item(id)));
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
        char buf[512];
        int n = GetWindowTextA(item(id), buf, sizeof buf);
        return std::string(buf, n > 0 ? size_t(n) : 0);
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

    genApp app;
    PWin *frame;
    mainClient *client;
};

} // namespace rig

#endif
