// Files received by "&Receive File..." from lrzsz's senders (sx, sb, sz) run
// on the far end of the cable: exact, under the sender's names made safe,
// into the "Receive into" folder; an abort or a pulled cable leaves no half
// file behind.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "terminal/settings/TransferProtocol.h"
#include "tests/wine/helpers/FarEndProgram.h"
#include "tests/wine/helpers/PullableCable.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

namespace {

const unsigned char CAN = 0x18;

// Random bytes with every value, led by the runs a ZMODEM or XMODEM link
// must escape or must not take for a cancel or a start.
std::vector<unsigned char> hardBytes(size_t n, unsigned seed)
{
    std::vector<unsigned char> b = SerialPeer::pattern(n, seed);
    const unsigned char lead[] = {CAN, CAN, CAN, CAN, CAN, CAN, 0x11, 0x13, 0x91, 0x93, 0x0D, 0x8D,
                                  '*', '*', CAN, 'B', '0', '0', 0x10, 0x90, 0x7F, 0xFF, 0x00, 0x1A};
    for (size_t i = 0; i < sizeof lead && i < n; ++i)
        b[i] = lead[i];
    for (size_t i = 0; i < 256 && sizeof lead + i < n; ++i)
        b[sizeof lead + i] = (unsigned char)i;
    return b;
}

bool fileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names of the files in a folder.
std::vector<std::string> namesIn(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

// Runs an action from a thread of its own once the progress dialog says
// it has a number of bytes (an operator pressing "&Abort", a cable pulled).
class AtProgress : public DriverThread
{
public:
    AtProgress(unsigned long bytes, std::function<void(HWND)> action)
        : DriverThread(60000), bytes(bytes), action(std::move(action))
    {
        start();
    }
    ~AtProgress() override { stop(); }
    bool done() const
    {
        Hold h(*this);
        return acted;
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
    // The count in "Receiving NAME\n\rbyte N" (of M).
    static unsigned long shownBytes(HWND dialog)
    {
        char text[600] = "";
        DWORD_PTR n = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, IDC_PROG_TEXT), WM_GETTEXT, sizeof text, LPARAM(text), SMTO_NORMAL,
                            1000, &n);
        text[sizeof text - 1] = '\0';
        const char *at = strstr(text, "byte ");
        return at ? strtoul(at + 5, nullptr, 10) : 0;
    }
    void run() override
    {
        while (!stopped(2) && !expired()) {
            HWND dialog = nullptr;
            EnumWindows(findBar, LPARAM(&dialog));
            if (dialog && shownBytes(dialog) >= bytes) {
                action(dialog);
                Hold h(*this);
                acted = true;
                return;
            }
        }
    }

    unsigned long bytes;
    std::function<void(HWND)> action;
    bool acted = false;
};

void pressAbort(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), 0);
}

class FileReceive : public ::testing::Test
{
protected:
    explicit FileReceive(DWORD setup = rig::dataPath.setup) : term(rig::Stored{setup, 0, false}) {}

    void SetUp() override
    {
        static int runs = 0;
        inbox = rig::tempPath(("inbox-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs)).c_str());
        source = inbox + "-source";
        CreateDirectoryA(inbox.c_str(), nullptr);
        CreateDirectoryA(source.c_str(), nullptr);
        rig::storeText("ReceiveFolder", inbox);
        ASSERT_TRUE(term.ready());
    }
    void TearDown() override
    {
        rig::removeValue("Transfer");
        rig::removeValue("ReceiveFolder");
        rig::removeValue("ZmodemAutoStart");
    }

    void use(TransferProtocol protocol) { rig::storeDword("Transfer", DWORD(protocol)); }

    // A file for the far end to send; its Linux path.
    std::string offer(const std::string &name, const std::vector<unsigned char> &bytes)
    {
        std::string path = source + "\\" + name;
        EXPECT_TRUE(rig::writeFile(path, bytes));
        return "'" + rig::unixPath(path) + "'";
    }
    // The far end's program starts once the receive waits for it.
    void startOnProgress(const std::string &command, const std::string &pty = std::string())
    {
        toStart = command;
        toStartPty = pty;
        spy.onProgressShown = [](HWND, void *arg) {
            FileReceive *self = static_cast<FileReceive *>(arg);
            if (!self->toStart.empty() && !self->farEnd)
                self->farEnd.reset(new rig::FarEndProgram("COM9", self->toStart, self->toStartPty));
        };
        spy.onProgressArg = this;
    }
    // "&Receive File..." with the box that tells the outcome answered; its text.
    std::string receive(DWORD deadlineMs = 60000)
    {
        MessageBoxAnswerer answerer(IDOK, 1, deadlineMs);
        term.command(IDM_FILE_RECEIVE);
        EXPECT_TRUE(answerer.waitAnswered(1, deadlineMs));
        return answerer.text(0);
    }
    bool farEndEnded()
    {
        return farEnd && term.waitFor([&] { return farEnd->exited(); }, 20000);
    }
    std::vector<unsigned char> received(const std::string &name)
    {
        std::vector<unsigned char> got;
        EXPECT_TRUE(rig::readFile(inbox + "\\" + name, got)) << name;
        return got;
    }

    rig::Terminal term;
    rig::Spy spy;
    std::string inbox, source;
    std::string toStart, toStartPty;
    std::unique_ptr<rig::FarEndProgram> farEnd;
};

} // namespace

struct Batch
{
    const char *label;
    TransferProtocol protocol;
    const char *sender;
    const char *shown;   // sz announces itself with "rz\r" before its session, as text
};

inline void PrintTo(const Batch &b, std::ostream *os) { *os << b.label; }

class BatchReceive : public FileReceive, public ::testing::WithParamInterface<Batch>
{
};

// Every size the issue names in one batch, each under its own name; nothing
// of the protocol shows in the view.
TEST_P(BatchReceive, EverySizeArrivesExactUnderItsName)
{
    const Batch &b = GetParam();
    const size_t sizes[] = {0, 1, 128, 1024, 1025, 100000, 1048576};
    std::vector<std::vector<unsigned char>> files;
    std::string command = b.sender;
    for (size_t size : sizes) {
        files.push_back(hardBytes(size, unsigned(size) + 3));
        command += " " + offer("f" + std::to_string(size) + ".bin", files.back());
    }
    use(b.protocol);
    ASSERT_TRUE(term.openPort());
    startOnProgress(command);
    EXPECT_EQ(receive(), "7 Files Received");
    ASSERT_TRUE(farEndEnded());
    EXPECT_EQ(farEnd->exitStatus(), 0) << farEnd->log();
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<unsigned char> got = received("f" + std::to_string(sizes[i]) + ".bin");
        EXPECT_TRUE(got == files[i]) << "f" << sizes[i] << ": " << got.size() << " bytes";
    }
    EXPECT_EQ(namesIn(inbox).size(), files.size());
    term.settle(200);
    EXPECT_EQ(term.history(), rig::bytesOf(b.shown)) << rig::hexDump(term.history());
}

INSTANTIATE_TEST_SUITE_P(Senders, BatchReceive,
                         ::testing::Values(Batch{"ymodem", TransferProtocol::ymodem, "sb", ""},
                                           Batch{"zmodem", TransferProtocol::zmodem, "sz", "rz"}));

struct Single
{
    const char *label;
    TransferProtocol protocol;
    const char *sender;
    size_t size;
};

inline void PrintTo(const Single &s, std::ostream *os) { *os << s.label; }

class XmodemReceive : public FileReceive, public ::testing::WithParamInterface<Single>
{
};

// XMODEM carries no name: the save dialog asks for one, in the folder
// received files go to; the file keeps the sender's ^Z padding.
TEST_P(XmodemReceive, SaveDialogNamesTheFileInTheReceiveFolder)
{
    const Single &s = GetParam();
    std::vector<unsigned char> data = hardBytes(s.size, unsigned(s.size) + 11);
    use(s.protocol);
    ASSERT_TRUE(term.openPort());
    startOnProgress(std::string(s.sender) + " " + offer("x.bin", data));
    FileDialogDriver driver("chosen.bin");
    EXPECT_EQ(receive(), "File Received");
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(driver.folder(), inbox);
    ASSERT_TRUE(farEndEnded());
    EXPECT_EQ(farEnd->exitStatus(), 0) << farEnd->log();
    std::vector<unsigned char> got = received("chosen.bin");
    ASSERT_GE(got.size(), data.size());
    EXPECT_TRUE(std::vector<unsigned char>(got.begin(), got.begin() + long(data.size())) == data);
    EXPECT_EQ(got.size() % 128, 0u);
    EXPECT_LT(got.size() - data.size(), 1024u);
    for (size_t i = data.size(); i < got.size(); ++i)
        ASSERT_EQ(got[i], 0x1A) << "padding at " << i;
    term.settle(200);
    EXPECT_EQ(term.history().size(), 0u) << "bytes shown";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, XmodemReceive,
    ::testing::Values(Single{"crc1", TransferProtocol::xmodem, "sx", 1}, Single{"crc128", TransferProtocol::xmodem, "sx", 128},
                      Single{"crc1025", TransferProtocol::xmodem, "sx", 1025},
                      Single{"k1024", TransferProtocol::xmodem1k, "sx -k", 1024},
                      Single{"k100000", TransferProtocol::xmodem1k, "sx -k", 100000}));

// A name taken in the folder gets " (1)" and the file there stays; the
// sender's folders and the characters Windows forbids do not reach the disk.
TEST_F(FileReceive, TakenAndUnsafeNamesAreMadeSafe)
{
    std::vector<unsigned char> old = rig::bytesOf("kept as it was");
    ASSERT_TRUE(rig::writeFile(inbox + "\\exists.txt", old));
    std::vector<unsigned char> fresh = hardBytes(3000, 5);
    std::vector<unsigned char> odd = rig::bytesOf("odd name\n");
    use(TransferProtocol::zmodem);
    ASSERT_TRUE(term.openPort());
    // -f sends the path as given, folder included.
    startOnProgress("(mkdir -p sub && printf 'odd name\\n' > 'sub/we:ird?.txt' && cp " + offer("exists.txt", fresh) +
                    " . && exec sz -f exists.txt 'sub/we:ird?.txt')");
    EXPECT_EQ(receive(), "2 Files Received");
    ASSERT_TRUE(farEndEnded());
    EXPECT_EQ(farEnd->exitStatus(), 0) << farEnd->log();
    EXPECT_TRUE(received("exists.txt") == old);
    EXPECT_TRUE(received("exists (1).txt") == fresh);
    EXPECT_TRUE(received("we_ird_.txt") == odd);
    EXPECT_EQ(namesIn(inbox).size(), 3u);
}

struct AbortCase
{
    const char *label;
    TransferProtocol protocol;
    const char *sender;
    bool batch;   // a small file goes first, and is kept
};

inline void PrintTo(const AbortCase &a, std::ostream *os) { *os << a.label; }

class AbortReceive : public FileReceive, public ::testing::WithParamInterface<AbortCase>
{
};

// "&Abort" in the middle of a file: the far end hears the cancel and
// stops, the half file goes, a file finished before it stays.
TEST_P(AbortReceive, AbortMidFileLeavesNoHalfFileAndStopsTheSender)
{
    const AbortCase &a = GetParam();
    std::vector<unsigned char> small = hardBytes(2000, 1);
    std::string command = a.sender;
    if (a.batch)
        command += " " + offer("small.bin", small);
    command += " " + offer("big.bin", hardBytes(4 * 1048576, 2));
    use(a.protocol);
    ASSERT_TRUE(term.openPort());
    startOnProgress(command);
    std::unique_ptr<FileDialogDriver> driver;
    if (!a.batch)
        driver.reset(new FileDialogDriver("big.bin"));
    AtProgress abort(32768, pressAbort);
    EXPECT_EQ(receive(), "Transfer aborted\r\nThe file under way was not kept");
    EXPECT_TRUE(abort.done());
    ASSERT_TRUE(farEndEnded()) << farEnd->log();
    EXPECT_NE(farEnd->exitStatus(), 0);
    EXPECT_FALSE(fileExists(inbox + "\\big.bin"));
    EXPECT_EQ(namesIn(inbox).size(), a.batch ? 1u : 0u);
    if (a.batch) {
        EXPECT_TRUE(received("small.bin") == small);
    }
}

INSTANTIATE_TEST_SUITE_P(Senders, AbortReceive,
                         ::testing::Values(AbortCase{"xmodem", TransferProtocol::xmodem1k, "sx -k", false},
                                           AbortCase{"ymodem", TransferProtocol::ymodem, "sb", true},
                                           AbortCase{"zmodem", TransferProtocol::zmodem, "sz", true}));

// "&Abort" before the sender has said anything: the cancel reaches the line
// and the chosen file is not left behind empty.
TEST_F(FileReceive, AbortWhileWaitingSendsTheCancelAndLeavesNoFile)
{
    SerialPeer peer{"COM9", SerialPeer::listening};
    use(TransferProtocol::xmodem);
    ASSERT_TRUE(term.openPort());
    spy.abortOnShow = true;
    FileDialogDriver driver("never.bin");
    EXPECT_EQ(receive(), "Transfer aborted\r\nThe file under way was not kept");
    ASSERT_TRUE(term.waitFor(
        [&] {
            std::vector<unsigned char> got = peer.received();
            return got.size() >= 2 && got[got.size() - 1] == CAN && got[got.size() - 2] == CAN;
        },
        5000));
    EXPECT_TRUE(namesIn(inbox).empty());
}

// The terminal on COM6, whose cable the test pulls while sz sends.
class PulledReceive : public FileReceive
{
protected:
    // COM6 at 256000 baud, 8N1, no handshake.
    PulledReceive() : FileReceive(0x5u | (14u << 4) | (0u << 9) | (2u << 11) | (3u << 14)) {}
    void SetUp() override
    {
        FileReceive::SetUp();
        ASSERT_TRUE(cable.present()) << "the run gives no pullable cable (LT_CABLE_COM6)";
        if (!cable.plugged()) {
            ASSERT_TRUE(cable.plugIn());
        }
    }
    void TearDown() override
    {
        if (!cable.plugged())
            cable.plugIn();
        FileReceive::TearDown();
    }

    rig::Cable cable;
};

TEST_F(PulledReceive, PulledCableEndsTheReceiveWithNoHalfFile)
{
    use(TransferProtocol::zmodem);
    ASSERT_TRUE(term.openPort());
    startOnProgress("sz " + offer("big.bin", hardBytes(4 * 1048576, 9)), cable.farLink());
    AtProgress pull(65536, [this](HWND) { cable.pull(); });
    EXPECT_EQ(receive(), "The port was lost during the transfer\r\nThe file under way was not kept");
    EXPECT_TRUE(term.waitFor([&] { return pull.done(); }, 15000));
    EXPECT_TRUE(namesIn(inbox).empty());
    ASSERT_TRUE(farEndEnded());
    EXPECT_NE(farEnd->exitStatus(), 0);
}

// "Start ZMODEM by Itself" (on by default): sz at the far end begins a
// receive into the folder and rz the chooser and a ZMODEM send, with nobody
// asking; what the far end printed before the start shows, the start not.
TEST_F(FileReceive, SzAndRzStartTheTransferByThemselves)
{
    ASSERT_TRUE(term.client->startsZmodemByItself());
    ASSERT_TRUE(term.openPort());
    std::vector<unsigned char> toUs = hardBytes(50000, 21);
    {
        MessageBoxAnswerer answerer(IDOK, 1, 30000);
        rig::FarEndProgram peerEnd("COM9", "(printf 'board ready\\n'; sleep 0.2; exec sz " + offer("auto.bin", toUs) + ")");
        ASSERT_TRUE(term.waitFor([&] { return answerer.answeredCount() >= 1; }, 30000));
        EXPECT_EQ(answerer.text(0), "File Received");
        ASSERT_TRUE(term.waitFor([&] { return peerEnd.exited(); }, 20000));
        EXPECT_EQ(peerEnd.exitStatus(), 0) << peerEnd.log();
    }
    EXPECT_TRUE(received("auto.bin") == toUs);
    // sz's own "rz\r" comes before its start.
    EXPECT_EQ(term.history(), rig::bytesOf("board ready\nrz\r")) << rig::hexDump(term.history());
    term.client->clearReceived();

    std::vector<unsigned char> toThem = hardBytes(40000, 22);
    std::string path = source + "\\sent.bin";
    ASSERT_TRUE(rig::writeFile(path, toThem));
    FileDialogDriver driver(path.c_str());
    MessageBoxAnswerer answerer(IDOK, 1, 30000);
    rig::FarEndProgram peerEnd("COM9", "(printf 'board ready\\n'; exec rz -y)");
    ASSERT_TRUE(term.waitFor([&] { return answerer.answeredCount() >= 1; }, 30000));
    EXPECT_TRUE(driver.sawDialog());
    EXPECT_EQ(answerer.text(0), "File Transfered");
    ASSERT_TRUE(term.waitFor([&] { return peerEnd.exited(); }, 20000));
    EXPECT_EQ(peerEnd.exitStatus(), 0) << peerEnd.log();
    std::vector<unsigned char> got;
    EXPECT_TRUE(rig::readFile(peerEnd.path("sent.bin"), got) && got == toThem);
    term.settle(100);
    EXPECT_EQ(term.history(), rig::bytesOf("board ready\n")) << rig::hexDump(term.history());
}

// Turned off (and kept so), sz's start is only bytes in the view.
TEST_F(FileReceive, WithTheItemOffNothingStartsByItself)
{
    ASSERT_TRUE(term.openPort());
    term.client->commandZmodemAutoStart();
    EXPECT_FALSE(term.client->startsZmodemByItself());
    DWORD stored = 1;
    EXPECT_TRUE(rig::readDword("ZmodemAutoStart", stored));
    EXPECT_EQ(stored, 0u);
    rig::FarEndProgram peerEnd("COM9", "sz " + offer("left.bin", hardBytes(1000, 23)));
    const std::string start = "**\x18" "B00";
    auto shows = [&] {
        std::vector<unsigned char> h = term.history();
        return std::string(h.begin(), h.end()).find(start) != std::string::npos;
    };
    EXPECT_TRUE(term.waitFor(shows, 10000)) << rig::hexDump(term.history());
    EXPECT_EQ(spy.progressDialogs, 0);
    EXPECT_TRUE(namesIn(inbox).empty());
}

// A prompt that ends as a start begins ("*", "**") is shown at once, not
// held for a next byte that may never come.
TEST_F(FileReceive, TextEndingLikeAStartIsShownAtOnce)
{
    ASSERT_TRUE(term.openPort());
    SerialPeer peer{"COM9"};
    ASSERT_TRUE(peer.send(std::string("rate it **")));
    EXPECT_TRUE(term.waitFor([&] { return term.history() == rig::bytesOf("rate it **"); }, 3000))
        << rig::hexDump(term.history());
}
