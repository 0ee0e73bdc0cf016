// The built LineTalk.exe run as a child process: it shows its frame, opens
// the port, and ends with status 0 on "&Done", on Esc and on closing the
// frame, leaving no window and no port behind.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/ProductProcess.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;
using product::Product;
using product::productPath;

namespace {

// Every top-level window of the process, shown or not.
int windowsOf(DWORD pid) { return int(product::windowsOf(pid, false).size()); }

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
    EXPECT_EQ(p.exitStatus(15000), 0);
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
    EXPECT_EQ(p.exitStatus(15000), 0);
    EXPECT_EQ(windowsOf(p.pi.dwProcessId), 0);
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(ProductRun, ClosingTheFrameEndsWithStatusZeroAndReleasesThePort)
{
    Product p;
    ASSERT_NE(p.dialog, nullptr);
    ASSERT_TRUE(p.openPort());
    PostMessageA(p.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(p.exitStatus(15000), 0);
    EXPECT_FALSE(IsWindow(p.frame));
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(ProductRun, DoneWithThePortOpenEndsWithStatusZero)
{
    Product p;
    ASSERT_NE(p.dialog, nullptr);
    ASSERT_TRUE(p.openPort());
    PostMessageA(p.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(p.item(IDCANCEL)));
    EXPECT_EQ(p.exitStatus(15000), 0);
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
    EXPECT_EQ(a.exitStatus(15000), 0);
    EXPECT_TRUE(IsWindow(b.frame));
    PostMessageA(b.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(b.exitStatus(15000), 0);
}

// The port beyond COM16 kept beside the word is what a new process opens:
// COM200 (cabled to COM16) takes the speed the word gives, COM16 keeps its own.
TEST_F(ProductRun, APortBeyondCom16IsOpenedAgainByANewProcess)
{
    std::string ports = env("LT_PORTS");
    ASSERT_FALSE(ports.empty());
    auto sttyAt = [&](const char *com) {
        return runLinux("/bin/sh -c \"/bin/stty -F " + ports + "/" + com + " -a\"");
    };
    runLinux("/bin/sh -c \"/bin/stty -F " + ports + "/com200 38400; /bin/stty -F " + ports + "/com16 38400; echo\"");
    storeDword("Setup", 0x000AD06Fu);   // port field 15, 9600
    storeDword("SetupPort", 200);
    {
        Product p;
        ASSERT_NE(p.dialog, nullptr);
        ASSERT_TRUE(p.openPort());
        std::string opened = sttyAt("com200"), other = sttyAt("com16");
        EXPECT_NE(opened.find("speed 9600 baud"), std::string::npos) << opened;
        EXPECT_NE(other.find("speed 38400 baud"), std::string::npos) << other;
        PostMessageA(p.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(p.item(IDCANCEL)));
        EXPECT_EQ(p.exitStatus(15000), 0);
    }
    removeValue("SetupPort");
}
