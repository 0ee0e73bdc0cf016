#ifndef TESTS_WINE_TEST_TERMINAL_DIALOGRIG_H
#define TESTS_WINE_TEST_TERMINAL_DIALOGRIG_H

// What the terminal-dialog, settings-dialog and progress-dialog tests share:
// the real frame and terminal dialog made in-process, the stored settings,
// a pump with a deadline, a thread that drives a modal dialog while the
// test's thread sits in it, Linux's view of a virtual port, and screenshots.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/genApp.h"
#include "app/mainWin.h"
#include "res/resource.h"
#include "comm/PCom.h"
#include "helpers/NullModemPeer.h"
#include "terminal/mainClient.h"

namespace dlgrig {

const char *const settingsKey = "Software\\Kerovia_Apps\\lineTalk";

inline std::string env(const char *name)
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return std::string(buf, n);
}

inline std::string tempFolder()
{
    std::string dir = env("LT_TMP");
    if (dir.empty()) {
        char buf[MAX_PATH];
        DWORD n = GetTempPathA(sizeof buf, buf);
        dir = std::string(buf, n < sizeof buf ? n : 0);
    }
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir;
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

// Takes whatever WM_QUIT a destroyed terminal left in the queue, so the next
// modal loop of the test program is not ended by it.
inline void dropQuit()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Handles this thread's messages through the application's pump (so dialog
// keyboard handling runs) until the condition holds or the time is up.
template <class C>
bool pumpUntil(PAppl &app, C condition, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    for (;;) {
        app.pumpMessages();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Lets the messages of the next ms milliseconds through (to show that
// nothing more happens, never to wait for something).
inline void settle(PAppl &app, DWORD ms)
{
    pumpUntil(app, [] { return false; }, ms);
}

// The program's own application object, frame and terminal dialog.
class Terminal
{
public:
    explicit Terminal(DWORD setup = 0x000AD061u, DWORD delay = 0)
        : app(GetModuleHandleA(nullptr), SW_SHOWNORMAL), frame(nullptr), client(nullptr)
    {
        storeDword("Setup", setup);
        storeDword("DelayOnSend", delay);
        frame = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
        app.mainWindow = frame;
        if (!frame || !frame->create())
            return;
        mainWin *w = dynamic_cast<mainWin *>(frame);
        client = w ? w->getClient() : nullptr;
        ShowWindow(frame->hwnd, SW_SHOWNORMAL);
        UpdateWindow(frame->hwnd);
        settle(app, 100);
    }
    ~Terminal()
    {
        app.pumpMessages();
        delete app.mainWindow;
        app.mainWindow = nullptr;
        dropQuit();
    }
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    bool ready() const { return client && client->hwnd; }
    HWND dialog() const { return client ? client->hwnd : nullptr; }
    HWND item(int id) const { return GetDlgItem(dialog(), id); }
    std::string text(int id) const
    {
        char buf[256] = "";
        GetWindowTextA(item(id), buf, sizeof buf);
        return buf;
    }
    // Presses a button of the dialog as its click would report it.
    void command(int id)
    {
        SendMessageA(dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(item(id)));
    }
    template <class C>
    bool waitFor(C condition, DWORD timeoutMs = 10000)
    {
        return pumpUntil(app, condition, timeoutMs);
    }

    genApp app;
    PWin *frame;
    mainClient *client;
};

// True when bytes sent by the far end of the cable (COM9) reach the
// terminal's open port.
inline bool portCarries(Terminal &t)
{
    NullModemPeer peer("COM9");
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

struct CaptionSearch
{
    const char *caption;
    HWND found;
};

inline BOOL CALLBACK matchCaption(HWND w, LPARAM p)
{
    CaptionSearch *s = reinterpret_cast<CaptionSearch *>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(w))
        return TRUE;
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    if (std::strcmp(text, s->caption) == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this process with the given caption, or null.
inline HWND findOwnWindow(const char *caption)
{
    CaptionSearch s = {caption, nullptr};
    EnumWindows(matchCaption, LPARAM(&s));
    return s.found;
}

// Waits, from a driver thread, until a window has gone.
inline bool waitGone(HWND w, DWORD timeoutMs = 5000)
{
    DWORD start = GetTickCount();
    while (IsWindow(w)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

// Runs `act` on a thread of its own with the first visible window of this
// process captioned `caption`, while the test's thread runs the modal loop
// that shows it. Whatever `act` leaves open is cancelled, so the modal call
// always returns.
class ModalDriver
{
public:
    ModalDriver(const char *caption, std::function<void(HWND)> act, DWORD deadlineMs = 15000)
        : caption(caption), act(std::move(act)), deadline(deadlineMs), seen(false)
    {
        thread = CreateThread(nullptr, 0, &ModalDriver::main, this, 0, nullptr);
    }
    ~ModalDriver()
    {
        if (thread) {
            WaitForSingleObject(thread, deadline + 5000);
            CloseHandle(thread);
        }
    }
    ModalDriver(const ModalDriver &) = delete;
    ModalDriver &operator=(const ModalDriver &) = delete;

    // Waits for the driver to be done; true when it found its window.
    bool finish()
    {
        if (thread) {
            WaitForSingleObject(thread, deadline + 5000);
            CloseHandle(thread);
            thread = nullptr;
        }
        return seen;
    }

private:
    static DWORD WINAPI main(LPVOID p)
    {
        ModalDriver *self = static_cast<ModalDriver *>(p);
        DWORD start = GetTickCount();
        HWND w = nullptr;
        while (!(w = findOwnWindow(self->caption.c_str())) && GetTickCount() - start < self->deadline)
            Sleep(10);
        if (!w)
            return 0;
        self->seen = true;
        self->act(w);
        // Still there once what act posted has been handled: cancel it so
        // the modal call returns.
        waitGone(w, 3000);
        if (IsWindow(w))
            PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }

    std::string caption;
    std::function<void(HWND)> act;
    DWORD deadline;
    volatile bool seen;
    HANDLE thread;
};

// The text of the selected item of a combo box ("" when none is selected).
inline std::string comboSelection(HWND combo)
{
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return std::string();
    char buf[256] = "";
    LRESULT len = SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(sel), 0);
    if (len < 0 || len >= LRESULT(sizeof buf))
        return std::string();
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(sel), LPARAM(buf));
    return buf;
}

inline void selectComboText(HWND dialog, int id, const char *text)
{
    HWND combo = GetDlgItem(dialog, id);
    LRESULT i = SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
}

inline void click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

inline std::string readAll(const std::string &path)
{
    std::string text;
    HANDLE r = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (r == INVALID_HANDLE_VALUE)
        return text;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(r, buf, sizeof buf, &n, nullptr) && n > 0)
        text.append(buf, n);
    CloseHandle(r);
    return text;
}

// Runs a Linux program (Wine starts those too) with its output in a fresh
// file under the temporary folder; returns the output, "" when none came.
// Wine does not follow a Linux child to its end, so the output is taken
// once it is complete (ends with a line break and stops changing).
inline std::string runLinux(const std::string &commandLine, DWORD timeoutMs = 10000)
{
    static int runs = 0;
    std::string out = tempFolder() + "linux-output-" + std::to_string(++runs) + ".txt";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE f = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return std::string();
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = f;
    si.hStdError = f;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi;
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    BOOL ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(f);
    if (!ok)
        return "CreateProcess failed: " + std::to_string(GetLastError());
    DWORD start = GetTickCount();
    WaitForSingleObject(pi.hProcess, timeoutMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string last = readAll(out);
    for (;;) {
        if (GetTickCount() - start >= timeoutMs)
            return last;
        Sleep(20);
        std::string now = readAll(out);
        if (!now.empty() && now == last && now.back() == '\n')
            return now;
        last = now;
    }
}

// The line settings Linux sees on the pseudo-terminal behind a port.
inline std::string sttyOf(const char *port)
{
    std::string pty = env((std::string("LT_PTY_") + port).c_str());
    if (pty.empty())
        return std::string();
    // Through a shell, as everywhere else: a bare /bin/stty started from here
    // has been seen to take the calling test program down with it under Wine.
    return runLinux("/bin/sh -c \"/bin/stty -F " + pty + " -a\"");
}

// Sets the line speed Linux keeps on the pseudo-terminal behind a port, so
// a later open can be seen to change it.
inline void setPtySpeed(const char *port, const char *speed)
{
    std::string pty = env((std::string("LT_PTY_") + port).c_str());
    // The settings are printed afterwards so that the run has an output
    // whose end shows it is over.
    if (!pty.empty())
        runLinux("/bin/sh -c \"/bin/stty -F " + pty + " " + speed + "; /bin/stty -F " + pty + " -a\"");
}

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

// Saves what the screen shows of a window as a 24-bit .bmp in LT_BUILD (or
// the temporary folder). True when the file was written.
inline bool screenshot(HWND w, const char *fileName)
{
    RECT r;
    if (!GetWindowRect(w, &r))
        return false;
    int cx = r.right - r.left, cy = r.bottom - r.top;
    if (cx <= 0 || cy <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BOOL copied = BitBlt(mem, 0, 0, cx, cy, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    DWORD stride = (DWORD(cx) * 3 + 3) & ~3u;
    DWORD imageSize = stride * DWORD(cy);
    std::string dir = env("LT_BUILD");
    if (dir.empty())
        dir = tempFolder();
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    bool written = false;
    HANDLE f = CreateFileA((dir + fileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copied && bits && f != INVALID_HANDLE_VALUE) {
        BITMAPFILEHEADER fh;
        ZeroMemory(&fh, sizeof fh);
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + imageSize;
        DWORD n = 0;
        written = WriteFile(f, &fh, sizeof fh, &n, nullptr) && WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr) &&
                  WriteFile(f, bits, imageSize, &n, nullptr) && n == imageSize;
    }
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return written;
}

} // namespace dlgrig

#endif
