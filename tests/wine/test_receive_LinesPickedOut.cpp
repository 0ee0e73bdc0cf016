#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "terminal/receive/HighlightDialog.h"
#include "terminal/receive/HighlightRules.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/TerminalRig.h"

using rig::bytesOf;

using rig::linesOf;
using rig::timeOfLine;

namespace {

std::string storedText(const char *name)
{
    char buf[1024] = "";
    DWORD size = sizeof buf - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buf), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::string(buf) : std::string();
}

// What the tests store is gone before and after each.
struct CleanValues
{
    explicit CleanValues(DWORD pauseMs)
    {
        clean();
        rig::storeDword("PauseNewLine", pauseMs);
    }
    ~CleanValues() { clean(); }
    static void clean()
    {
        for (const char *name : {"PauseNewLine", "HighlightRules", "ShowTime", "AnsiColours"})
            rig::removeValue(name);
    }
};

class LinesPickedOut : public ::testing::Test
{
protected:
    explicit LinesPickedOut(DWORD pauseMs = 0) : values(pauseMs) {}

    void SetUp() override { start(); }
    void start()
    {
        term.reset(new rig::Terminal(rig::dataPath));
        ASSERT_TRUE(term->ready());
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term->openPort());
    }
    bool receive(const std::string &s) { return term->receiveFrom(peer, s); }
    void letPass(double ms)
    {
        double until = rig::nowMs() + ms;
        term->waitFor([&] { return rig::nowMs() >= until; }, DWORD(ms) + 5000);
    }
    // Packets with 50 ms of silence between them.
    void receivePackets(const std::vector<std::string> &packets)
    {
        for (const std::string &p : packets) {
            ASSERT_TRUE(receive(p));
            letPass(50);
        }
    }
    // The pixel rows of the view that show the colour somewhere, once some
    // do (shown) or none does (!shown): the screen shows a repaint a moment
    // after the view has made it.
    std::vector<int> rowsOf(COLORREF colour, bool shown = true)
    {
        std::vector<int> rows;
        term->waitFor([&] {
            UpdateWindow(term->view());
            rows = rig::rowsWith(rig::captureClient(term->view()), colour, 20);
            return rows.empty() != shown;
        }, 3000);
        return rows;
    }

    CleanValues values;
    std::unique_ptr<rig::Terminal> term;
    SerialPeer peer{"COM9", SerialPeer::listening};
};

class PauseOf20 : public LinesPickedOut
{
protected:
    PauseOf20() : LinesPickedOut(20) {}
};

const COLORREF red = HighlightRules::background(0);
const COLORREF green = HighlightRules::background(2);

} // namespace

// A rule is found in the middle of a line and lights that line only; a line
// that holds two rules' texts takes the first rule's colour; the rules are
// kept and work again after a restart.
TEST_F(LinesPickedOut, RulesLightTheirLinesTheFirstWinsAndTheyOutliveARestart)
{
    rig::ModalDriver fill("Highlight Rules", [](HWND d) {
        SetDlgItemTextA(d, HighlightDialog::textId(0), "ERROR");
        CheckDlgButton(d, HighlightDialog::caseId(0), BST_CHECKED);
        rig::selectComboText(d, HighlightDialog::colourId(0), "Red");
        SetDlgItemTextA(d, HighlightDialog::textId(1), "boot");
        rig::selectComboText(d, HighlightDialog::colourId(1), "Green");
        Sleep(100);
        rig::click(d, IDOK);
    });
    term->client->commandRules();
    ASSERT_TRUE(fill.finish());
    term->pump();
    EXPECT_EQ(storedText("HighlightRules"), "HR1:c005ERRORi204boot");

    ASSERT_TRUE(receive("fine\r\nboot: ERROR in the middle\r\nerror, not the case\r\n"));
    std::vector<int> lit = rowsOf(red);
    ASSERT_FALSE(lit.empty());
    // The second line only: below the first, one line high.
    EXPECT_GE(lit.front(), 8);
    EXPECT_LT(lit.back() - lit.front(), 24);
    EXPECT_TRUE(rowsOf(green, false).empty());
    // Re-rendered (Show Hex off and on, times shown): lit the same.
    term->check(IDC_SHOWHEX, true);
    EXPECT_TRUE(rowsOf(red, false).empty());
    term->check(IDC_SHOWHEX, false);
    EXPECT_EQ(rowsOf(red), lit);

    term.reset();
    start();
    ASSERT_TRUE(receive("booting\r\n"));
    EXPECT_FALSE(rowsOf(green).empty());
    std::string shown;
    rig::ModalDriver read("Highlight Rules", [&](HWND d) {
        char text[80] = "";
        GetDlgItemTextA(d, HighlightDialog::textId(0), text, sizeof text);
        shown = std::string(text) + (IsDlgButtonChecked(d, HighlightDialog::caseId(0)) ? " case " : " any ") +
                rig::comboSelection(GetDlgItem(d, HighlightDialog::colourId(0)));
        rig::click(d, IDCANCEL);
    });
    term->client->commandRules();
    ASSERT_TRUE(read.finish());
    EXPECT_EQ(shown, "ERROR case Red");
}

// Packets 50 ms apart with a pause of 20 ms: each on its own line with its
// own time, in text and in hex (labelled with the running offset), live and
// re-rendered alike.
TEST_F(PauseOf20, EachPacketHasItsOwnLineAndTimeInTextAndHex)
{
    term->client->commandTime();
    term->pump();
    receivePackets({"AB", "CDE", "F"});
    std::vector<std::string> text = linesOf(term->viewText());
    ASSERT_EQ(text.size(), 3u) << term->viewText();
    const char *packets[] = {"AB", "CDE", "F"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(text[i].substr(13), packets[i]);
        ASSERT_GE(timeOfLine(text[i]), 0);
        if (i) {
            EXPECT_GE(timeOfLine(text[i]) - timeOfLine(text[i - 1]), 30) << i;
        }
    }

    term->check(IDC_SHOWHEX, true);
    receivePackets({"GHIJKLMNOPQ"});
    std::vector<std::string> hex = linesOf(term->viewText());
    ASSERT_EQ(hex.size(), 5u) << term->viewText();
    const char *labels[] = {"000000 4142 ", "000002 434445 ", "000005 46 ", "000006 4748494A4B4C4D4E ",
                            "00000E 4F5051 "};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(hex[i].substr(13, std::string(labels[i]).size()), labels[i]) << hex[i];
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(hex[i].substr(0, 13), text[i].substr(0, 13));

    term->check(IDC_SHOWHEX, false);
    std::vector<std::string> again = linesOf(term->viewText());
    ASSERT_EQ(again.size(), 4u) << term->viewText();
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(again[i], text[i]);
    EXPECT_EQ(again[3], hex[3].substr(0, 13) + "GHIJKLMNOPQ");
    // With ANSI Colours the text goes through the escape reader: the same lines.
    term->client->commandColours();
    term->pump();
    EXPECT_EQ(linesOf(term->viewText()), again);
    term->client->commandColours();
    term->pump();
    // The history keeps the bytes as they came.
    std::vector<unsigned char> h = term->history();
    EXPECT_EQ(std::string(h.begin(), h.end()), "ABCDEFGHIJKLMNOPQ");
}

// At the default 0 the same packets run on in one line, as ever.
TEST_F(LinesPickedOut, WithoutAPausePacketsRunOnAsEver)
{
    receivePackets({"AB", "CDE", "F"});
    EXPECT_EQ(term->viewText(), "ABCDEF");
    term->check(IDC_SHOWHEX, true);
    EXPECT_EQ(linesOf(term->viewText()).size(), 1u);
}
