#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

namespace {

std::string escaped(int from, int to)
{
    std::string s;
    char buf[4];
    for (int b = from; b < to; ++b) {
        snprintf(buf, sizeof buf, "\\%02X", b);
        s += buf;
    }
    return s;
}

} // namespace

TEST(RoundTrip, EveryByteValueSurvivesSendEchoHistorySaveAndCapture)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer echo("COM9", SerialPeer::echoing);
    ASSERT_TRUE(term.ready());
    ASSERT_TRUE(echo.isOpen());
    ASSERT_TRUE(term.openPort());

    std::vector<unsigned char> all(256);
    for (int b = 0; b < 256; ++b)
        all[size_t(b)] = (unsigned char)b;

    std::string cap = rig::tempPath("roundtrip-capture.bin");
    {
        FileDialogDriver driver(cap.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.isChecked(IDC_CAPTURE));

    // The send box holds at most 499 characters: two halves of 128 escapes.
    term.setText(IDC_SENDBOX, escaped(0, 128));
    term.command(IDC_SENDSTRING);
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= 128; }));
    term.setText(IDC_SENDBOX, escaped(128, 256));
    term.command(IDC_SENDSTRING);
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= 256; }));

    EXPECT_EQ(echo.received(), all);
    EXPECT_EQ(term.history(), all);

    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(cap, file));
    EXPECT_EQ(file, all);

    std::string saved = rig::tempPath("roundtrip-saved.bin");
    {
        MessageBoxAnswerer answerer(IDOK);
        FileDialogDriver driver(saved.c_str(), IDYES);
        term.command(IDC_SAVE);
        ASSERT_TRUE(driver.waitDone());
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.text(0), "File Saved");
    }
    ASSERT_TRUE(rig::readFile(saved, file));
    EXPECT_EQ(file, all);

    term.check(IDC_CAPTURE, false);
    EXPECT_EQ(term.history(), all);
    ASSERT_TRUE(rig::readFile(cap, file));
    EXPECT_EQ(file, all);
}
