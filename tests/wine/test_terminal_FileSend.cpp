#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::bytesOf;

namespace {

std::vector<unsigned char> pattern(size_t n)
{
    std::vector<unsigned char> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = (unsigned char)((i * 131 + i / 256) & 0xFF);
    return b;
}

class FileSend : public ::testing::Test
{
protected:
    explicit FileSend(DWORD delay = 0) : term(rig::dataPathDelayed(delay)) {}

    void SetUp() override
    {
        ASSERT_TRUE(term.ready());
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term.openPort());
    }

    std::string makeFile(const char *name, const std::vector<unsigned char> &bytes)
    {
        std::string path = rig::tempPath(name);
        EXPECT_TRUE(rig::writeFile(path, bytes));
        return path;
    }

    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    rig::Spy spy;
};

class FileSendWithDelay : public FileSend
{
protected:
    FileSendWithDelay() : FileSend(10) {}
};


} // namespace

TEST_F(FileSend, FileOf1300BytesGoesOutIn512512276AndReportsSuccess)
{
    std::vector<unsigned char> data = pattern(1300);
    std::string path = makeFile("f1300.bin", data);
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "File Transfered");
    EXPECT_EQ(answerer.caption(0), "Success");
    std::vector<std::string> steps;
    for (const std::string &t : spy.progressTexts)
        if (t.find("Sending file...") == 0)
            steps.push_back(t);
    EXPECT_EQ(steps, (std::vector<std::string>{"Sending file...\n\rbyte 512 of 1300", "Sending file...\n\rbyte 1024 of 1300",
                                               "Sending file...\n\rbyte 1300 of 1300"}));
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 1300; }, 5000));
    EXPECT_EQ(peer.received(), data);
}

TEST_F(FileSend, EmptyFileShowsNoProgressAndNoMessage)
{
    std::string path = makeFile("empty.bin", {});
    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_EQ(spy.progressDialogs, 0);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(FileSend, CancelledDialogSendsNothing)
{
    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    FileDialogDriver driver(nullptr);
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    term.settle(200);
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(FileSend, AbortDuringTheFirstChunkReportsACorruptTransfer)
{
    std::vector<unsigned char> data = pattern(1300);
    std::string path = makeFile("abort.bin", data);
    spy.abortOnShow = true;
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Transfer aborted\r\nFile may be corrupted!");
    EXPECT_EQ(answerer.caption(0), "Error");
    term.settle(300);
    // The chunk under way was sent; nothing after it.
    EXPECT_EQ(peer.received(), std::vector<unsigned char>(data.begin(), data.begin() + 512));
}

TEST_F(FileSendWithDelay, DelayAnsweredYesSendsByteByByte)
{
    std::string path = makeFile("three.bin", bytesOf("xyz"));
    // Yes to the delay question, then OK to the success box.
    MessageBoxAnswerer answerer(IDYES, 2);
    FileDialogDriver driver(path.c_str());
    double start = rig::nowMs();
    term.command(IDC_SENDFILE);
    double took = rig::nowMs() - start;
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(2));
    EXPECT_EQ(answerer.text(0), "Delay is not null!\r\nDo you want to use it anywhere?");
    EXPECT_EQ(answerer.caption(0), "Warning");
    EXPECT_EQ(answerer.text(1), "File Transfered");
    EXPECT_GE(took, 30.0);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 3; }, 3000));
    EXPECT_EQ(peer.received(), bytesOf("xyz"));
    std::vector<double> t = peer.arrivals();
    EXPECT_GE(t[1] - t[0], 5.0);
    EXPECT_GE(t[2] - t[1], 5.0);
}

TEST_F(FileSendWithDelay, DelayQuestionCancelledSendsNothing)
{
    std::string path = makeFile("cancel.bin", bytesOf("abc"));
    MessageBoxAnswerer answerer(IDCANCEL, 2, 5000);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 1);
    EXPECT_EQ(peer.receivedCount(), 0u);
    EXPECT_EQ(spy.progressDialogs, 0);
}

namespace {

struct NestedTry {
    HWND dialog;
    bool sendButtonsDisabled = true;
    int tries = 0;
    static void onShown(HWND, void *arg)
    {
        NestedTry *n = static_cast<NestedTry *>(arg);
        if (n->tries++ > 0)
            return;
        for (int id : {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE})
            if (IsWindowEnabled(GetDlgItem(n->dialog, id)))
                n->sendButtonsDisabled = false;
        // Every way of starting another send, as the pump would deliver it.
        PostMessageA(n->dialog, WM_COMMAND, MAKEWPARAM(IDC_SENDFILE, BN_CLICKED), 0);
        PostMessageA(n->dialog, WM_COMMAND, MAKEWPARAM(IDC_SENDSTRING, BN_CLICKED), 0);
        PostMessageA(n->dialog, WM_COMMAND, MAKEWPARAM(IDC_SENDBYTE, BN_CLICKED), 0);
        PostMessageA(n->dialog, PWM_EDITENTER, IDC_DECFIELD, 0);
    }
};

} // namespace

TEST_F(FileSend, SecondSendDuringATransferIsRefusedSoStreamsNeverMix)
{
    std::vector<unsigned char> data = pattern(6000);
    std::string path = makeFile("nested.bin", data);
    term.setText(IDC_SENDBOX, "INTERLOPER");
    term.setText(IDC_DECFIELD, "33");
    NestedTry nested;
    nested.dialog = term.dialog();
    spy.onProgressShown = &NestedTry::onShown;
    spy.onProgressArg = &nested;
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "File Transfered");
    // A second file dialog would mean a nested transfer: none must come.
    FileDialogDriver second(nullptr, IDOK, 2000);
    term.settle(500);
    spy.onProgressShown = nullptr;
    EXPECT_FALSE(second.sawDialog());
    EXPECT_TRUE(nested.sendButtonsDisabled);
    EXPECT_EQ(peer.received(), data);
    for (int id : {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE})
        EXPECT_TRUE(IsWindowEnabled(term.item(id))) << id;
}

TEST_F(FileSend, ReceptionContinuesDuringATransfer)
{
    std::vector<unsigned char> data = pattern(20000);
    std::string path = makeFile("duplex.bin", data);
    struct Talk {
        SerialPeer *peer;
        int n = 0;
        static void onShown(HWND, void *arg)
        {
            Talk *t = static_cast<Talk *>(arg);
            if (t->n++ == 0)
                t->peer->send(std::string("back"));
        }
    } talk;
    talk.peer = &peer;
    spy.onProgressShown = &Talk::onShown;
    spy.onProgressArg = &talk;
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(answerer.waitAnswered(1));
    spy.onProgressShown = nullptr;
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= 4; }, 5000));
    EXPECT_EQ(term.history(), bytesOf("back"));
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= data.size(); }, 5000));
    EXPECT_EQ(peer.received(), data);
}
