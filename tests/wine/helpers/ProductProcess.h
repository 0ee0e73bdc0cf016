#ifndef TESTS_WINE_HELPERS_PRODUCTPROCESS_H
#define TESTS_WINE_HELPERS_PRODUCTPROCESS_H

// The built LineTalk.exe run as a child process and driven from outside, as
// an operator would: its windows are found by process id, its buttons are
// pressed by posting the clicks they would send.

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/wine/helpers/Pump.h"

namespace product {

// The program lives in another process and starts a whole Wine process of
// its own, so its waits are longer than this process's own.
const DWORD productWaitMs = 20000;

// LineTalk.exe beside the test programs' folder.
inline std::string productPath()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self, n < sizeof self ? n : 0);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    return dir + "\\..\\LineTalk.exe";
}

inline std::string textOf(HWND w)
{
    char buf[512] = "";
    GetWindowTextA(w, buf, sizeof buf);
    buf[sizeof buf - 1] = 0;
    return buf;
}

inline std::string classOf(HWND w)
{
    char buf[64] = "";
    GetClassNameA(w, buf, sizeof buf);
    buf[sizeof buf - 1] = 0;
    return buf;
}

namespace detail {

struct OwnedBy
{
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collect(HWND w, LPARAM p)
{
    OwnedBy *o = reinterpret_cast<OwnedBy *>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == o->pid && (!o->visibleOnly || IsWindowVisible(w)))
        o->found.push_back(w);
    return TRUE;
}

} // namespace detail

// The top-level windows of one process: the visible ones, or all of them.
inline std::vector<HWND> windowsOf(DWORD pid, bool visibleOnly = true)
{
    detail::OwnedBy o = {pid, visibleOnly, {}};
    EnumWindows(detail::collect, LPARAM(&o));
    return o.found;
}

// Waits for a visible top-level window of the process that passes `match`;
// null when none came in time. A deadline of 0 looks once.
template <class M>
HWND waitWindow(DWORD pid, M match, DWORD timeoutMs = productWaitMs)
{
    HWND found = nullptr;
    waitFor(
        [&] {
            for (HWND w : windowsOf(pid))
                if (match(w)) {
                    found = w;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

inline void post(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// The whole text of a control in the other process; "" when it does not
// answer in time.
inline std::string viewText(HWND view)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(view, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len))
        return std::string();
    std::vector<char> buf(size_t(len) + 1, '\0');
    SendMessageTimeoutA(view, WM_GETTEXT, WPARAM(buf.size()), LPARAM(buf.data()), SMTO_ABORTIFHUNG, 5000, nullptr);
    buf.back() = 0;
    return buf.data();
}

// One run of LineTalk.exe, ended at the latest by the destructor.
class Product
{
public:
    Product()
    {
        ZeroMemory(&pi, sizeof pi);
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof si);
        si.cb = sizeof si;
        std::string cmd = "\"" + productPath() + "\"";
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
        if (!started)
            return;
        // The frame is visible from its creation and its buttons are made
        // anew after the dialog; the terminal is ready once the frame has
        // been sized around the dialog, the last step of its creation.
        waitFor(
            [&] {
                frame = waitWindow(pi.dwProcessId, [](HWND w) { return classOf(w) == "pAppl Base"; }, 0);
                HWND d = frame ? GetWindow(frame, GW_CHILD) : nullptr;
                RECT r = {0, 0, 0, 0};
                if (frame)
                    GetWindowRect(frame, &r);
                if (d && IsWindowVisible(d) && r.right - r.left > 100 && r.bottom - r.top > 100)
                    dialog = d;
                return dialog != nullptr || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
            },
            productWaitMs);
    }
    ~Product()
    {
        if (!started)
            return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            // Left running by a failed test: end it so the port is free again.
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    Product(const Product &) = delete;
    Product &operator=(const Product &) = delete;

    DWORD pid() const { return pi.dwProcessId; }
    HWND item(int id) const { return GetDlgItem(dialog, id); }
    std::string text(int id) const { return textOf(item(id)); }
    void press(int id) const { post(dialog, id); }
    // Sets a check box and reports the click as the box itself would.
    void check(int id, bool on) const
    {
        SendMessageA(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
        press(id);
    }
    void setText(int id, const std::string &text) const { SendMessageA(item(id), WM_SETTEXT, 0, LPARAM(text.c_str())); }
    // Waits until the receive view shows `part`.
    bool waitView(const std::string &part) const
    {
        return waitFor([&] { return viewText(item(IDC_VIEW)).find(part) != std::string::npos; }, productWaitMs);
    }
    // Opens the port through the dialog's own button and waits until the
    // caption says so.
    bool openPort() const
    {
        press(IDC_OPENCOMM);
        return waitFor([&] { return text(IDC_OPENCOMM) == "&Close Comm"; }, 10000);
    }
    // Waits for the process to end; its exit status, or -1 on time-out.
    long exitStatus(DWORD timeoutMs = productWaitMs) const
    {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return long(code);
    }

    bool started = false;
    PROCESS_INFORMATION pi;
    HWND frame = nullptr;
    HWND dialog = nullptr;
};

} // namespace product

#endif
