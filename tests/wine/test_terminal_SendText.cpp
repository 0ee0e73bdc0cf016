#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/DriverThread.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::bytesOf;

namespace {

class SendText : public rig::DataPathTest
{
protected:
    explicit SendText(DWORD delay = 0) : DataPathTest(rig::dataPathDelayed(delay)) {}

    // Sends the send box with "&String" and collects what the peer got.
    std::vector<unsigned char> sendBox(const std::string &text, size_t expect)
    {
        term.setText(IDC_SENDBOX, text);
        term.command(IDC_SENDSTRING);
        term.waitFor([&] { return peer.receivedCount() >= expect; }, 5000);
        return peer.received();
    }
};

class SendTextWithDelay : public SendText
{
protected:
    SendTextWithDelay() : SendText(50) {}
};

} // namespace

TEST_F(SendText, HexEscapeSendsCarriageReturn)
{
    EXPECT_EQ(sendBox("AT\\0D", 3), (std::vector<unsigned char>{0x41, 0x54, 0x0D}));
}

TEST_F(SendText, TwoBackslashesSendOne)
{
    EXPECT_EQ(sendBox("a\\\\b", 3), bytesOf("a\\b"));
}

TEST_F(SendText, EscapedPairSendsItsByte)
{
    EXPECT_EQ(sendBox("\\41", 1), bytesOf("A"));
}

TEST_F(SendText, SingleDigitEscapeAtTheEndSendsItsValue)
{
    EXPECT_EQ(sendBox("x\\4", 2), (std::vector<unsigned char>{'x', 0x04}));
}

TEST_F(SendText, BackslashBeforeNonHexIsSentAsItStands)
{
    EXPECT_EQ(sendBox("\\zz\\", 4), bytesOf("\\zz\\"));
}

TEST_F(SendText, NulEscapeIsSentLikeAnyByte)
{
    EXPECT_EQ(sendBox("a\\00b", 3), (std::vector<unsigned char>{'a', 0, 'b'}));
}

TEST_F(SendText, SendBoxIsSelectedAndFocusedAfterSending)
{
    sendBox("hi", 2);
    DWORD start = 0, end = 0;
    SendMessageA(term.item(IDC_SENDBOX), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(GetFocus(), term.item(IDC_SENDBOX));
}

TEST_F(SendText, EmptySendBoxSendsNothing)
{
    term.setText(IDC_SENDBOX, "");
    term.command(IDC_SENDSTRING);
    term.settle(200);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(SendText, WithoutDelayTheStringGoesOutAtOnce)
{
    double start = rig::nowMs();
    std::vector<unsigned char> got = sendBox("0123456789", 10);
    ASSERT_EQ(got, bytesOf("0123456789"));
    std::vector<double> t = peer.arrivals();
    EXPECT_LT(t.back() - t.front(), 40.0);
    EXPECT_LT(t.back() - start, 500.0);
}

TEST_F(SendTextWithDelay, WithDelayEachByteFollowsTheLastByAtLeastTheDelay)
{
    double start = rig::nowMs();
    term.setText(IDC_SENDBOX, "ABCDE");
    term.command(IDC_SENDSTRING);
    double returned = rig::nowMs();
    // The pause follows the last byte too.
    EXPECT_GE(returned - start, 5 * 50.0 - 5);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 5; }, 3000));
    EXPECT_EQ(peer.received(), bytesOf("ABCDE"));
    std::vector<double> t = peer.arrivals();
    for (size_t i = 1; i < t.size(); ++i)
        EXPECT_GE(t[i] - t[i - 1], 40.0) << "byte " << i;
    EXPECT_GE(t.back() - t.front(), 4 * 50.0 - 10);
}

TEST_F(SendText, Dec65ShowsHexBinAndChar)
{
    term.type(IDC_DECFIELD, "65");
    EXPECT_EQ(term.text(IDC_HEXFIELD), "41");
    EXPECT_EQ(term.text(IDC_BINFIELD), "01000001");
    EXPECT_EQ(term.text(IDC_CHARFIELD), "A");
    EXPECT_EQ(term.text(IDC_DECFIELD), "65");
}

TEST_F(SendText, Dec300ShowsLowByteAndSendsIt)
{
    term.type(IDC_DECFIELD, "300");
    EXPECT_EQ(term.text(IDC_HEXFIELD), "12C");
    EXPECT_EQ(term.text(IDC_BINFIELD), "00101100");
    EXPECT_EQ(term.text(IDC_CHARFIELD), ",");
    term.command(IDC_SENDBYTE);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 1; }, 3000));
    EXPECT_EQ(peer.received(), (std::vector<unsigned char>{0x2C}));
}

TEST_F(SendText, ClearingCharSetsTheOthersToZero)
{
    term.type(IDC_CHARFIELD, "A");
    EXPECT_EQ(term.text(IDC_DECFIELD), "65");
    term.type(IDC_CHARFIELD, "");
    EXPECT_EQ(term.text(IDC_DECFIELD), "0");
    EXPECT_EQ(term.text(IDC_HEXFIELD), "00");
    EXPECT_EQ(term.text(IDC_BINFIELD), "00000000");
}

TEST_F(SendText, LowerCaseHexSetsDec)
{
    term.type(IDC_HEXFIELD, "ff");
    EXPECT_EQ(term.text(IDC_DECFIELD), "255");
    EXPECT_EQ(term.text(IDC_BINFIELD), "11111111");
}

TEST_F(SendText, BinSetsTheFieldsToItsLeftAndRight)
{
    term.type(IDC_BINFIELD, "1000010");
    EXPECT_EQ(term.text(IDC_HEXFIELD), "42");
    EXPECT_EQ(term.text(IDC_DECFIELD), "66");
    EXPECT_EQ(term.text(IDC_CHARFIELD), "B");
}

TEST_F(SendText, EnterInAByteFieldSendsTheDecByte)
{
    term.type(IDC_HEXFIELD, "7E");
    PostMessageA(term.dialog(), PWM_EDITENTER, IDC_HEXFIELD, 0);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 1; }, 3000));
    EXPECT_EQ(peer.received(), (std::vector<unsigned char>{0x7E}));
}

TEST_F(SendText, EditEnterFromTheSendBoxSendsTheString)
{
    term.setText(IDC_SENDBOX, "ok");
    PostMessageA(term.dialog(), PWM_EDITENTER, IDC_SENDBOX, 0);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 2; }, 3000));
    EXPECT_EQ(peer.received(), bytesOf("ok"));
}

TEST(SendTextClosedPort, AnsweringNoSendsNothingAndKeepsThePortClosed)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    ASSERT_TRUE(term.ready());
    term.setText(IDC_SENDBOX, "never");
    MessageBoxAnswerer answerer(IDNO);
    term.command(IDC_SENDSTRING);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Do you want to open now?");
    EXPECT_EQ(answerer.caption(0), "Comm is not opened");
    EXPECT_FALSE(term.client->isPortOpen());
    term.settle(200);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST(SendTextClosedPort, AnsweringYesOpensThePortAndSends)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    ASSERT_TRUE(term.ready());
    term.setText(IDC_SENDBOX, "now");
    MessageBoxAnswerer answerer(IDYES);
    term.command(IDC_SENDSTRING);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_TRUE(term.client->isPortOpen());
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 3; }, 3000));
    EXPECT_EQ(peer.received(), bytesOf("now"));
}

namespace {

// The settings' "Line End", stored as the dialog's "&OK" stores it.
class SendTextLineEnd : public SendText, public ::testing::WithParamInterface<std::pair<DWORD, std::vector<unsigned char>>>
{
protected:
    void SetUp() override
    {
        rig::storeDword("LineEnd", GetParam().first);
        SendText::SetUp();
    }
    void TearDown() override { rig::removeValue("LineEnd"); }
};

} // namespace

// "A", a line break, "B" as the peer gets it with each end; an escape stays
// a byte of its own and never counts as a break.
TEST_P(SendTextLineEnd, EachLineOfTheBoxEndsWithIt)
{
    const std::vector<unsigned char> &expected = GetParam().second;
    EXPECT_EQ(sendBox("A\r\nB\\0D", expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, SendTextLineEnd,
    ::testing::Values(std::make_pair(DWORD(0), std::vector<unsigned char>{'A', 0x0D, 0x0A, 'B', 0x0D}),
                      std::make_pair(DWORD(1), std::vector<unsigned char>{'A', 0x0D, 'B', 0x0D, 0x0D}),
                      std::make_pair(DWORD(2), std::vector<unsigned char>{'A', 0x0A, 'B', 0x0D, 0x0A}),
                      std::make_pair(DWORD(3), std::vector<unsigned char>{'A', 0x0D, 0x0A, 'B', 0x0D, 0x0D, 0x0A})));

// A byte sent with "&Byte" never gets the line end.
TEST_F(SendText, ByteGoesOutWithoutTheLineEnd)
{
    rig::storeDword("LineEnd", 3);
    term.type(IDC_DECFIELD, "65");
    term.command(IDC_SENDBYTE);
    term.settle(200);
    rig::removeValue("LineEnd");
    EXPECT_EQ(peer.received(), bytesOf("A"));
}

namespace {

class SendTextWithLongDelay : public SendText
{
protected:
    SendTextWithLongDelay() : SendText(2000) {}
};

// The operator during a long paced send: the peer speaks while it runs, the
// terminal is asked to answer every 50 ms, and "&Abort" is pressed one
// second after the progress dialog came up.
class PacedSendOperator : public DriverThread
{
public:
    PacedSendOperator(HWND terminal, SerialPeer &peer, rig::Spy &spy)
        : DriverThread(30000), terminal(terminal), peer(peer)
    {
        spy.onProgressShown = &PacedSendOperator::onShown;
        spy.onProgressArg = this;
        start();
    }
    ~PacedSendOperator() override { stop(); }

    volatile HWND progress = nullptr;
    volatile DWORD abortedAt = 0;
    volatile DWORD longestReply = 0;

private:
    static void onShown(HWND dialog, void *arg) { static_cast<PacedSendOperator *>(arg)->progress = dialog; }

    void run() override
    {
        while (!progress && !stopped(5))
            if (expired())
                return;
        DWORD shownAt = GetTickCount();
        bool spoke = false;
        while (GetTickCount() - shownAt < 1000 && !stopped(50)) {
            if (!spoke && GetTickCount() - shownAt >= 300)
                spoke = peer.send(std::string("ping"));
            DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(terminal, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            if (GetTickCount() - start > longestReply)
                longestReply = GetTickCount() - start;
        }
        abortedAt = GetTickCount();
        HWND dialog = progress;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDC_PROG_ABORT)));
    }

    HWND terminal;
    SerialPeer &peer;
};

} // namespace

// Ten bytes two seconds apart would hold the window twenty seconds: the send
// runs under the progress dialog, the window answers and receives, and
// "&Abort" ends it at once with the first byte sent and nothing after.
TEST_F(SendTextWithLongDelay, LongPausedSendRunsWithProgressAndAborts)
{
    rig::Spy spy;
    PacedSendOperator op(term.dialog(), peer, spy);
    term.setText(IDC_SENDBOX, "0123456789");
    term.command(IDC_SENDSTRING);
    DWORD endedAt = GetTickCount();
    spy.onProgressShown = nullptr;
    ASSERT_NE(op.abortedAt, 0u);
    EXPECT_LT(endedAt - op.abortedAt, 500u);
    EXPECT_LT(op.longestReply, 500u);
    EXPECT_EQ(spy.progressDialogs, 1);
    term.settle(300);
    EXPECT_EQ(peer.received(), bytesOf("0"));
    EXPECT_EQ(term.history(), bytesOf("ping"));
}

// A short one goes on the spot as before, without a dialog.
TEST_F(SendTextWithDelay, ShortPausedSendShowsNoProgress)
{
    rig::Spy spy;
    sendBox("ABC", 3);
    EXPECT_EQ(spy.progressDialogs, 0);
}
