// The stored commands on F1 to F12: the "Commands" dialog through a restart,
// the keys and the Send menu as the far end of the cable sees them, and the
// ways a repeat ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "terminal/send/CommandsDialog.h"
#include "terminal/send/StoredCommands.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "win/PEdit.h"

namespace {

struct Row
{
    unsigned key;   // 0: F1
    std::string name, text;
    uint32_t every;
};

void storeCommands(const std::vector<Row> &rows)
{
    StoredCommands c;
    for (const Row &r : rows)
        c.set(r.key, r.name.data(), uint32_t(r.name.size()), r.text.data(), uint32_t(r.text.size()), r.every);
    std::vector<unsigned char> form(c.storedSize());
    form.resize(c.store(form.data(), uint32_t(form.size())));
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Commands", 0, REG_BINARY, form.data(), DWORD(form.size()));
    RegCloseKey(key);
}

std::string fieldText(HWND dialog, int id)
{
    std::vector<char> buf(20000, '\0');
    int n = GetDlgItemTextA(dialog, id, buf.data(), int(buf.size()));
    return std::string(buf.data(), n > 0 ? size_t(n) : 0);
}

// How many times text occurs in bytes.
size_t occurrences(const std::vector<unsigned char> &bytes, const std::string &text)
{
    std::string all(bytes.begin(), bytes.end());
    size_t n = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
        ++n;
    return n;
}

class Commands : public ::testing::Test
{
protected:
    Commands() { clear(); }
    ~Commands() override
    {
        term.reset();
        clear();
    }
    static void clear()
    {
        rig::removeValue("Commands");
        rig::removeValue("LineEnd");
    }

    void start()
    {
        term.reset();
        rig::dropQuit();
        term.reset(new rig::Terminal(rig::dataPath));
        ASSERT_TRUE(term->ready());
    }
    HWND frame() const { return term->frame->hwnd; }
    void choose(UINT id) { SendMessageA(frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // The key pressed with the focus in the send box, as an operator would.
    void key(unsigned row)
    {
        HWND box = term->item(IDC_SENDBOX);
        SetForegroundWindow(frame());
        SetFocus(box);
        term->waitFor([&] { return GetFocus() == box; }, 3000);
        pressKey(BYTE(VK_F1 + row));
        term->settle(30);
    }
    std::string sendMenuItem(unsigned position)
    {
        SendMessageA(frame(), WM_INITMENUPOPUP, WPARAM(GetSubMenu(term->menuBar(), 4)), 0);
        char text[200] = "";
        GetMenuStringA(GetSubMenu(term->menuBar(), 4), position, text, sizeof text, MF_BYPOSITION);
        return text;
    }

    SerialPeer peer{"COM9", SerialPeer::listening};
    std::unique_ptr<rig::Terminal> term;
};

} // namespace

// Every row's fields come after its key's label, name, text and repeat in
// turn; what "&OK" keeps is there after a restart, a 1,500-character text
// whole, and the rows with a text are on the Send menu.
TEST_F(Commands, DialogKeepsTheRowsThroughARestart)
{
    const std::string longText(1500, 'L');
    start();
    std::vector<int> order;
    rig::ModalDriver fill("Commands", [&](HWND d) {
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            order.push_back(GetDlgCtrlID(c));
        SetDlgItemTextA(d, CommandsDialog::nameField(0), "Hello & bye");
        SetDlgItemTextA(d, CommandsDialog::textField(0), "AT\\0D");
        SetDlgItemTextA(d, CommandsDialog::textField(1), "PING");
        SetDlgItemTextA(d, CommandsDialog::repeatField(1), "250");
        SetDlgItemTextA(d, CommandsDialog::textField(11), longText.c_str());
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    choose(IDM_SEND_COMMANDS);
    ASSERT_TRUE(fill.finish());
    for (unsigned r = 0; r < StoredCommands::rows; ++r) {
        auto at = std::find(order.begin(), order.end(), IDC_CMD_KEY + 4 * int(r));
        ASSERT_TRUE(at != order.end() && order.end() - at > 3) << "F" << r + 1;
        EXPECT_EQ(at[1], CommandsDialog::nameField(r));
        EXPECT_EQ(at[2], CommandsDialog::textField(r));
        EXPECT_EQ(at[3], CommandsDialog::repeatField(r));
    }

    start();
    EXPECT_EQ(sendMenuItem(3), "Hello && bye\tF1");
    EXPECT_EQ(sendMenuItem(4), "PING\tF2");
    EXPECT_EQ(sendMenuItem(5), std::string(64, 'L') + "\tF12");
    std::string name, text, repeat, emptyRepeat, last;
    rig::ModalDriver read("Commands", [&](HWND d) {
        name = fieldText(d, CommandsDialog::nameField(0));
        text = fieldText(d, CommandsDialog::textField(0));
        repeat = fieldText(d, CommandsDialog::repeatField(1));
        emptyRepeat = fieldText(d, CommandsDialog::repeatField(0));
        last = fieldText(d, CommandsDialog::textField(11));
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    choose(IDM_SEND_COMMANDS);
    ASSERT_TRUE(read.finish());
    EXPECT_EQ(name, "Hello & bye");
    EXPECT_EQ(text, "AT\\0D");
    EXPECT_EQ(repeat, "250");
    EXPECT_EQ(emptyRepeat, "");
    EXPECT_EQ(last, longText);
}

// F1 sends its text with the escapes decoded and the settings' line end
// after it; a 1,200-character text goes whole; a row's menu item sends as
// its key; an empty row's key sends nothing.
TEST_F(Commands, KeysSendTheirRowsAsThePeerSeesThem)
{
    const std::string longText(1200, 'x');
    storeCommands({{0, "probe", "AT+X=\\41", 0}, {6, "", longText, 0}});
    rig::storeDword("LineEnd", 2);   // LF
    start();
    ASSERT_TRUE(term->openPort());
    key(0);
    ASSERT_TRUE(term->waitFor([&] { return peer.receivedCount() >= 7; }, 3000));
    key(6);
    ASSERT_TRUE(term->waitFor([&] { return peer.receivedCount() >= 7 + 1201; }, 5000));
    choose(IDM_SEND_ROW + 0);
    ASSERT_TRUE(term->waitFor([&] { return peer.receivedCount() >= 7 + 1201 + 7; }, 3000));
    key(4);
    term->settle(300);
    EXPECT_EQ(peer.received(), rig::bytesOf("AT+X=A\n" + longText + "\nAT+X=A\n"));
    EXPECT_EQ(term->client->sentCount(), 7u + 1201u + 7u);
}

// A row repeating every 200 ms goes out at least four times in a second,
// each counted as sent, until it is stopped: by its key again, by "&Stop
// Repeating", or by the port's closing (it does not come back with the
// port).
TEST_F(Commands, RepeatsUntilStopped)
{
    storeCommands({{1, "ping", "PING", 200}});
    start();
    const struct
    {
        const char *how;
        std::function<void()> stop;
    } ways[] = {
        {"key", [&] { key(1); }},
        {"menu", [&] { choose(IDM_SEND_STOP); }},
        {"port", [&] { term->command(IDC_OPENCOMM); ASSERT_TRUE(term->openPort()); }},
    };
    for (const auto &way : ways) {
        ASSERT_TRUE(term->openPort()) << way.how;
        peer.forget();
        uint64_t sentBefore = term->client->sentCount();
        double from = SerialPeer::nowMs();
        key(1);
        ASSERT_TRUE(term->waitFor([&] { return peer.receivedCount() >= 4; }, 2000)) << way.how;
        std::vector<double> at = peer.arrivals();
        EXPECT_LT(at[3] - from, 1000.0) << way.how;
        EXPECT_TRUE(term->client->commandKeys().repeating(1)) << way.how;
        way.stop();
        EXPECT_FALSE(term->client->commandKeys().repeating(1)) << way.how;
        term->settle(50);
        size_t stopped = peer.receivedCount();
        term->settle(500);
        EXPECT_EQ(peer.receivedCount(), stopped) << way.how;
        EXPECT_EQ(stopped % 4, 0u) << way.how;
        EXPECT_EQ(occurrences(peer.received(), "PING") * 4, stopped) << way.how;
        if (std::string(way.how) != "port") {
            EXPECT_EQ(term->client->sentCount() - sentBefore, stopped) << way.how;
        }
    }
}
