// Show Sent: what the terminal sends, among what it receives, on lines of its
// own in dark blue, live and after every re-render; Save and the capture
// file hold the received bytes only.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "terminal/receive/ReceiveRenderer.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/TerminalRig.h"

using rig::bytesOf;

using rig::linesOf;
using rig::timeOfLine;

namespace {

const COLORREF sentColour = ReceiveRenderer::sentColour;
const COLORREF black = RGB(0, 0, 0);

class ShowSent : public ::testing::Test
{
protected:
    ShowSent()
    {
        for (const char *name : {"ShowSent", "ShowTime", "AnsiColours", "LineEnd", "PauseNewLine"})
            rig::removeValue(name);
    }
    ~ShowSent() override
    {
        term.reset();
        for (const char *name : {"ShowSent", "ShowTime"})
            rig::removeValue(name);
    }
    void SetUp() override
    {
        term.reset(new rig::Terminal(rig::dataPath));
        ASSERT_TRUE(term->ready());
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term->openPort());
    }
    bool receive(const std::string &s) { return term->receiveFrom(peer, s); }
    // The send box's text, as "&String" sends it; true once the peer has it.
    bool sendText(const std::string &s)
    {
        size_t before = peer.receivedCount();
        term->type(IDC_SENDBOX, s);
        term->command(IDC_SENDSTRING);
        return term->waitFor([&] { return peer.receivedCount() >= before + s.size(); });
    }
    // The pixel rows of the view's left part (clear of its scroll bar) that
    // show the colour, once some do (shown) or none does (!shown): the
    // screen shows a repaint a moment after the view has made it.
    std::vector<int> rowsOf(COLORREF colour, bool shown = true)
    {
        std::vector<int> rows;
        term->waitFor([&] {
            UpdateWindow(term->view());
            // The glyphs are smoothed: a row shows few pixels of the exact colour.
            rows = rig::rowsWith(rig::captureClient(term->view()), colour, 0, 200);
            return rows.empty() != shown;
        }, 3000);
        return rows;
    }
    std::string received()
    {
        std::vector<unsigned char> h = term->history();
        return std::string(h.begin(), h.end());
    }

    std::unique_ptr<rig::Terminal> term;
    SerialPeer peer{"COM9", SerialPeer::listening};
};

} // namespace

// "AT" sent, "OK" answered: two lines in that order, the send in dark blue
// above the answer in black; off again, the view is exactly what came.
TEST_F(ShowSent, ASendAndItsAnswerShowInOrderInTheirColoursAndOffAgainOnlyWhatCame)
{
    term->client->commandSent();
    term->pump();
    ASSERT_TRUE(term->client->showsSent());
    DWORD stored = 0;
    EXPECT_TRUE(rig::readDword("ShowSent", stored));
    EXPECT_EQ(stored, 1u);

    ASSERT_TRUE(sendText("AT"));
    ASSERT_TRUE(receive("OK\r\n"));
    EXPECT_EQ(term->viewText(), "AT\r\nOK\r\n");
    std::vector<int> blue = rowsOf(sentColour), dark = rowsOf(black);
    ASSERT_FALSE(blue.empty());
    ASSERT_FALSE(dark.empty());
    EXPECT_LT(blue.back(), dark.front());

    term->client->commandSent();
    term->pump();
    EXPECT_EQ(term->viewText(), "OK\r\n");
    EXPECT_TRUE(rowsOf(sentColour, false).empty());
    EXPECT_TRUE(rig::readDword("ShowSent", stored));
    EXPECT_EQ(stored, 0u);
    EXPECT_EQ(received(), "OK\r\n");
}

// A received line that a send cuts goes on after it on a line of its own:
// with times every line has its own, in hex the sent bytes are dump lines of
// their own and the received offsets count received bytes only.
TEST_F(ShowSent, ACutLineGoesOnAfterTheSendWithTimesAndInHex)
{
    term->client->commandSent();
    term->client->commandTime();
    term->pump();
    ASSERT_TRUE(receive("abc"));
    ASSERT_TRUE(sendText("X"));
    ASSERT_TRUE(receive("def\r\n"));
    std::vector<std::string> lines = linesOf(term->viewText());
    ASSERT_EQ(lines.size(), 3u) << term->viewText();
    const char *bodies[] = {"abc", "X", "def"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(rig::timeOfLine(lines[i]) >= 0) << lines[i];
        EXPECT_EQ(lines[i].substr(13), bodies[i]);
    }

    term->check(IDC_SHOWHEX, true);
    std::vector<std::string> hex = linesOf(term->viewText());
    ASSERT_EQ(hex.size(), 3u) << term->viewText();
    const char *dumps[] = {"000000 616263 ", "000000 58 ", "000003 6465660D0A "};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(hex[i].substr(0, 13), lines[i].substr(0, 13)) << i;
        EXPECT_EQ(hex[i].substr(13, std::string(dumps[i]).size()), dumps[i]) << hex[i];
    }
    // Live in hex too: the next received bytes go on at offset 8.
    ASSERT_TRUE(sendText("Y"));
    ASSERT_TRUE(receive("g"));
    hex = linesOf(term->viewText());
    ASSERT_EQ(hex.size(), 5u) << term->viewText();
    EXPECT_EQ(hex[3].substr(13, 10), "000000 59 ");
    EXPECT_EQ(hex[4].substr(13, 10), "000008 67 ");

    term->check(IDC_SHOWHEX, false);
    term->client->commandTime();
    term->pump();
    EXPECT_EQ(term->viewText(), "abc\r\nX\r\ndef\r\nY\r\ng");
    term->client->commandSent();
    term->pump();
    EXPECT_EQ(term->viewText(), "abcdef\r\ng");
}

// While capturing the view stays empty, sent lines included; the capture
// file and the history (what Save writes) hold the received bytes only, and
// the view shows both sides once the capture ends.
TEST_F(ShowSent, CaptureAndHistoryHoldTheReceivedBytesOnly)
{
    term->client->commandSent();
    term->pump();
    std::string path = rig::tempPath("showsent-capture.bin");
    DeleteFileA(path.c_str());
    {
        FileDialogDriver driver("showsent-capture.bin");
        term->check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term->client->isCapturing());
    ASSERT_TRUE(receive("one\r\n"));
    ASSERT_TRUE(sendText("AT"));
    ASSERT_TRUE(receive("two\r\n"));
    EXPECT_EQ(term->viewLength(), 0u);
    term->check(IDC_CAPTURE, false);
    term->pump();
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(std::string(file.begin(), file.end()), "one\r\ntwo\r\n");
    EXPECT_EQ(received(), "one\r\ntwo\r\n");
    EXPECT_EQ(term->viewText(), "one\r\nAT\r\ntwo\r\n");
    DeleteFileA(path.c_str());
}

// A file sent raw is one line naming it and its size; a flood with sends
// among it keeps every received byte in its order, the sends only between
// chunks; Clear forgets the sends with the rest.
TEST_F(ShowSent, AFileIsOneLineAndAFloodKeepsEveryByteAroundTheSends)
{
    term->client->commandSent();
    term->pump();
    std::string path = rig::tempPath("sent-300.bin");
    ASSERT_TRUE(rig::writeFile(path, std::vector<unsigned char>(300, 'z')));
    {
        MessageBoxAnswerer answerer(IDOK);
        FileDialogDriver driver(path.c_str());
        term->command(IDC_SENDFILE);
        ASSERT_TRUE(driver.waitDone());
        ASSERT_TRUE(answerer.waitAnswered(1));
    }
    EXPECT_EQ(term->viewText(), "File sent-300.bin, 300 bytes\r\n");
    DeleteFileA(path.c_str());
    term->command(IDC_CLEAR);

    std::string flood;
    char line[64];
    for (int i = 0; i < 3000; ++i) {
        snprintf(line, sizeof line, "line %05d abcdefghijklmnopqrstuvwxyz\r\n", i);
        flood += line;
    }
    ASSERT_TRUE(peer.startFlood(bytesOf(flood), 512));
    int sends = 0;
    while (term->history().size() < flood.size() && sends < 40) {
        term->type(IDC_SENDBOX, "PING");
        term->command(IDC_SENDSTRING);
        ++sends;
        term->settle(20);
    }
    ASSERT_TRUE(peer.waitFlood(20000));
    ASSERT_TRUE(term->waitFor([&] { return term->history().size() >= flood.size(); }, 20000));
    EXPECT_EQ(received(), flood);
    std::string shown = term->viewText(), bare, expected;
    size_t pings = 0;
    for (size_t at = shown.find("PING"); at != std::string::npos; at = shown.find("PING", at + 4))
        ++pings;
    EXPECT_GT(pings, 1u);
    EXPECT_LE(pings, size_t(sends));
    for (const std::string &l : linesOf(shown))
        if (l != "PING")
            bare += l;
    for (const std::string &l : linesOf(flood))
        expected += l;
    EXPECT_EQ(bare, expected);

    term->command(IDC_CLEAR);
    term->client->commandSent();
    term->client->commandSent();
    term->pump();
    EXPECT_EQ(term->viewLength(), 0u);
}
