// A receive history that cannot grow, provoked through the terminal's limit
// on it: the terminal keeps running, says so once, goes on showing and
// capturing what arrives, keeps exactly the first bytes for Save, grows
// again after a clear, and ends normally. And a render of the view that
// finds no memory (provoked through the limit on a render): said once, the
// history kept whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::hexDump;

namespace {

const char *const fullCaption = "Buffer Full";
const uint32_t limit = 1000;

// Numbered lines of printable text, so the text view shows them unchanged.
std::vector<unsigned char> lines(int first, int count)
{
    std::string s;
    for (int i = first; i < first + count; ++i)
        s += "line " + std::to_string(10000 + i) + " of the overnight log........\r\n";  // 48 bytes
    return rig::bytesOf(s);
}

std::vector<unsigned char> prefix(const std::vector<unsigned char> &b, size_t n)
{
    return std::vector<unsigned char>(b.begin(), b.begin() + (n < b.size() ? n : b.size()));
}

class HistoryFull : public rig::DataPathTest
{
protected:
    void SetUp() override
    {
        DataPathTest::SetUp();
        term.client->setHistoryLimit(limit);
    }

    // Sends the bytes in blocks, as a device would, and waits until the view
    // shows `shown` characters.
    bool receiveUntilShown(const std::vector<unsigned char> &bytes, size_t shown)
    {
        for (size_t at = 0; at < bytes.size(); at += 300) {
            size_t n = bytes.size() - at < 300 ? bytes.size() - at : 300;
            if (!peer.send(bytes.data() + at, DWORD(n)))
                return false;
        }
        return term.waitFor([&] { return term.viewLength() >= shown; }, 20000);
    }

    int fullNotices(const MessageBoxAnswerer &answerer) const
    {
        int n = 0;
        for (const MessageBoxAnswerer::Box &b : answerer.boxes())
            n += b.caption == fullCaption;
        return n;
    }

    std::string save(const std::string &path)
    {
        MessageBoxAnswerer answerer(IDOK, 1);
        FileDialogDriver driver(path.c_str(), IDYES);
        term.command(IDC_SAVE);
        EXPECT_TRUE(driver.waitDone());
        EXPECT_TRUE(answerer.waitAnswered(1));
        return answerer.text(0) + "|" + answerer.caption(0);
    }
};

} // namespace

TEST_F(HistoryFull, ToldOnceWhileTheViewKeepsEveryByte)
{
    MessageBoxAnswerer answerer(IDOK, 5, 60000);
    std::vector<unsigned char> first = lines(0, 60);  // 2880 bytes
    ASSERT_TRUE(receiveUntilShown(first, first.size()));
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), fullCaption);
    EXPECT_NE(answerer.text(0).find("Save"), std::string::npos) << answerer.text(0);
    EXPECT_NE(answerer.text(0).find("clear"), std::string::npos) << answerer.text(0);
    EXPECT_NE(answerer.text(0).find("capture"), std::string::npos) << answerer.text(0);

    std::vector<unsigned char> more = lines(60, 40);
    std::vector<unsigned char> all = first;
    all.insert(all.end(), more.begin(), more.end());
    ASSERT_TRUE(receiveUntilShown(more, all.size()));
    term.settle(300);

    EXPECT_EQ(term.viewText(), std::string(all.begin(), all.end()));
    EXPECT_EQ(term.history(), prefix(first, limit)) << "the first bytes, none overwritten";
    EXPECT_EQ(term.historyCount(), limit + 1);
    EXPECT_EQ(term.client->arrivalTimes().covered(), limit) << "times for what the history holds";
    EXPECT_EQ(fullNotices(answerer), 1);
    EXPECT_EQ(answerer.answeredCount(), 1);
}

TEST_F(HistoryFull, SaveWritesExactlyTheBytesHeld)
{
    MessageBoxAnswerer answerer(IDOK, 1, 60000);
    std::vector<unsigned char> data = lines(0, 50);
    ASSERT_TRUE(receiveUntilShown(data, data.size()));
    ASSERT_TRUE(answerer.waitAnswered(1));
    std::string path = rig::tempPath("full.bin");
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, prefix(data, limit));
}

TEST_F(HistoryFull, AfterAClearItGrowsAgainAndIsToldAgainOnce)
{
    MessageBoxAnswerer answerer(IDOK, 5, 60000);
    std::vector<unsigned char> data = lines(0, 30);  // 1440 bytes
    ASSERT_TRUE(receiveUntilShown(data, data.size()));
    ASSERT_TRUE(answerer.waitAnswered(1));

    term.command(IDC_CLEAR);
    EXPECT_EQ(term.historyCount(), 0u);
    EXPECT_EQ(term.client->arrivalTimes().covered(), 0u);
    std::vector<unsigned char> small = lines(100, 10);  // 480 bytes: fits
    ASSERT_TRUE(receiveUntilShown(small, small.size()));
    term.settle(200);
    EXPECT_EQ(term.history(), small);
    EXPECT_EQ(term.client->arrivalTimes().covered(), small.size());
    EXPECT_EQ(answerer.answeredCount(), 1);

    std::vector<unsigned char> big = lines(200, 20);
    ASSERT_TRUE(receiveUntilShown(big, small.size() + big.size()));
    ASSERT_TRUE(answerer.waitAnswered(2));
    term.settle(300);
    std::vector<unsigned char> both = small;
    both.insert(both.end(), big.begin(), big.end());
    EXPECT_EQ(term.history(), prefix(both, limit));
    EXPECT_EQ(fullNotices(answerer), 2);
}

TEST_F(HistoryFull, TheCaptureFileKeepsEveryByte)
{
    std::string path = rig::tempPath("capture-full.bin");
    {
        FileDialogDriver driver(path.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.isChecked(IDC_CAPTURE));
    MessageBoxAnswerer answerer(IDOK, 5, 60000);
    std::vector<unsigned char> data = lines(0, 80);
    ASSERT_TRUE(peer.send(data));
    ASSERT_TRUE(answerer.waitAnswered(1, 20000));
    std::vector<unsigned char> file;
    EXPECT_TRUE(term.waitFor([&] { return rig::readFile(path, file) && file.size() >= data.size(); }, 20000));
    term.settle(300);
    EXPECT_EQ(file, data);
    EXPECT_EQ(term.history(), prefix(data, limit));
    EXPECT_EQ(fullNotices(answerer), 1);
    EXPECT_EQ(answerer.answeredCount(), 1);
    term.check(IDC_CAPTURE, false);
}

TEST_F(HistoryFull, TheHexViewRunsOnPastTheFullHistory)
{
    // Its short last lines are completed from what it showed, which the
    // history no longer ends with.
    term.check(IDC_SHOWHEX, true);
    MessageBoxAnswerer answerer(IDOK, 5, 60000);
    std::vector<unsigned char> all;
    for (int part = 0; part < 12; ++part) {
        std::vector<unsigned char> chunk = lines(part * 10, 5);
        chunk.resize(chunk.size() - size_t(part % 7) - 1);  // lengths that end lines short
        all.insert(all.end(), chunk.begin(), chunk.end());
        ASSERT_TRUE(peer.send(chunk));
        ASSERT_TRUE(term.waitFor([&] { return term.viewLength() >= hexDump(all).size(); }, 20000)) << "part " << part;
    }
    term.settle(300);
    EXPECT_EQ(term.viewText(), hexDump(all));
    EXPECT_EQ(term.history(), prefix(all, limit));
    EXPECT_EQ(fullNotices(answerer), 1);
}

TEST_F(HistoryFull, TheProgramEndsNormallyWithDone)
{
    MessageBoxAnswerer answerer(IDOK, 1, 60000);
    std::vector<unsigned char> data = lines(0, 40);
    ASSERT_TRUE(receiveUntilShown(data, data.size()));
    ASSERT_TRUE(answerer.waitAnswered(1));
    PostMessageA(term.dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(term.item(IDCANCEL)));
    EXPECT_TRUE(term.waitFor([&] { return term.app.quitting != 0; }, 5000));
    EXPECT_EQ(term.client->hwnd, nullptr);
}

// Show Hex of a history whose dump does not fit what a render may collect:
// the view shows the beginning that fitted, the operator is told once (the
// chunks after it that do not fit either are not told again), and the
// history keeps every byte for Save.
class RenderShortOfMemory : public rig::DataPathTest
{
};

TEST_F(RenderShortOfMemory, ToldOnceAndTheHistoryKeepsEveryByte)
{
    std::vector<unsigned char> data = lines(0, 60);  // 2880 bytes: 12240 characters in hex
    ASSERT_TRUE(peer.send(data));
    ASSERT_TRUE(term.waitFor([&] { return term.history() == data; }, 20000));

    term.client->setRenderLimit(2000);
    MessageBoxAnswerer answerer(IDOK, 5, 60000);
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Low Memory");
    EXPECT_NE(answerer.text(0).find("Save"), std::string::npos) << answerer.text(0);
    std::string shown = term.viewText();
    EXPECT_GT(shown.size(), 0u);
    EXPECT_LE(shown.size(), 2000u);
    EXPECT_EQ(hexDump(data).compare(0, shown.size(), shown), 0) << "the beginning of the dump";

    std::vector<unsigned char> more = lines(60, 20);  // chunks of up to 511 bytes: more than 2000 in hex
    std::vector<unsigned char> all = data;
    all.insert(all.end(), more.begin(), more.end());
    ASSERT_TRUE(peer.send(more));
    ASSERT_TRUE(term.waitFor([&] { return term.history() == all; }, 20000));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 1);
}
