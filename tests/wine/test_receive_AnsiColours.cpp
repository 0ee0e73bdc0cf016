#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/FarEndProgram.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/helpers/TerminalRig.h"

using rig::bytesOf;

namespace {

// How many pixels of the view show exactly this colour.
size_t pixelsOf(HWND view, COLORREF colour)
{
    rig::Capture shot = rig::captureClient(view);
    size_t n = 0;
    for (int y = 0; y < shot.cy; ++y)
        for (int x = 0; x < shot.cx; ++x)
            n += shot.colorAt(x, y) == colour;
    return n;
}

// A background of the view's own is a whole block of pixels; a coloured
// character cell gives well over a handful.
const size_t cellPixels = 20;

const COLORREF standardGreen = RGB(0, 205, 0);    // 42
const COLORREF paletteRed = RGB(255, 0, 0);       // 48;5;196
const COLORREF trueBlue = RGB(10, 20, 200);       // 48;2;10;20;200
const COLORREF brightYellow = RGB(255, 255, 0);   // 103

class AnsiColours : public rig::DataPathTest
{
protected:
    void SetUp() override
    {
        DataPathTest::SetUp();
        term.client->commandColours();
        term.pump();
        ASSERT_TRUE(term.client->showsColours());
    }
    void TearDown() override
    {
        // The choice is kept in the registry: the next test starts without.
        if (term.client->showsColours())
            term.client->commandColours();
    }
    // The view painted shows the colour (or none of it), once it has
    // repainted.
    bool shows(COLORREF colour, bool present = true)
    {
        return term.waitFor(
            [&] {
                UpdateWindow(term.view());
                size_t n = pixelsOf(term.view(), colour);
                return present ? n > cellPixels : n == 0;
            },
            3000);
    }
    bool viewHolds(const std::string &s, DWORD ms = 10000)
    {
        return term.waitFor([&] { return term.viewText().find(s) != std::string::npos; }, ms);
    }
};

// A shell on the far end's pseudo-terminal prints what consoles print: each
// SGR form, cursor moves and clears, a title string, a charset switch, and
// the colours of ls and grep.
TEST_F(AnsiColours, WhatAShellPrintsShowsInColourWithoutItsSequences)
{
    std::string script = rig::tempPath("ansi-shell.sh");
    std::string lines =
        "mkdir -p listing/subdir && touch listing/plainfile\n"
        "printf 'a\\033[31mR\\033[1;4;7mX\\033[22;24;27m\\033[39;49m\\033[mN\\033[38;5;82mF\\033[38;2;1;2;3mT"
        "\\033[2J\\033[1;1H\\033[K\\033]0;title\\007\\033]2;t\\033\\\\\\033(B\\033[0mZ\\r\\n'\n"
        "printf '\\033[42m    \\033[0m|\\033[48;5;196m    \\033[0m|\\033[48;2;10;20;200m    \\033[49m|"
        "\\033[103m    \\033[0m\\r\\n'\n"
        "ls --color=always listing\n"
        "printf 'ERROR here\\nfine\\n' | grep --color=always ERROR\n"
        "printf 'END\\r\\n'\n";
    ASSERT_TRUE(rig::writeFile(script, bytesOf(lines)));
    rig::FarEndProgram shell("COM9", "/bin/sh " + rig::unixPath(script));
    ASSERT_TRUE(shell.started());
    ASSERT_TRUE(viewHolds("END")) << term.viewText() << shell.log();

    std::string shown = term.viewText();
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_NE(shown.find("aRXNFTZ\r\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("    |    |    |    \r\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("subdir"), std::string::npos) << shown;
    EXPECT_NE(shown.find("ERROR here"), std::string::npos) << shown;
    // The history and so Save keep every byte as it came.
    std::vector<unsigned char> h = term.history();
    EXPECT_NE(std::string(h.begin(), h.end()).find("\x1b[48;5;196m"), std::string::npos);

    for (COLORREF c : {standardGreen, paletteRed, trueBlue, brightYellow})
        EXPECT_TRUE(shows(c)) << std::hex << c;

    // Hex shows the sequences as bytes; back in text, and with times, the
    // colours are there again.
    term.check(IDC_SHOWHEX, true);
    EXPECT_NE(term.viewText().find("1B5B"), std::string::npos);
    EXPECT_TRUE(shows(standardGreen, false));
    term.check(IDC_SHOWHEX, false);
    EXPECT_EQ(term.viewText(), shown);
    EXPECT_TRUE(shows(paletteRed));
    term.client->commandTime();
    term.pump();
    EXPECT_EQ(term.viewText().find('\x1b'), std::string::npos);
    EXPECT_TRUE(shows(trueBlue));
    term.client->commandTime();
    term.pump();

    // Off again: the sequences show as they came.
    term.client->commandColours();
    term.pump();
    EXPECT_NE(term.viewText().find('\x1b'), std::string::npos);
    EXPECT_TRUE(shows(standardGreen, false));
}

TEST_F(AnsiColours, SequenceSplitAcrossChunksAndOneThatNeverEnds)
{
    ASSERT_TRUE(receive("x\x1b[4"));
    EXPECT_EQ(term.viewText(), "x");
    ASSERT_TRUE(receive("2m    \x1b[0m|"));
    EXPECT_EQ(term.viewText(), "x    |");
    EXPECT_TRUE(shows(standardGreen));
    std::string endless = "\x1b[" + std::string(70, '1');
    ASSERT_TRUE(receive(endless + "\r\n"));
    EXPECT_EQ(term.viewText(), "x    |" + endless + "\r\n");
}

} // namespace
