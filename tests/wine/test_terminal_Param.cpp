// The communication settings dialog: alone with a word and a delay, and run
// from the terminal's "Se&tup" button with what it stores and applies.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "helpers/MessageBoxAnswerer.h"
#include "terminal/settings/P_Param.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/PortRig.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

const char *const caption = "Communication Setting";
const DWORD defaultWord = 0x000AD061u;

struct Shown
{
    std::string port, baud, data, parity, stop, delay;
};

// A port item's text begins with the port's name; a present port's goes on
// with the device's name: "COM2 (Serial1)".
std::string portNameOf(const std::string &item)
{
    return item.substr(0, item.find(' '));
}

void selectPort(HWND dialog, const char *name)
{
    HWND combo = GetDlgItem(dialog, IDC_SET_PORT);
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char buf[64] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof buf))
            SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
        if (portNameOf(buf) == name)
            SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
    }
}

Shown shownIn(HWND dialog)
{
    Shown s;
    s.port = portNameOf(comboSelection(GetDlgItem(dialog, IDC_SET_PORT)));
    s.baud = comboSelection(GetDlgItem(dialog, IDC_SET_BAUD));
    s.data = comboSelection(GetDlgItem(dialog, IDC_SET_DATA));
    s.parity = comboSelection(GetDlgItem(dialog, IDC_SET_PARITY));
    s.stop = comboSelection(GetDlgItem(dialog, IDC_SET_STOP));
    char buf[32] = "";
    GetDlgItemTextA(dialog, IDC_SET_DELAY, buf, sizeof buf);
    s.delay = buf;
    return s;
}

// Runs the dialog on this thread with `act` driving it from another.
int runParam(CommSettings &word, uint32_t &delay, std::function<void(HWND)> act, bool *seen = nullptr)
{
    ModalDriver driver(caption, std::move(act));
    P_Param dialog(&word, &delay, nullptr, IDD_SETTINGS, nullptr);
    int result = dialog.execute();
    bool found = driver.finish();
    if (seen)
        *seen = found;
    return result;
}

class SettingsDialog : public ::testing::Test
{
protected:
    void SetUp() override { removeValue("DelayOnSend"); }
    void TearDown() override
    {
        storeDword("Setup", defaultWord);
        removeValue("DelayOnSend");
    }
    // Present for the buttons, which pump the application's queue.
    genApp app{GetModuleHandleA(nullptr), SW_SHOWNORMAL};
};

} // namespace

TEST_F(SettingsDialog, DefaultWordSelectsCom2At9600With8N1)
{
    CommSettings word(defaultWord);
    uint32_t delay = 7;
    Shown shown;
    bool seen = false;
    int r = runParam(word, delay, [&](HWND d) {
        shown = shownIn(d);
        click(d, IDCANCEL);
    }, &seen);
    ASSERT_TRUE(seen);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(shown.port, "COM2");
    EXPECT_EQ(shown.baud, "9.600");
    EXPECT_EQ(shown.data, "8");
    EXPECT_EQ(shown.parity, "NOPARITY");
    EXPECT_EQ(shown.stop, "ONESTOPBIT");
    EXPECT_EQ(shown.delay, "7");
    EXPECT_EQ(word.toWord(), defaultWord);
    EXPECT_EQ(delay, 7u);
}

TEST_F(SettingsDialog, CombosListTheTablesInOrder)
{
    CommSettings word(defaultWord);
    uint32_t delay = 0;
    std::vector<std::string> baud, parity, port;
    int r = runParam(word, delay, [&](HWND d) {
        auto list = [&](int id, std::vector<std::string> &out) {
            HWND c = GetDlgItem(d, id);
            LRESULT n = SendMessageA(c, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < n; ++i) {
                char buf[64] = "";
                SendMessageA(c, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
                out.push_back(buf);
            }
        };
        list(IDC_SET_BAUD, baud);
        list(IDC_SET_PARITY, parity);
        list(IDC_SET_PORT, port);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    ASSERT_EQ(baud.size(), 15u);
    EXPECT_EQ(baud.front(), "110");
    EXPECT_EQ(baud[12], "115.200");
    EXPECT_EQ(baud.back(), "256.000");
    ASSERT_EQ(parity.size(), 5u);
    EXPECT_EQ(parity[0], "EVENPARITY");
    EXPECT_EQ(parity[4], "SPACEPARITY");
    // The present ports beyond COM8 follow; they have tests of their own.
    ASSERT_GE(port.size(), 8u);
    EXPECT_EQ(portNameOf(port[7]), "COM8");
}

TEST_F(SettingsDialog, OkStoresTheChoicesAndKeepsTheHandshakeBits)
{
    CommSettings word(defaultWord);
    word.dtrDsrMode = 0;
    word.rtsCtsMode = 1;
    word.xonXoff = 1;
    uint32_t delay = 0;
    int r = runParam(word, delay, [&](HWND d) {
        selectPort(d, "COM8");
        selectComboText(d, IDC_SET_BAUD, "115.200");
        selectComboText(d, IDC_SET_DATA, "7");
        selectComboText(d, IDC_SET_PARITY, "EVENPARITY");
        selectComboText(d, IDC_SET_STOP, "TWOSTOPBITS");
        SetDlgItemTextA(d, IDC_SET_DELAY, "25");
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(word.portIndex, 7u);
    EXPECT_EQ(word.baudIndex, 12u);
    EXPECT_EQ(word.dataBitsIndex, 2u);
    EXPECT_EQ(word.parityIndex, 0u);
    EXPECT_EQ(word.stopBitsIndex, 2u);
    EXPECT_EQ(word.dtrDsrMode, 0u);
    EXPECT_EQ(word.rtsCtsMode, 1u);
    EXPECT_EQ(word.xonXoff, 1u);
    EXPECT_EQ(delay, 25u);
}

TEST_F(SettingsDialog, DefaultSettingWritesTheDefaultWordAtOnceEvenOnCancel)
{
    CommSettings word(0x00000000u);   // COM1 110 baud ONESTOPBIT EVENPARITY 5 bits, no handshake
    uint32_t delay = 3;
    Shown before, after;
    int r = runParam(word, delay, [&](HWND d) {
        before = shownIn(d);
        SetDlgItemTextA(d, IDC_SET_DELAY, "99");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SET_DEFAULT, BN_CLICKED), LPARAM(GetDlgItem(d, IDC_SET_DEFAULT)));
        after = shownIn(d);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(before.port, "COM1");
    EXPECT_EQ(before.baud, "110");
    EXPECT_EQ(after.port, "COM2");
    EXPECT_EQ(after.baud, "9.600");
    EXPECT_EQ(after.stop, "ONESTOPBIT");
    EXPECT_EQ(after.data, "8");
    EXPECT_EQ(after.parity, "NOPARITY");
    // The delay field is not reset and Cancel does not store it.
    EXPECT_EQ(after.delay, "99");
    EXPECT_EQ(word.toWord(), defaultWord);
    EXPECT_EQ(delay, 3u);
}

TEST_F(SettingsDialog, DefaultSettingThenOkResetsTheHandshakeBitsToo)
{
    CommSettings word(0x00000000u);
    word.xonXoff = 1;
    uint32_t delay = 0;
    int r = runParam(word, delay, [&](HWND d) {
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SET_DEFAULT, BN_CLICKED), LPARAM(GetDlgItem(d, IDC_SET_DEFAULT)));
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(word.toWord(), defaultWord);
    EXPECT_EQ(word.dtrDsrMode, 2u);
    EXPECT_EQ(word.rtsCtsMode, 2u);
    EXPECT_EQ(word.xonXoff, 0u);
}

TEST_F(SettingsDialog, IndexBeyondTableShowsNoSelectionAndOkStoresZero)
{
    CommSettings word(defaultWord);
    word.baudIndex = 20;
    word.parityIndex = 6;
    uint32_t delay = 0;
    Shown shown;
    int r = runParam(word, delay, [&](HWND d) {
        shown = shownIn(d);
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(shown.baud, "");
    EXPECT_EQ(shown.parity, "");
    EXPECT_EQ(shown.port, "COM2");
    EXPECT_EQ(word.baudIndex, 0u);
    EXPECT_EQ(word.parityIndex, 0u);
    EXPECT_EQ(word.portIndex, 1u);
    EXPECT_EQ(word.dataBitsIndex, 3u);
}

TEST_F(SettingsDialog, LettersCannotBeTypedIntoTheDelay)
{
    CommSettings word(defaultWord);
    uint32_t delay = 0;
    std::string typed;
    LONG_PTR style = 0;
    int r = runParam(word, delay, [&](HWND d) {
        HWND edit = GetDlgItem(d, IDC_SET_DELAY);
        style = GetWindowLongPtrA(edit, GWL_STYLE);
        SetWindowTextA(edit, "");
        for (char c : std::string("1a2Bx-3"))
            SendMessageA(edit, WM_CHAR, WPARAM((unsigned char)c), 1);
        char buf[32] = "";
        GetWindowTextA(edit, buf, sizeof buf);
        typed = buf;
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(style & ES_NUMBER);
    EXPECT_EQ(typed, "123");
    EXPECT_EQ(delay, 123u);
}

TEST_F(SettingsDialog, EmptyDelayIsStoredAsZero)
{
    CommSettings word(defaultWord);
    uint32_t delay = 50;
    int r = runParam(word, delay, [&](HWND d) {
        SetDlgItemTextA(d, IDC_SET_DELAY, "");
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(delay, 0u);
}

TEST_F(SettingsDialog, EscCancelsAndTheCloseBoxToo)
{
    CommSettings word(defaultWord);
    uint32_t delay = 5;
    int r = runParam(word, delay, [&](HWND d) {
        SetDlgItemTextA(d, IDC_SET_DELAY, "77");
        HWND focus = GetDlgItem(d, IDC_SET_PORT);
        PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 1);
        waitGone(d);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(delay, 5u);
    r = runParam(word, delay, [&](HWND d) {
        PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0);
        waitGone(d);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(delay, 5u);
}

TEST_F(SettingsDialog, TemplateHasItsControlsAndCaption)
{
    CommSettings word(defaultWord);
    uint32_t delay = 0;
    int count = 0;
    std::string label, ok, cancel, def;
    LONG_PTR style = 0;
    runParam(word, delay, [&](HWND d) {
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ++count;
        char buf[128] = "";
        GetDlgItemTextA(d, IDC_SET_DELAYLABEL, buf, sizeof buf);
        label = buf;
        GetDlgItemTextA(d, IDOK, buf, sizeof buf);
        ok = buf;
        GetDlgItemTextA(d, IDCANCEL, buf, sizeof buf);
        cancel = buf;
        GetDlgItemTextA(d, IDC_SET_DEFAULT, buf, sizeof buf);
        def = buf;
        style = GetWindowLongPtrA(d, GWL_STYLE);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(count, 36) << "the sixteen of old, the flow-control and transfer lists with their labels and the note, "
                            "the seven further fields with their labels and the folder's button";
    EXPECT_EQ(label, "Delay\r\nbetween bytes\n\ron Send (ms)");
    EXPECT_EQ(ok, "&OK");
    EXPECT_EQ(cancel, "&Cancel");
    EXPECT_EQ(def, "&Default Setting");
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
}

// Through the terminal: what "Se&tup" stores and how it treats the port.

TEST_F(SettingsDialog, TerminalDefaultThenCancelStoresNothing)
{
    Terminal t(0x00000000u);
    ASSERT_TRUE(t.ready());
    ModalDriver driver(caption, [&](HWND d) {
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SET_DEFAULT, BN_CLICKED), LPARAM(GetDlgItem(d, IDC_SET_DEFAULT)));
        click(d, IDCANCEL);
    });
    t.command(IDC_SETUP);
    EXPECT_TRUE(driver.finish());
    DWORD word = 1;
    EXPECT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word, 0u);
}

TEST_F(SettingsDialog, TerminalDelayOf25IsStoredAndShownNextTime)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    {
        ModalDriver driver(caption, [&](HWND d) {
            SetDlgItemTextA(d, IDC_SET_DELAY, "25");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    DWORD stored = 0;
    EXPECT_TRUE(readDword("DelayOnSend", stored));
    EXPECT_EQ(stored, 25u);
    EXPECT_EQ(t.client->getSendDelay(), 25u);
    std::string shown;
    {
        ModalDriver driver(caption, [&](HWND d) {
            shown = shownIn(d).delay;
            click(d, IDCANCEL);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    EXPECT_EQ(shown, "25");
}

TEST_F(SettingsDialog, TerminalChangingOnlyTheDelayLeavesThePortAndSetupAlone)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    // Behind the terminal's back the stored port becomes one that does not
    // exist: any reopen would now fail with a box and leave the port closed.
    const DWORD com5 = (defaultWord & ~0xFu) | 4u;
    storeDword("Setup", com5);
    removeValue("DelayOnSend");
    {
        MessageBoxAnswerer none(IDOK, 1, 3000);
        ModalDriver driver(caption, [&](HWND d) {
            SetDlgItemTextA(d, IDC_SET_DELAY, "12");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
        t.waitFor([] { return false; }, 200);
        EXPECT_EQ(none.answeredCount(), 0);
    }
    DWORD stored = 0;
    EXPECT_TRUE(readDword("DelayOnSend", stored));
    EXPECT_EQ(stored, 12u);
    EXPECT_EQ(t.client->getSendDelay(), 12u);
    EXPECT_TRUE(readDword("Setup", stored));
    EXPECT_EQ(stored, com5);
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Close Comm");
    EXPECT_TRUE(portCarries(t));
    t.command(IDC_OPENCOMM);
}

TEST_F(SettingsDialog, TerminalSameSettingsAgainWriteNothing)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    removeValue("DelayOnSend");
    ModalDriver driver(caption, [&](HWND d) { click(d, IDOK); });
    t.command(IDC_SETUP);
    EXPECT_TRUE(driver.finish());
    DWORD stored = 0;
    EXPECT_FALSE(readDword("DelayOnSend", stored));
}

TEST_F(SettingsDialog, TerminalLineChangeWhileOpenReopensWithTheNewSettings)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    std::string before = sttyOf("COM2");
    {
        ModalDriver driver(caption, [&](HWND d) {
            selectComboText(d, IDC_SET_BAUD, "19.200");
            selectComboText(d, IDC_SET_DATA, "7");
            selectComboText(d, IDC_SET_PARITY, "EVENPARITY");
            selectComboText(d, IDC_SET_STOP, "TWOSTOPBITS");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    DWORD word = 0;
    EXPECT_TRUE(readDword("Setup", word));
    CommSettings s(word);
    EXPECT_EQ(s.baudIndex, 8u);
    EXPECT_EQ(s.dataBitsIndex, 2u);
    EXPECT_EQ(s.parityIndex, 0u);
    EXPECT_EQ(s.stopBitsIndex, 2u);
    EXPECT_EQ(s.portIndex, 1u);
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Close Comm");
    EXPECT_TRUE(portCarries(t));
    std::string after = sttyOf("COM2");
    ASSERT_FALSE(after.empty()) << "stty gave nothing";
    EXPECT_NE(before.find("speed 9600 baud"), std::string::npos) << before;
    EXPECT_NE(after.find("speed 19200 baud"), std::string::npos) << after;
    // A Linux pseudo-terminal keeps the speed and the stop bits it is given
    // but always reports 8 data bits without parity, so those two are seen
    // in the stored word above.
    EXPECT_NE(after.find(" cstopb"), std::string::npos) << after;
    EXPECT_NE(before.find("-cstopb"), std::string::npos) << before;
    t.command(IDC_OPENCOMM);
}

// Bits 21-31 of "Setup" are not this program's: loading the word, the
// dialog's OK and the store after it leave them as they were.
TEST_F(SettingsDialog, OkKeepsTheReservedBitsOfTheWord)
{
    CommSettings word(0xFFE00000u | defaultWord);
    uint32_t delay = 0;
    int r = runParam(word, delay, [&](HWND d) {
        selectComboText(d, IDC_SET_BAUD, "19.200");
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(word.baudIndex, 8u);
    EXPECT_EQ(word.toWord() & 0xFFE00000u, 0xFFE00000u);
}

TEST_F(SettingsDialog, TerminalStoresTheReservedBitsItLoaded)
{
    const DWORD reserved = 0x5AA00000u;
    Terminal t(reserved | defaultWord);
    ASSERT_TRUE(t.ready());
    {
        ModalDriver driver(caption, [&](HWND d) {
            selectPort(d, "COM8");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    DWORD word = 0;
    EXPECT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word, reserved | (defaultWord & ~0xFu) | 7u);
}

TEST_F(SettingsDialog, TerminalReopenThatFailsLeavesThePortClosed)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    MessageBoxAnswerer answerer(IDOK, 1, 20000);
    {
        // COM5 does not exist.
        ModalDriver driver(caption, [&](HWND d) {
            selectPort(d, "COM5");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Unable to open Comm");
    EXPECT_EQ(answerer.caption(0), "Error Comm");
    EXPECT_FALSE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Open Comm");
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(SettingsDialog, ScreenshotOfTheSettingsDialog)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    bool shot = false;
    ModalDriver driver(caption, [&](HWND d) {
        SetDlgItemTextA(d, IDC_SET_DELAY, "10");
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(300);
        shot = screenshot(d, "screenshot-settings.bmp");
        click(d, IDCANCEL);
    });
    t.command(IDC_SETUP);
    EXPECT_TRUE(driver.finish());
    EXPECT_TRUE(shot);
}

namespace {

std::vector<std::string> comboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char buf[128] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof buf))
            SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
        items.push_back(buf);
    }
    return items;
}

// COM1 to COM8, then every port with a device behind it, in number order;
// a present port with the last part of its device's name in the system's
// list ("\Device\Serial1" for COM2 here).
std::vector<std::string> expectedPorts()
{
    std::vector<std::string> ports;
    for (unsigned n = 1; n <= 256; ++n) {
        std::string item = "COM" + std::to_string(n);
        if (deviceBehind(n))
            ports.push_back(item + " (Serial" + std::to_string(n - 1) + ")");
        else if (n <= 8)
            ports.push_back(item);
    }
    return ports;
}

bool contains(const std::vector<std::string> &items, const char *port)
{
    return std::any_of(items.begin(), items.end(), [&](const std::string &i) { return portNameOf(i) == port; });
}

// The dialog and the terminal with ports beyond COM8: the run's cables
// COM10-COM23 and the pullable COM16-COM200, and the system's list of
// serial devices kept as Windows keeps it.
class PortSettings : public SettingsDialog
{
protected:
    void SetUp() override
    {
        SettingsDialog::SetUp();
        ASSERT_TRUE(cable.present()) << "the run gives no pullable cable COM16-COM200";
        ASSERT_TRUE(syncSerialComm());
        removeValue("SetupPort");
        removeValue("SetupFlow");
    }
    void TearDown() override
    {
        if (!deviceBehind(16))
            cable.plugIn();
        removeValue("SetupPort");
        removeValue("SetupFlow");
        SettingsDialog::TearDown();
    }
    PortCable cable{"COM16"};
};

} // namespace

TEST_F(PortSettings, TheListAddsThePresentPortsInOrderAndLooksAgainAtEachOpening)
{
    ASSERT_TRUE(cable.pull());
    CommSettings word(defaultWord);
    uint32_t delay = 0;
    std::vector<std::string> before, after;
    runParam(word, delay, [&](HWND d) {
        before = comboItems(GetDlgItem(d, IDC_SET_PORT));
        click(d, IDCANCEL);
    });
    EXPECT_EQ(before, expectedPorts());
    EXPECT_TRUE(contains(before, "COM10") && contains(before, "COM23"));
    EXPECT_FALSE(contains(before, "COM16") || contains(before, "COM200"));

    // Plugged in while the program runs: there at the next opening.
    ASSERT_TRUE(cable.plugIn());
    runParam(word, delay, [&](HWND d) {
        after = comboItems(GetDlgItem(d, IDC_SET_PORT));
        click(d, IDCANCEL);
    });
    EXPECT_EQ(after, expectedPorts());
    EXPECT_TRUE(contains(after, "COM16") && contains(after, "COM200"));
    EXPECT_EQ(after.size(), before.size() + 2);
}

// Some drivers name their devices at length: the name is cut, and the open
// list is as wide as its longest item, wider than the box.
TEST_F(PortSettings, ALongDeviceNameIsCutAndTheOpenListShowsItWhole)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, serialCommKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const char longName[] = "\\Device\\ProlificUsbSerialAdapter22";
    RegDeleteValueA(key, "\\Device\\Serial22");
    RegSetValueExA(key, longName, 0, REG_SZ, reinterpret_cast<const BYTE *>("COM23"), 6);
    CommSettings word(defaultWord);
    uint32_t delay = 0;
    std::vector<std::string> items;
    LONG listWidth = 0, boxWidth = 0, itemWidth = 0;
    runParam(word, delay, [&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_SET_PORT);
        items = comboItems(combo);
        RECT r;
        GetWindowRect(combo, &r);
        boxWidth = r.right - r.left;
        listWidth = LONG(SendMessageA(combo, CB_GETDROPPEDWIDTH, 0, 0));
        itemWidth = textWidthIn(combo, "COM23 (ProlificUsbSerialAdapte)");
        click(d, IDCANCEL);
    });
    RegDeleteValueA(key, longName);
    RegCloseKey(key);
    ASSERT_TRUE(syncSerialComm());
    EXPECT_TRUE(std::find(items.begin(), items.end(), "COM23 (ProlificUsbSerialAdapte)") != items.end());
    EXPECT_GT(itemWidth, boxWidth);
    EXPECT_GT(listWidth, itemWidth);
}

TEST_F(PortSettings, Com16IsKeptInTheWordAndCom200BesideItAcrossARestart)
{
    {
        Terminal t;
        ASSERT_TRUE(t.ready());
        ModalDriver driver(caption, [&](HWND d) {
            selectPort(d, "COM200");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        ASSERT_TRUE(driver.finish());
    }
    DWORD word = 0, extra = 0;
    ASSERT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word & 0xFu, 15u);
    EXPECT_TRUE(readDword("SetupPort", extra));
    EXPECT_EQ(extra, 200u);

    // The next terminal shows it and chooses COM16: no value left that
    // could override the word.
    Terminal t(word);
    ASSERT_TRUE(t.ready());
    std::string shown;
    ModalDriver driver(caption, [&](HWND d) {
        shown = comboSelection(GetDlgItem(d, IDC_SET_PORT));
        selectPort(d, "COM16");
        click(d, IDOK);
    });
    t.command(IDC_SETUP);
    ASSERT_TRUE(driver.finish());
    EXPECT_EQ(shown, "COM200 (Serial199)");
    ASSERT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word, (defaultWord & ~0xFu) | 15u);
    EXPECT_FALSE(readDword("SetupPort", extra));
}

TEST_F(PortSettings, AStoredPortThatWentAwayIsShownAndAnswersUnableToOpen)
{
    ASSERT_TRUE(cable.pull());
    storeDword("SetupPort", 200);
    Terminal t((defaultWord & ~0xFu) | 15u);
    ASSERT_TRUE(t.ready());
    std::string shown;
    ModalDriver driver(caption, [&](HWND d) {
        shown = comboSelection(GetDlgItem(d, IDC_SET_PORT));
        click(d, IDCANCEL);
    });
    t.command(IDC_SETUP);
    ASSERT_TRUE(driver.finish());
    EXPECT_EQ(shown, "COM200");

    MessageBoxAnswerer answerer(IDOK, 1, 20000);
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Unable to open Comm");
    EXPECT_FALSE(t.client->isPortOpen());
}

struct FlowChoice
{
    const char *label;
    DWORD handshakeBits;   // bits 16-20 of the word
    bool keptBeside;
};

class FlowSettings : public ::testing::TestWithParam<FlowChoice>
{
protected:
    void SetUp() override { removeValue("SetupFlow"); }
    void TearDown() override
    {
        storeDword("Setup", defaultWord);
        removeValue("SetupFlow");
    }
};

// Chosen, stored, shown again by a new terminal, and chosen by "&Default
// Setting" back to the default word with nothing beside it.
TEST_P(FlowSettings, EachChoiceIsStoredAndShownAgain)
{
    const FlowChoice &f = GetParam();
    {
        Terminal t;
        ASSERT_TRUE(t.ready());
        ModalDriver driver(caption, [&](HWND d) {
            selectComboText(d, IDC_SET_FLOW, f.label);
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        ASSERT_TRUE(driver.finish());
    }
    DWORD word = 0, flow = 0;
    ASSERT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word & 0x1F0000u, f.handshakeBits) << f.label;
    EXPECT_EQ(readDword("SetupFlow", flow), f.keptBeside) << f.label;

    Terminal t(word);
    ASSERT_TRUE(t.ready());
    std::string shown;
    std::vector<std::string> items;
    ModalDriver driver(caption, [&](HWND d) {
        shown = comboSelection(GetDlgItem(d, IDC_SET_FLOW));
        items = comboItems(GetDlgItem(d, IDC_SET_FLOW));
        click(d, IDC_SET_DEFAULT);
        click(d, IDOK);
    });
    t.command(IDC_SETUP);
    ASSERT_TRUE(driver.finish());
    EXPECT_EQ(shown, f.label);
    EXPECT_EQ(items, (std::vector<std::string>{"None", "XON/XOFF", "RTS/CTS", "DTR/DSR", "RTS/CTS and DTR/DSR"}));
    ASSERT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word, defaultWord);
    EXPECT_FALSE(readDword("SetupFlow", flow));
}

INSTANTIATE_TEST_SUITE_P(Choices, FlowSettings,
                         ::testing::Values(FlowChoice{"None", 0x000000u, true},
                                           FlowChoice{"XON/XOFF", 0x100000u, true},
                                           FlowChoice{"RTS/CTS", 0x080000u, true},
                                           FlowChoice{"DTR/DSR", 0x020000u, true},
                                           FlowChoice{"RTS/CTS and DTR/DSR", 0x0A0000u, false}),
                         [](const ::testing::TestParamInfo<FlowChoice> &i) { return "Choice" + std::to_string(i.index); });

// Handshake fields set by other means that no choice names: shown as they
// are, and kept through an OK that changes something else.
TEST_F(SettingsDialog, AnUnnamedHandshakeIsShownAndKept)
{
    CommSettings word(defaultWord);
    word.dtrDsrMode = 0;
    word.rtsCtsMode = 1;
    word.xonXoff = 1;
    const DWORD handshake = word.toWord() & 0x1F0000u;
    uint32_t delay = 0;
    std::string shown;
    size_t count = 0;
    int r = runParam(word, delay, [&](HWND d) {
        shown = comboSelection(GetDlgItem(d, IDC_SET_FLOW));
        count = comboItems(GetDlgItem(d, IDC_SET_FLOW)).size();
        selectComboText(d, IDC_SET_BAUD, "19.200");
        click(d, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(shown, "DTR off, RTS on, CTS, XON/XOFF");
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(word.baudIndex, 8u);
    EXPECT_EQ(word.toWord() & 0x1F0000u, handshake);
}

TEST_F(SettingsDialog, TerminalTransferListOffersFourWaysStoresTheChoiceAndDefaultSetsRaw)
{
    removeValue("Transfer");
    Terminal t;
    ASSERT_TRUE(t.ready());
    std::vector<std::string> items;
    std::string first;
    {
        ModalDriver driver(caption, [&](HWND d) {
            HWND list = GetDlgItem(d, IDC_SET_TRANSFER);
            first = comboSelection(list);
            LRESULT n = SendMessageA(list, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < n; ++i) {
                char buf[64] = "";
                SendMessageA(list, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
                items.push_back(buf);
            }
            SendMessageA(list, CB_SETCURSEL, 3, 0);
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    EXPECT_EQ(first, "Raw");
    EXPECT_EQ(items, (std::vector<std::string>{"Raw", "XMODEM", "XMODEM-1K", "YMODEM", "ZMODEM"}));
    DWORD stored = 0;
    EXPECT_TRUE(readDword("Transfer", stored));
    EXPECT_EQ(stored, 3u);
    std::string shown, afterDefault;
    {
        ModalDriver driver(caption, [&](HWND d) {
            shown = comboSelection(GetDlgItem(d, IDC_SET_TRANSFER));
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SET_DEFAULT, BN_CLICKED), LPARAM(GetDlgItem(d, IDC_SET_DEFAULT)));
            afterDefault = comboSelection(GetDlgItem(d, IDC_SET_TRANSFER));
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    EXPECT_EQ(shown, "YMODEM");
    EXPECT_EQ(afterDefault, "Raw");
    EXPECT_TRUE(readDword("Transfer", stored));
    EXPECT_EQ(stored, 0u);
    removeValue("Transfer");
}
