// The built LineTalk.exe run as a child process: it shows its frame, opens
// the port, and ends with status 0 on "&Done", on Esc and on closing the
// frame, leaving no window and no port behind.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

std::string productPath()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self, n < sizeof self ? n : 0);
    size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
    return dir + "\\..\\LineTalk.exe";
}

struct Found
{
    DWORD pid;
    HWND frame;
    int count;
};

BOOL CALLBACK matchFrame(HWND w, LPARAM p)
{
    Found *f = reinterpret_cast<Found *>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (owner == f->pid && lstrcmpA(cls, "pAppl Base") == 0 && IsWindowVisible(w)) {
        f->frame = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK countWindows(HWND w, LPARAM p)
{
    Found *f = reinterpret_cast<Found *>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == f->pid)
        ++f->count;
    return TRUE;
}

HWND frameOf(DWORD pid)
{
    Found f = {pid, nullptr, 0};
    EnumWindows(matchFrame, LPARAM(&f));
    return f.frame;
}

int windowsOf(DWORD pid)
{
    Found f = {pid, nullptr, 0};
    EnumWindows(countWindows, LPARAM(&f));
    return f.count;
}

// One run of the program, up to the moment its frame is on screen.
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
        DWORD start = GetTickCount();
        while (!(frame = frameOf(pi.dwProcessId)) && GetTickCount() - start < 20000 &&
               WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
        }
        // The frame is visible from its creation and its buttons are made
        // anew after the dialog; the terminal is ready once the frame has
        // been sized around the dialog, the last step of its creation.
        while (frame && GetTickCount() - start < 20000 && WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
            RECT r;
            GetWindowRect(frame, &r);
            HWND d = GetWindow(frame, GW_CHILD);
            if (d && IsWindowVisible(d) && r.right - r.left > 100 && r.bottom - r.top > 100) {
                dialog = d;
                break;
            }
        }
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

    // Waits for the process to end; its exit status, or -1 on time-out.
    long exitStatus(DWORD timeoutMs = 15000)
    {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return long(code);
    }
    HWND item(int id) const { return GetDlgItem(dialog, id); }
    std::string text(int id) const
    {
        char buf[64] = "";
        GetWindowTextA(item(id), buf, sizeof buf);
        return buf;
    }
    // Opens the port through the dialog's own button and waits until the
    // caption says so.
    bool openPort()
    {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPENCOMM, BN_CLICKED), LPARAM(item(IDC_OPENCOMM)));
        DWORD start = GetTickCount();
        while (text(IDC_OPENCOMM) != "&Close Comm") {
            if (GetTickCount() - start > 10000)
                return false;
            Sleep(10);
        }
        return true;
    }

    bool started = false;
    PROCESS_INFORMATION pi;
    HWND frame = nullptr;
    HWND dialog = nullptr;
};

class ProductRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        storeDword("Setup", 0x000AD061u);
        storeDword("DelayOnSend", 0);
        setPtySpeed("COM2", "38400");
    }
    void TearDown() override { removeValue("DelayOnSend"); }
};

} // namespace

TEST_F(ProductRun, ShowsTheFrameWithTheTerminal)
{
    Product p;
    ASSERT_TRUE(p.started) << productPath();
    ASSERT_NE(p.dialog, nullptr);
    char title[64] = "";
    GetWindowTextA(p.frame, title, sizeof title);
    EXPECT_STREQ(title, "Line Talk by QV");
    EXPECT_EQ(p.text(IDC_OPENCOMM), "&Open Com");
    EXPECT_EQ(p.text(IDC_SETUP), "Se&tup");
    PostMessageA(p.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(p.item(IDCANCEL)));
    EXPECT_EQ(p.exitStatus(), 0);
}

TEST_F(ProductRun, EscOnAButtonEndsWithStatusZeroAndReleasesThePort)
{
    Product p;
    ASSERT_NE(p.dialog, nullptr);
    ASSERT_TRUE(p.openPort());
    std::string line = sttyOf("COM2");
    EXPECT_NE(line.find("speed 9600 baud"), std::string::npos) << line;
    // The key reaches the focused button through the program's own loop,
    // which hands it to the dialog manager: Esc is "&Done".
    HWND button = p.item(IDC_SENDSTRING);
    PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(button, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_EQ(p.exitStatus(), 0);
    EXPECT_EQ(windowsOf(p.pi.dwProcessId), 0);
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(ProductRun, ClosingTheFrameEndsWithStatusZeroAndReleasesThePort)
{
    Product p;
    ASSERT_NE(p.dialog, nullptr);
    ASSERT_TRUE(p.openPort());
    PostMessageA(p.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(p.exitStatus(), 0);
    EXPECT_FALSE(IsWindow(p.frame));
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(ProductRun, DoneWithThePortOpenEndsWithStatusZero)
{
    Product p;
    ASSERT_NE(p.dialog, nullptr);
    ASSERT_TRUE(p.openPort());
    PostMessageA(p.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(p.item(IDCANCEL)));
    EXPECT_EQ(p.exitStatus(), 0);
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(ProductRun, TwoStartsGiveTwoIndependentWindows)
{
    Product a;
    Product b;
    ASSERT_NE(a.frame, nullptr);
    ASSERT_NE(b.frame, nullptr);
    EXPECT_NE(a.frame, b.frame);
    PostMessageA(a.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(a.exitStatus(), 0);
    EXPECT_TRUE(IsWindow(b.frame));
    PostMessageA(b.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(b.exitStatus(), 0);
}
