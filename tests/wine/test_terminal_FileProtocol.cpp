// Files by XMODEM, XMODEM-1K, YMODEM and ZMODEM through the terminal's
// "&File": to lrzsz's receivers (rx, rb, rz) started on the far end of the cable, and to a
// receiver of the test's own there.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "terminal/settings/TransferProtocol.h"
#include "terminal/transfer/XmodemSender.h"
#include "tests/wine/helpers/FarEndProgram.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::bytesOf;

namespace {

const unsigned char EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;

std::vector<unsigned char> pattern(size_t n)
{
    return SerialPeer::pattern(n, unsigned(n));
}

// The file as an XMODEM receiver stores it: whole blocks, the last one
// filled with ^Z; 1024-byte blocks while more than 128 bytes are left.
std::vector<unsigned char> padded(const std::vector<unsigned char> &file, size_t largest)
{
    std::vector<unsigned char> out;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t left = file.size() - pos;
        size_t block = left <= 128 ? 128 : largest;
        size_t n = left < block ? left : block;
        out.insert(out.end(), file.begin() + pos, file.begin() + pos + n);
        out.insert(out.end(), block - n, 0x1A);
        pos += n;
    }
    return out;
}

std::string lastProgress(const rig::Spy &spy)
{
    return spy.progressTexts.empty() ? std::string() : spy.progressTexts.back();
}

class ProtocolSend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(term.ready());
        ASSERT_TRUE(term.openPort());
    }
    void TearDown() override { rig::removeValue("Transfer"); }

    void use(TransferProtocol protocol) { rig::storeDword("Transfer", DWORD(protocol)); }

    std::string makeFile(const char *name, const std::vector<unsigned char> &bytes)
    {
        std::string path = rig::tempPath(name);
        EXPECT_TRUE(rig::writeFile(path, bytes));
        return path;
    }

    // Sends the file by "&File" and answers the box that tells the outcome;
    // returns the box's text.
    std::string send(const std::string &path, DWORD deadlineMs = 150000)
    {
        MessageBoxAnswerer answerer(IDOK, 1, deadlineMs);
        FileDialogDriver driver(path.c_str());
        term.command(IDC_SENDFILE);
        EXPECT_TRUE(driver.waitDone());
        EXPECT_TRUE(answerer.waitAnswered(1, deadlineMs));
        return answerer.text(0);
    }

    // Runs once the transfer waits for the receiver (its progress dialog
    // comes up), so that the receiver's first start request is heard.
    void onceWaiting(std::function<void()> action)
    {
        whenWaiting = std::move(action);
        spy.onProgressShown = [](HWND, void *arg) {
            ProtocolSend *self = static_cast<ProtocolSend *>(arg);
            std::function<void()> act;
            act.swap(self->whenWaiting);
            if (act)
                act();
        };
        spy.onProgressArg = this;
    }
    // Starts lrzsz's receiver at the far end once the transfer waits.
    void startOnProgress(const std::string &command)
    {
        onceWaiting([this, command] { farEnd.reset(new rig::FarEndProgram("COM9", command)); });
    }

    rig::Terminal term{rig::dataPath};
    rig::Spy spy;
    std::function<void()> whenWaiting;
    std::unique_ptr<rig::FarEndProgram> farEnd;
};

} // namespace

// Outside the unnamed namespace: a parameter type of a test may not be in it.
struct Receiver
{
    const char *label;
    TransferProtocol protocol;
    const char *command;   // lrzsz's receiver; rx writes received.bin
    size_t largestBlock;   // 0: YMODEM, which names and sizes the file
};

inline void PrintTo(const Receiver &r, std::ostream *os) { *os << r.label; }

class ProtocolSendToLrzsz : public ProtocolSend,
                            public ::testing::WithParamInterface<std::tuple<Receiver, size_t>>
{
};

TEST_P(ProtocolSendToLrzsz, FileArrivesExactAndNothingOfTheProtocolIsShown)
{
    const Receiver &r = std::get<0>(GetParam());
    size_t size = std::get<1>(GetParam());
    std::vector<unsigned char> data = SerialPeer::pattern(size, unsigned(size) + 7);
    std::string name = std::string("sent-") + r.label + "-" + std::to_string(size) + ".bin";
    std::string path = rig::tempPath(name.c_str());
    ASSERT_TRUE(rig::writeFile(path, data));
    use(r.protocol);
    // The end is left unanswered now and then (lrzsz flushes its last
    // answer away as it exits), and rb here often takes only the second
    // closing block: tried twice, 1.5 s apart, which is still more than the
    // second of quiet lrzsz waits for after an EOT.
    XmodemSender::Timing quickEnd = XmodemSender::standardTiming;
    quickEnd.endWaitMs = 1500;
    quickEnd.endTries = 2;
    term.client->setProtocolTiming(quickEnd);
    startOnProgress(r.command);
    double start = rig::nowMs();
    // lrzsz's receivers flush their last answer away as they exit, now and
    // then before it reaches the line: then the end is said unconfirmed.
    std::string outcome = send(path);
    double took = rig::nowMs() - start;
    EXPECT_EQ(outcome.substr(0, 15), "File Transfered") << outcome;
    if (outcome != "File Transfered")
        std::printf("[ outcome ] %s\n", outcome.c_str());
    ASSERT_TRUE(farEnd && farEnd->started());
    ASSERT_TRUE(term.waitFor([&] { return farEnd->exited(); }, 20000)) << farEnd->log();
    EXPECT_EQ(farEnd->exitStatus(), 0) << farEnd->log();
    std::vector<unsigned char> got;
    if (r.largestBlock == 0) {
        ASSERT_TRUE(rig::readFile(farEnd->path(name.c_str()), got)) << farEnd->log();
        EXPECT_TRUE(got == data) << "received " << got.size() << " of " << size;
    } else {
        ASSERT_TRUE(rig::readFile(farEnd->path("received.bin"), got)) << farEnd->log();
        EXPECT_TRUE(got == padded(data, r.largestBlock)) << "received " << got.size() << " for " << size;
    }
    EXPECT_EQ(lastProgress(spy), "Sending file...\n\rbyte " + std::to_string(size) + " of " + std::to_string(size));
    // Nothing of the session shows, rz's closing line end included.
    term.settle(100);
    EXPECT_EQ(term.history().size(), 0u) << rig::hexDump(term.history());
    if (size >= 1048576)
        std::printf("[ figure ] %s, %zu bytes: %.0f ms\n", r.label, size, took);
}

const size_t edgeSizes[] = {0, 1, 127, 128, 129, 1023, 1024, 1025};

INSTANTIATE_TEST_SUITE_P(
    LargeBlocks, ProtocolSendToLrzsz,
    ::testing::Combine(::testing::Values(Receiver{"ymodem", TransferProtocol::ymodem, "rb -y", 0},
                                         Receiver{"xmodem1k", TransferProtocol::xmodem1k, "rx -c -y received.bin", 1024}),
                       ::testing::Values(edgeSizes[0], edgeSizes[1], edgeSizes[2], edgeSizes[3], edgeSizes[4],
                                         edgeSizes[5], edgeSizes[6], edgeSizes[7], size_t(1048576))));

// 128-byte blocks take 8 times the answers: a megabyte would take a minute
// here, so 40000 bytes (313 blocks, the block number wraps) stand in for it.
INSTANTIATE_TEST_SUITE_P(
    SmallBlocks, ProtocolSendToLrzsz,
    ::testing::Combine(::testing::Values(Receiver{"xmodemCrc", TransferProtocol::xmodem, "rx -c -y received.bin", 128},
                                         Receiver{"xmodemChecksum", TransferProtocol::xmodem, "rx -y received.bin", 128}),
                       ::testing::Values(edgeSizes[0], edgeSizes[1], edgeSizes[2], edgeSizes[3], edgeSizes[4],
                                         edgeSizes[5], edgeSizes[6], edgeSizes[7], size_t(40000))));

// ZMODEM streams: a megabyte takes seconds, so it stands with the edges.
INSTANTIATE_TEST_SUITE_P(
    Streamed, ProtocolSendToLrzsz,
    ::testing::Combine(::testing::Values(Receiver{"zmodem", TransferProtocol::zmodem, "rz -y", 0}),
                       ::testing::Values(edgeSizes[0], edgeSizes[1], edgeSizes[6], edgeSizes[7], size_t(100000),
                                         size_t(1048576))));

namespace {

// A receiver of the test's own at the far end (COM9), on a thread: it prints
// a line as a loader does, asks for CRC blocks with "C", refuses the first
// try of every block, and either takes the file and prints a line after its
// end, or cancels once it has taken cancelAfter blocks.
class ScriptedReceiver : public DriverThread
{
public:
    // Doubled "C"s, which are also start requests, are text here.
    static constexpr const char *greeting = "Erase SUCCESS, ready for XMODEM\r\n";
    static constexpr const char *farewell = "\r\nDone\r\n";

    explicit ScriptedReceiver(int cancelAfter = -1) : DriverThread(60000), cancelAfter(cancelAfter) { start(); }
    ~ScriptedReceiver() override { stop(); }

    bool waitEnded(DWORD ms) { return join(ms); }
    std::vector<unsigned char> data() const
    {
        Hold h(*this);
        return got;
    }
    // How often each block came, by block number.
    std::vector<int> tries() const
    {
        Hold h(*this);
        return sends;
    }

private:
    void run() override
    {
        peer.send(std::string(greeting));
        peer.send(std::string("C"));
        int taken = 0;
        while (!stopped(0) && !expired()) {
            std::vector<unsigned char> head = peer.receive(1, 100);
            if (head.empty())
                continue;
            if (head[0] == EOT) {
                peer.send(std::vector<unsigned char>{ACK});
                peer.send(std::string(farewell));
                return;
            }
            if (head[0] != 0x01 && head[0] != 0x02)
                continue;
            size_t size = head[0] == 0x02 ? 1024 : 128;
            std::vector<unsigned char> rest = peer.receive(size + 4, 3000);
            if (rest.size() != size + 4 || rest[0] + rest[1] != 255)
                continue;
            size_t number = rest[0];
            bool first;
            {
                Hold h(*this);
                if (sends.size() <= number)
                    sends.resize(number + 1, 0);
                first = sends[number]++ == 0;
            }
            if (first) {
                peer.send(std::vector<unsigned char>{NAK});
                continue;
            }
            if (cancelAfter >= 0 && taken == cancelAfter) {
                peer.send(std::vector<unsigned char>{CAN, CAN, CAN});
                return;
            }
            {
                Hold h(*this);
                got.insert(got.end(), rest.begin() + 2, rest.begin() + 2 + long(size));
            }
            ++taken;
            peer.send(std::vector<unsigned char>{ACK});
        }
    }

    int cancelAfter;
    SerialPeer peer{"COM9"};
    std::vector<unsigned char> got;
    std::vector<int> sends;
};

// Presses "&Abort" on the progress dialog, from a thread of its own, once
// the bar has passed a position.
class AbortAfter : public DriverThread
{
public:
    explicit AbortAfter(int position) : DriverThread(120000), position(position) { start(); }
    ~AbortAfter() override { stop(); }
    bool pressed() const
    {
        Hold h(*this);
        return done;
    }

private:
    static BOOL CALLBACK findBar(HWND w, LPARAM p)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId() && GetDlgItem(w, IDC_PROG_BAR) && GetDlgItem(w, IDC_PROG_ABORT)) {
            *reinterpret_cast<HWND *>(p) = w;
            return FALSE;
        }
        return TRUE;
    }
    void run() override
    {
        while (!stopped() && !expired()) {
            HWND dialog = nullptr;
            EnumWindows(findBar, LPARAM(&dialog));
            if (!dialog)
                continue;
            DWORD_PTR pos = 0;
            SendMessageTimeoutA(GetDlgItem(dialog, IDC_PROG_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &pos);
            if (int(pos) >= position) {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), 0);
                Hold h(*this);
                done = true;
                return;
            }
        }
    }

    int position;
    bool done = false;
};

} // namespace

TEST_F(ProtocolSend, RefusedFirstTriesAreSentAgainAndTheLoaderTextIsShown)
{
    std::vector<unsigned char> data = pattern(3000);
    std::string path = makeFile("refused.bin", data);
    use(TransferProtocol::xmodem1k);
    std::unique_ptr<ScriptedReceiver> receiver;
    onceWaiting([&] { receiver.reset(new ScriptedReceiver); });
    EXPECT_EQ(send(path), "File Transfered");
    ASSERT_TRUE(receiver);
    ASSERT_TRUE(receiver->waitEnded(5000));
    EXPECT_TRUE(receiver->data() == padded(data, 1024));
    EXPECT_EQ(receiver->tries(), (std::vector<int>{0, 2, 2, 2}));
    std::string shown = std::string(ScriptedReceiver::greeting) + ScriptedReceiver::farewell;
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= shown.size(); }, 5000));
    EXPECT_EQ(term.history(), bytesOf(shown));
}

TEST_F(ProtocolSend, ReceiverThatCancelsPartWayIsSaid)
{
    std::string path = makeFile("cancelled.bin", pattern(5000));
    use(TransferProtocol::xmodem);
    std::unique_ptr<ScriptedReceiver> receiver;
    onceWaiting([&] { receiver.reset(new ScriptedReceiver(2)); });
    EXPECT_EQ(send(path), "Transfer cancelled by the receiver");
    ASSERT_TRUE(receiver);
    EXPECT_EQ(receiver->data().size(), 256u);
    term.settle(200);
    EXPECT_EQ(term.history(), bytesOf(ScriptedReceiver::greeting));
}

TEST_F(ProtocolSend, NoReceiverIsSaidAfterTheWaitAndNothingIsSent)
{
    SerialPeer peer{"COM9", SerialPeer::listening};
    std::string path = makeFile("unheard.bin", pattern(300));
    use(TransferProtocol::ymodem);
    XmodemSender::Timing shortWait = XmodemSender::standardTiming;
    shortWait.startWaitMs = 1500;
    term.client->setProtocolTiming(shortWait);
    double start = rig::nowMs();
    EXPECT_EQ(send(path), "No answer from the receiver\r\nIs it waiting for the file?");
    EXPECT_GE(rig::nowMs() - start, 1500.0);
    term.settle(200);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(ProtocolSend, AbortWhileWaitingSendsTheCancelSequence)
{
    SerialPeer peer{"COM9", SerialPeer::listening};
    std::string path = makeFile("waiting.bin", pattern(300));
    use(TransferProtocol::xmodem);
    spy.abortOnShow = true;
    EXPECT_EQ(send(path), "Transfer aborted\r\nFile may be corrupted!");
    // The cancel goes twice: a receiver may clear its input just after the first.
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 16; }, 5000));
    term.settle(200);
    EXPECT_EQ(peer.received(), std::vector<unsigned char>(16, CAN));
}

TEST_F(ProtocolSend, AbortPartWayLeavesRbReportingTheCancel)
{
    std::vector<unsigned char> data = SerialPeer::pattern(1048576, 3);
    std::string path = makeFile("aborted.bin", data);
    use(TransferProtocol::ymodem);
    startOnProgress("rb -y");
    AbortAfter abort(65536);
    EXPECT_EQ(send(path), "Transfer aborted\r\nFile may be corrupted!");
    EXPECT_TRUE(abort.pressed());
    ASSERT_TRUE(farEnd && farEnd->started());
    ASSERT_TRUE(term.waitFor([&] { return farEnd->exited(); }, 20000)) << farEnd->log();
    EXPECT_NE(farEnd->exitStatus(), 0);
    std::string log = farEnd->log();
    for (char &c : log)
        c = char(tolower((unsigned char)c));
    EXPECT_NE(log.find("cancel"), std::string::npos) << farEnd->log().substr(0, 400);
}
