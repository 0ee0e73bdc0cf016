#include <gtest/gtest.h>

#include "PosixFolder.h"
#include "PtyPeer.h"

#include "terminal/transfer/XmodemReceiver.h"
#include "terminal/transfer/ZmodemStart.h"
#include "terminal/transfer/ZmodemReceiver.h"
#include "terminal/transfer/ZmodemSender.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// The receivers and the ZMODEM sender against lrzsz on a pseudo-terminal:
// the programs a board's shell runs, with no baud limit between them.

namespace {

typedef std::vector<unsigned char> Bytes;

// Random bytes, every value among them (ZDLE/CAN, XON, XOFF, DLE...), then
// runs of those and a ZMODEM start of sz's, as a file may hold them.
Bytes randomFile(uint32_t size, uint32_t seed)
{
    Bytes b(size);
    std::mt19937 gen(seed);
    for (uint32_t i = 0; i < size; ++i)
        b[i] = i < 256 ? static_cast<unsigned char>(i) : static_cast<unsigned char>(gen());
    const std::string runs = std::string(10, 0x18) + std::string(10, 0x11) + std::string(10, 0x13) +
                             std::string("**\x18" "B00000000000000\r\x8a\x11") + std::string(6, 0x18);
    for (size_t i = 0; i < runs.size() && 256 + i < size; ++i)
        b[256 + i] = static_cast<unsigned char>(runs[i]);
    return b;
}

class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/lt-lrzsz-XXXXXX";
        const char *made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        if (!path.empty()) {
            std::string cmd = "rm -rf '" + path + "'";
            if (std::system(cmd.c_str()) != 0)
                std::fprintf(stderr, "could not remove %s\n", path.c_str());
        }
    }
    std::string file(const std::string &name) const { return path + "/" + name; }
    std::string path;
};

void writeFile(const std::string &path, const Bytes &data)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
}

Bytes readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string errorsOf(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct ReceivedFile
{
    std::string name;
    uint64_t size = 0;
    uint32_t mtime = 0;
    Bytes data;
    bool complete = false;
};

class MemorySink : public ReceiveSink
{
public:
    std::vector<ReceivedFile> files;
    bool startFile(const char *name, uint64_t size, uint32_t mtime) override
    {
        files.push_back(ReceivedFile{name, size, mtime, {}, false});
        return true;
    }
    bool fileData(const unsigned char *data, uint32_t count) override
    {
        files.back().data.insert(files.back().data.end(), data, data + count);
        return true;
    }
    void endFile(bool complete) override { files.back().complete = complete; }
};

class FileSource : public ZmodemSender::Source
{
public:
    explicit FileSource(const Bytes &bytes) : data(bytes) {}
    uint32_t read(unsigned char *to, uint32_t count) override
    {
        uint32_t n = 0;
        while (n < count && pos < data.size())
            to[n++] = data[pos++];
        return n;
    }
    bool seek(uint32_t offset) override
    {
        if (offset > data.size())
            return false;
        pos = offset;
        return true;
    }
    const Bytes &data;
    uint32_t pos = 0;
};

const uint32_t sizes[] = {0, 1, 128, 1024, 1025, 100000, 1 << 20};

Bytes padded128(const Bytes &file)
{
    Bytes out = file;
    while (out.size() % 128)
        out.push_back(0x1A);
    return out;
}

} // namespace

// XMODEM carries no size: the file is what came, ^Z fill of the last block
// included. sx sends 128-byte blocks, and 1K ones with -k.
TEST(Lrzsz, XmodemReceiverTakesEveryFileFromSx)
{
    TempFolder dir;
    for (uint32_t size : sizes) {
        for (bool large : {false, true}) {
            if (size == 0 || (!large && size > 100000))
                continue;  // sx sends nothing for an empty file; a MiB in 128s is slow
            Bytes file = randomFile(size, size + 1);
            writeFile(dir.file("x.bin"), file);
            PtyPeer peer;
            std::vector<std::string> argv = {"sx", "-q"};
            if (large)
                argv.push_back("-k");
            argv.push_back("x.bin");
            ASSERT_TRUE(peer.start(argv, dir.path, dir.file("sx.err")));
            MemorySink sink;
            XmodemReceiver rx(large ? TransferProtocol::xmodem1k : TransferProtocol::xmodem, sink);
            rx.start(0);
            ASSERT_TRUE(driveAgainst(rx, peer, 20000)) << size;
            EXPECT_EQ(rx.outcome(), XmodemReceiver::Outcome::done) << size << errorsOf(dir.file("sx.err"));
            ASSERT_EQ(sink.files.size(), 1u) << size;
            EXPECT_TRUE(sink.files[0].complete);
            // 1K blocks end in a 128 one when the tail fits, as lrzsz does.
            Bytes got = sink.files[0].data;
            ASSERT_GE(got.size(), file.size()) << size;
            EXPECT_TRUE(std::equal(file.begin(), file.end(), got.begin())) << size;
            EXPECT_EQ(Bytes(got.begin() + long(file.size()), got.end()),
                      Bytes(got.size() - file.size(), 0x1A)) << size;
            if (!large) {
                EXPECT_EQ(got, padded128(file)) << size;
            }
            EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("sx.err"));
        }
    }
}

// YMODEM and ZMODEM carry names and sizes: a batch of every size, each file
// exact, under its name.
TEST(Lrzsz, BatchReceiversTakeEveryFileExactlyFromSbAndSz)
{
    for (bool zmodem : {false, true}) {
        TempFolder dir;
        std::vector<std::string> argv = {zmodem ? "sz" : "sb", "-q"};
        std::vector<Bytes> files;
        for (uint32_t size : sizes) {
            files.push_back(randomFile(size, size * 3 + 7));
            std::string name = "file_" + std::to_string(size) + ".bin";
            writeFile(dir.file(name), files.back());
            argv.push_back(name);
        }
        PtyPeer peer;
        ASSERT_TRUE(peer.start(argv, dir.path, dir.file("s.err")));
        MemorySink sink;
        std::string shown;
        if (zmodem) {
            ZmodemReceiver rx(sink);
            rx.start(0);
            ASSERT_TRUE(driveAgainst(rx, peer, 20000, &shown)) << errorsOf(dir.file("s.err"));
            EXPECT_EQ(rx.outcome(), ZmodemReceiver::Outcome::done) << errorsOf(dir.file("s.err"));
            EXPECT_EQ(rx.filesReceived(), files.size());
        } else {
            XmodemReceiver rx(TransferProtocol::ymodem, sink);
            rx.start(0);
            ASSERT_TRUE(driveAgainst(rx, peer, 20000, &shown)) << errorsOf(dir.file("s.err"));
            EXPECT_EQ(rx.outcome(), XmodemReceiver::Outcome::done) << errorsOf(dir.file("s.err"));
            EXPECT_EQ(rx.filesReceived(), files.size());
        }
        ASSERT_EQ(sink.files.size(), files.size()) << (zmodem ? "sz" : "sb");
        for (size_t i = 0; i < files.size(); ++i) {
            const ReceivedFile &f = sink.files[i];
            EXPECT_EQ(f.name, "file_" + std::to_string(sizes[i]) + ".bin");
            EXPECT_EQ(f.size, sizes[i]);
            EXPECT_TRUE(f.complete) << f.name;
            EXPECT_TRUE(f.data == files[i]) << f.name << " " << f.data.size();
            struct stat st;
            ASSERT_EQ(stat(dir.file(f.name).c_str(), &st), 0);
            EXPECT_EQ(f.mtime, uint32_t(st.st_mtime)) << f.name;
        }
        EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("s.err"));
    }
}

// Sent by ZMODEM to rz, which writes the file into its folder.
TEST(Lrzsz, ZmodemSenderDeliversEveryFileToRz)
{
    for (uint32_t size : sizes) {
        TempFolder dir;
        Bytes file = randomFile(size, size + 11);
        FileSource source(file);
        PtyPeer peer;
        ASSERT_TRUE(peer.start({"rz", "-q"}, dir.path, dir.file("rz.err")));
        std::string name = "sent_" + std::to_string(size) + ".bin";
        ZmodemSender tx(("C:\\data\\" + name).c_str(), size, 1700000000u, source);
        tx.start(0, true);
        ASSERT_TRUE(driveAgainst(tx, peer, 20000)) << size << errorsOf(dir.file("rz.err"));
        EXPECT_EQ(tx.outcome(), ZmodemSender::Outcome::done) << size << errorsOf(dir.file("rz.err"));
        EXPECT_TRUE(tx.usesCrc32());
        EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("rz.err"));
        EXPECT_TRUE(readFile(dir.file(name)) == file) << size;
        struct stat st;
        ASSERT_EQ(stat(dir.file(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, 1700000000);
    }
}

// Bytes damaged on the line, in either direction: the receiver asks again
// (NAK, ZRPOS) and the sender goes back; every file still arrives exact.
TEST(Lrzsz, DamageOnTheLineIsRepairedByAskingAgain)
{
    const uint32_t size = 100000;
    Bytes file = randomFile(size, 99);
    struct Case
    {
        const char *program;
        TransferProtocol protocol;
        bool zmodem;
    };
    for (const Case &c : {Case{"sx", TransferProtocol::xmodem1k, false}, Case{"sb", TransferProtocol::ymodem, false},
                          Case{"sz", TransferProtocol::ymodem, true}}) {
        TempFolder dir;
        writeFile(dir.file("d.bin"), file);
        PtyPeer peer;
        std::vector<std::string> argv = {c.program, "-q"};
        if (c.protocol == TransferProtocol::xmodem1k)
            argv.push_back("-k");
        argv.push_back("d.bin");
        ASSERT_TRUE(peer.start(argv, dir.path, dir.file("s.err")));
        MemorySink sink;
        LineFaults faults;
        faults.incoming = {5000, 40000, 90000};
        bool over;
        if (c.zmodem) {
            ZmodemReceiver rx(sink);
            rx.start(0);
            over = driveAgainst(rx, peer, 20000, nullptr, faults);
            EXPECT_EQ(rx.outcome(), ZmodemReceiver::Outcome::done) << c.program;
        } else {
            XmodemReceiver rx(c.protocol, sink);
            rx.start(0);
            over = driveAgainst(rx, peer, 20000, nullptr, faults);
            EXPECT_EQ(rx.outcome(), XmodemReceiver::Outcome::done) << c.program;
        }
        ASSERT_TRUE(over) << c.program;
        ASSERT_EQ(sink.files.size(), 1u) << c.program;
        Bytes got = sink.files[0].data;
        if (c.protocol == TransferProtocol::xmodem1k)
            got.resize(std::min(got.size(), file.size()));
        EXPECT_TRUE(got == file) << c.program;
        EXPECT_EQ(peer.waitExit(3000), 0) << c.program << errorsOf(dir.file("s.err"));
    }
    TempFolder dir;
    FileSource source(file);
    PtyPeer peer;
    ASSERT_TRUE(peer.start({"rz", "-q"}, dir.path, dir.file("rz.err")));
    ZmodemSender tx("d.bin", size, 1700000000u, source);
    tx.start(0, true);
    LineFaults faults;
    faults.outgoing = {3000, 50000, 99000};
    ASSERT_TRUE(driveAgainst(tx, peer, 20000, nullptr, faults)) << errorsOf(dir.file("rz.err"));
    EXPECT_EQ(tx.outcome(), ZmodemSender::Outcome::done);
    EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("rz.err"));
    EXPECT_TRUE(readFile(dir.file("d.bin")) == file);
}

// The operator's abort in the middle of the data stops the far end, and
// the half file is reported incomplete so that it can go.
TEST(Lrzsz, AbortStopsTheFarEnd)
{
    Bytes file = randomFile(1 << 20, 5);
    for (const char *program : {"sx", "sb", "sz"}) {
        TempFolder dir;
        writeFile(dir.file("a.bin"), file);
        PtyPeer peer;
        ASSERT_TRUE(peer.start({program, "-q", "a.bin"}, dir.path, dir.file("s.err")));
        MemorySink sink;
        LineFaults faults;
        faults.abortAt = 50000;
        std::string p = program;
        if (p == "sz") {
            ZmodemReceiver rx(sink);
            rx.start(0);
            ASSERT_TRUE(driveAgainst(rx, peer, 10000, nullptr, faults));
            EXPECT_EQ(rx.outcome(), ZmodemReceiver::Outcome::aborted);
        } else {
            XmodemReceiver rx(p == "sx" ? TransferProtocol::xmodem : TransferProtocol::ymodem, sink);
            rx.start(0);
            ASSERT_TRUE(driveAgainst(rx, peer, 10000, nullptr, faults));
            EXPECT_EQ(rx.outcome(), XmodemReceiver::Outcome::aborted);
        }
        ASSERT_EQ(sink.files.size(), 1u) << program;
        EXPECT_FALSE(sink.files[0].complete) << program;
        int status = peer.waitExit(5000);
        EXPECT_NE(status, -1) << program << " still runs";
        EXPECT_NE(status, 0) << program;
    }
    TempFolder dir;
    FileSource source(file);
    PtyPeer peer;
    ASSERT_TRUE(peer.start({"rz", "-q"}, dir.path, dir.file("rz.err")));
    ZmodemSender tx("a.bin", uint32_t(file.size()), 1700000000u, source);
    tx.start(0, true);
    LineFaults faults;
    faults.abortAfterSent = 50000;
    ASSERT_TRUE(driveAgainst(tx, peer, 10000, nullptr, faults));
    EXPECT_EQ(tx.outcome(), ZmodemSender::Outcome::aborted);
    int status = peer.waitExit(5000);
    EXPECT_NE(status, -1) << "rz still runs" << errorsOf(dir.file("rz.err"));
    EXPECT_NE(status, 0);
}

namespace {

// Reads what the far end prints until ZmodemStart finds its start; the text
// before it, and the start's bytes with what followed them in that read.
bool awaitStart(PtyPeer &peer, ZmodemStart::Found &found, std::string &shown, Bytes &rest)
{
    ZmodemStart start;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    unsigned char in[4096], out[4096 + ZmodemStart::startLength];
    while (std::chrono::steady_clock::now() < until) {
        pollfd p = {peer.master, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        ssize_t r = read(peer.master, in, sizeof in);
        if (r <= 0)
            continue;
        ZmodemStart::Scan scan = start.scan(in, uint32_t(r), out);
        shown.append(out, out + scan.shown);
        if (scan.found != ZmodemStart::Found::nothing) {
            found = scan.found;
            rest.assign(start.startBytes(), start.startBytes() + ZmodemStart::startLength);
            rest.insert(rest.end(), in + scan.consumed, in + r);
            return true;
        }
    }
    return false;
}

} // namespace

// sz and rz started at the far end are found in what arrives, and the
// transfer they ask for runs from their own opening header on.
TEST(Lrzsz, TransfersStartedByTheFarEndRunFromItsOpeningHeader)
{
    Bytes file = randomFile(70000, 21);
    {
        TempFolder dir;
        writeFile(dir.file("up.bin"), file);
        PtyPeer peer;
        ASSERT_TRUE(peer.start({"sz", "-q", "up.bin"}, dir.path, dir.file("sz.err")));
        ZmodemStart::Found found = ZmodemStart::Found::nothing;
        std::string shown;
        Bytes rest;
        ASSERT_TRUE(awaitStart(peer, found, shown, rest));
        EXPECT_EQ(found, ZmodemStart::Found::sender);
        EXPECT_EQ(shown, "rz\r");
        MemorySink sink;
        ZmodemReceiver rx(sink);
        rx.start(0);
        Bytes ignored(rest.size());
        rx.receive(rest.data(), uint32_t(rest.size()), ignored.data(), 0);
        ASSERT_TRUE(driveAgainst(rx, peer, 10000));
        EXPECT_EQ(rx.outcome(), ZmodemReceiver::Outcome::done);
        ASSERT_EQ(sink.files.size(), 1u);
        EXPECT_TRUE(sink.files[0].data == file);
        EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("sz.err"));
    }
    TempFolder dir;
    PtyPeer peer;
    ASSERT_TRUE(peer.start({"rz", "-q"}, dir.path, dir.file("rz.err")));
    ZmodemStart::Found found = ZmodemStart::Found::nothing;
    std::string shown;
    Bytes rest;
    ASSERT_TRUE(awaitStart(peer, found, shown, rest));
    EXPECT_EQ(found, ZmodemStart::Found::receiver);
    FileSource source(file);
    ZmodemSender tx("down.bin", uint32_t(file.size()), 1700000000u, source);
    tx.start(0, false);
    Bytes ignored(rest.size());
    tx.receive(rest.data(), uint32_t(rest.size()), ignored.data(), 0);
    ASSERT_TRUE(driveAgainst(tx, peer, 10000));
    EXPECT_EQ(tx.outcome(), ZmodemSender::Outcome::done);
    EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("rz.err"));
    EXPECT_TRUE(readFile(dir.file("down.bin")) == file);
}

// A receiver that asks with NAK gets the 8-bit sum from sx.
TEST(Lrzsz, XmodemReceiverTakesTheChecksumFromSx)
{
    TempFolder dir;
    Bytes file = randomFile(1025, 3);
    writeFile(dir.file("c.bin"), file);
    PtyPeer peer;
    ASSERT_TRUE(peer.start({"sx", "-q", "c.bin"}, dir.path, dir.file("sx.err")));
    MemorySink sink;
    XmodemReceiver::Timing checksumOnly = XmodemReceiver::standardTiming;
    checksumOnly.crcTries = 0;
    XmodemReceiver rx(TransferProtocol::xmodem, sink, checksumOnly);
    rx.start(0);
    EXPECT_EQ(rx.output()[0], 0x15);
    ASSERT_TRUE(driveAgainst(rx, peer, 10000));
    EXPECT_EQ(rx.outcome(), XmodemReceiver::Outcome::done);
    EXPECT_FALSE(rx.usesCrc());
    ASSERT_EQ(sink.files.size(), 1u);
    EXPECT_EQ(sink.files[0].data, padded128(file));
    EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(dir.file("sx.err"));
}

// Into a folder, as the terminal receives: a name there already is kept and
// the new file numbered; a folder part (sz -f sends the path) and
// characters Windows forbids do not reach the name.
TEST(Lrzsz, ZmodemFilesAreWrittenUnderSafeNamesBesideWhatIsThere)
{
    TempFolder from, into;
    mkdir(from.file("sub").c_str(), 0755);
    writeFile(from.file("exists.txt"), Bytes{'n', 'e', 'w'});
    writeFile(from.file("sub/a:b?.txt"), Bytes{'q'});
    writeFile(into.file("exists.txt"), Bytes{'o', 'l', 'd'});
    PtyPeer peer;
    ASSERT_TRUE(peer.start({"sz", "-q", "-f", "exists.txt", "sub/a:b?.txt"}, from.path, from.file("sz.err")));
    PosixFolder fs;
    ReceivedFiles files(fs, (into.path + "/").c_str());
    ZmodemReceiver rx(files);
    rx.start(0);
    ASSERT_TRUE(driveAgainst(rx, peer, 10000));
    EXPECT_EQ(rx.outcome(), ZmodemReceiver::Outcome::done);
    EXPECT_EQ(files.filesKept(), 2u);
    EXPECT_EQ(readFile(into.file("exists.txt")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(readFile(into.file("exists (1).txt")), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(readFile(into.file("a_b_.txt")), Bytes{'q'});
    EXPECT_EQ(peer.waitExit(3000), 0) << errorsOf(from.file("sz.err"));
}
