#include <gtest/gtest.h>

#include "terminal/transfer/XmodemSender.h"

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

const unsigned char SOH = 0x01, STX = 0x02, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;

Bytes pattern(uint32_t n)
{
    Bytes b(n);
    for (uint32_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return b;
}

// The file, read piece by piece; it fails from failAt on when asked to.
class VectorSource : public XmodemSender::Source
{
public:
    explicit VectorSource(const Bytes &bytes, uint32_t failAt = 0xFFFFFFFFu) : data(bytes), failAt(failAt) {}
    uint32_t read(unsigned char *to, uint32_t count) override
    {
        uint32_t n = 0;
        while (n < count && pos < data.size() && pos < failAt)
            to[n++] = data[pos++];
        ++reads;
        return n;
    }
    const Bytes &data;
    uint32_t failAt;
    uint32_t pos = 0;
    int reads = 0;
};

// A receiver as the protocol describes it, checking every frame it gets.
struct ModelReceiver
{
    bool ymodem = false;
    bool refuseFirstTry = false;
    Bytes data;
    std::string name;
    std::string sizeText;
    bool closed = false;
    int eots = 0;
    int refused = 0;
    int blocks = 0;
    unsigned char expected = 1;
    Bytes lastRefused;

    Bytes answer(const Bytes &out, bool crc)
    {
        if (out.size() == 1 && out[0] == EOT) {
            // YMODEM receivers refuse the first EOT, as a check.
            if (ymodem && eots++ == 0)
                return {NAK};
            return ymodem ? Bytes{ACK, 'C'} : Bytes{ACK};
        }
        EXPECT_TRUE(out[0] == SOH || out[0] == STX);
        uint32_t size = out[0] == STX ? 1024 : 128;
        EXPECT_EQ(out.size(), 3 + size + (crc ? 2 : 1));
        EXPECT_EQ(out[1] + out[2], 255);
        const unsigned char *block = out.data() + 3;
        if (crc) {
            uint16_t c = XmodemFrame::crc16(block, size);
            EXPECT_EQ(out[3 + size], c >> 8);
            EXPECT_EQ(out[4 + size], c & 0xFF);
        } else {
            EXPECT_EQ(out[3 + size], XmodemFrame::checksum(block, size));
        }
        if (refuseFirstTry && out != lastRefused) {
            lastRefused = out;
            ++refused;
            return {NAK};
        }
        ++blocks;
        if (ymodem && out[1] == 0) {
            if (block[0] == 0) {
                closed = true;
                return {ACK};
            }
            name = reinterpret_cast<const char *>(block);
            sizeText = reinterpret_cast<const char *>(block) + name.size() + 1;
            return {ACK, 'C'};
        }
        EXPECT_EQ(out[1], expected);
        ++expected;
        data.insert(data.end(), block, block + size);
        return {ACK};
    }
};

struct Exchange
{
    Bytes sent;       // everything the sender put on the line
    Bytes shown;      // received bytes handed back to be shown
    uint32_t now = 0;
};

// Drives the sender against a receiver's answers until it is over; the
// clock moves only when the sender waits for it.
template <class Answer>
void drive(XmodemSender &s, Exchange &run, Answer answer)
{
    for (int guard = 0; guard < 100000 && (!s.finished() || s.outputCount() != 0); ++guard) {
        if (s.outputCount() != 0) {
            Bytes out(s.output(), s.output() + s.outputCount());
            run.sent.insert(run.sent.end(), out.begin(), out.end());
            s.outputSent(run.now);
            Bytes back = answer(out);
            unsigned char shown[64];
            ASSERT_LT(back.size(), sizeof shown);
            uint32_t n = s.receive(back.data(), uint32_t(back.size()), shown, run.now);
            run.shown.insert(run.shown.end(), shown, shown + n);
            continue;
        }
        uint32_t wait = s.msUntilDeadline(run.now);
        ASSERT_NE(wait, 0xFFFFFFFFu);
        run.now += wait;
        s.tick(run.now);
    }
}

void feed(XmodemSender &s, Exchange &run, const Bytes &bytes)
{
    std::vector<unsigned char> shown(bytes.size() + XmodemSender::maxHeldRun);
    uint32_t n = s.receive(bytes.data(), uint32_t(bytes.size()), shown.data(), run.now);
    run.shown.insert(run.shown.end(), shown.begin(), shown.begin() + n);
}

// The receiver's start request, followed by the quiet that makes it count.
void startWith(XmodemSender &s, Exchange &run, unsigned char startByte)
{
    s.start(run.now);
    feed(s, run, {startByte});
    run.now += XmodemSender::standardTiming.startQuietMs;
    s.tick(run.now);
}

// The file as an XMODEM receiver stores it: whole blocks, the last one
// filled with ^Z; 1024-byte blocks while more than 128 bytes are left.
Bytes padded(const Bytes &file, uint32_t largest)
{
    Bytes out;
    uint32_t pos = 0;
    while (pos < file.size()) {
        uint32_t left = uint32_t(file.size()) - pos;
        uint32_t block = left <= 128 ? 128 : largest;
        uint32_t n = left < block ? left : block;
        out.insert(out.end(), file.begin() + pos, file.begin() + pos + n);
        out.insert(out.end(), block - n, 0x1A);
        pos += n;
    }
    return out;
}

struct ProtocolCase
{
    const char *label;
    TransferProtocol protocol;
    unsigned char startByte;
    bool refuseFirstTry;
};

void PrintTo(const ProtocolCase &c, std::ostream *os) { *os << c.label; }

class XmodemSenderDelivers : public ::testing::TestWithParam<std::tuple<ProtocolCase, uint32_t>>
{
};

} // namespace

TEST_P(XmodemSenderDelivers, EveryFileExactlyAndEndsDone)
{
    const ProtocolCase &c = std::get<0>(GetParam());
    Bytes file = pattern(std::get<1>(GetParam()));
    VectorSource source(file);
    XmodemSender s(c.protocol, "C:\\data\\image.bin", uint32_t(file.size()), source);
    ModelReceiver rx;
    rx.ymodem = c.protocol == TransferProtocol::ymodem;
    rx.refuseFirstTry = c.refuseFirstTry;
    bool crc = c.startByte == 'C';
    Exchange run;
    startWith(s, run, c.startByte);
    drive(s, run, [&](const Bytes &out) { return rx.answer(out, crc); });

    EXPECT_EQ(s.outcome(), XmodemSender::Outcome::done);
    EXPECT_EQ(s.acknowledged(), file.size());
    EXPECT_EQ(s.usesCrc(), crc);
    EXPECT_TRUE(run.shown.empty());
    uint32_t largest = c.protocol != TransferProtocol::xmodem && crc ? 1024 : 128;
    EXPECT_EQ(rx.data, padded(file, largest));
    if (rx.ymodem) {
        EXPECT_EQ(rx.name, "image.bin");
        EXPECT_EQ(rx.sizeText, std::to_string(file.size()));
        EXPECT_TRUE(rx.closed);
    }
    // Each block refused once went twice, and nothing else was repeated.
    if (c.refuseFirstTry) {
        EXPECT_EQ(rx.refused, rx.blocks);
    }
    // The file is read once, in pieces of at most a block.
    EXPECT_EQ(source.pos, file.size());
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, XmodemSenderDelivers,
    ::testing::Combine(::testing::Values(ProtocolCase{"xmodemCrc", TransferProtocol::xmodem, 'C', false},
                                         ProtocolCase{"xmodemChecksum", TransferProtocol::xmodem, NAK, false},
                                         ProtocolCase{"xmodem1k", TransferProtocol::xmodem1k, 'C', false},
                                         ProtocolCase{"xmodem1kAskedForChecksum", TransferProtocol::xmodem1k, NAK,
                                                      false},
                                         ProtocolCase{"ymodem", TransferProtocol::ymodem, 'C', false},
                                         ProtocolCase{"ymodemRefusingFirstTries", TransferProtocol::ymodem, 'C', true},
                                         ProtocolCase{"xmodemRefusingFirstTries", TransferProtocol::xmodem, NAK, true}),
                       ::testing::Values(0u, 1u, 127u, 128u, 129u, 1023u, 1024u, 1025u, 40000u)));

TEST(XmodemSender, LoaderTextIsShownButNotTheStartRequest)
{
    Bytes file = pattern(10);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem, "f", 10, source);
    Exchange run;
    s.start(0);
    // A "C" followed by more text is text; the lone one at the end asks.
    std::string text = "Send by XMODEM-CRC now\r\n";
    Bytes loader(text.begin(), text.end());
    loader.push_back('C');
    feed(s, run, loader);
    run.now += 50;
    s.tick(run.now);
    EXPECT_EQ(s.outputCount(), 0u) << "started before the line was quiet";
    feed(s, run, {'C'});   // a repeated request replaces the first
    run.now += 100;
    s.tick(run.now);
    EXPECT_EQ(std::string(run.shown.begin(), run.shown.end()), text);
    ASSERT_EQ(s.outputCount(), 133u);
    EXPECT_TRUE(s.usesCrc());
    s.outputSent(run.now);
    // During the transfer nothing is shown; after the end all of it is.
    feed(s, run, {'x', ACK});
    feed(s, run, {'y'});
    EXPECT_EQ(s.output()[0], EOT);
    s.outputSent(run.now);
    feed(s, run, {ACK, 'O', 'K'});
    EXPECT_EQ(s.outcome(), XmodemSender::Outcome::done);
    EXPECT_EQ(std::string(run.shown.begin(), run.shown.end()), text + "OK");
}

// Loader text with a start byte doubled in it keeps every letter, fed a byte
// at a time so that the held ones cross calls.
TEST(XmodemSender, AStartByteRepeatedInsideLoaderTextIsShownEveryTime)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Erase SUCCESS\r\n", "Erase SUCCESS\r\n"},
        {"ACCESS granted\r\n", "ACCESS granted\r\n"},
        {"CCCCCCCCX\r\n", "CCCCCCCCX\r\n"},
    };
    for (const auto &c : cases) {
        Bytes file = pattern(10);
        VectorSource source(file);
        XmodemSender s(TransferProtocol::xmodem, "f", 10, source);
        Exchange run;
        s.start(0);
        for (char ch : c.first)
            feed(s, run, {static_cast<unsigned char>(ch)});
        feed(s, run, {'C'});
        run.now += XmodemSender::standardTiming.startQuietMs;
        s.tick(run.now);
        EXPECT_EQ(std::string(run.shown.begin(), run.shown.end()), c.second) << c.first;
        EXPECT_EQ(s.outputCount(), 133u) << c.first;
    }
}

TEST(XmodemSender, AnswersThatCameBeforeTheBlockWentAreDropped)
{
    Bytes file = pattern(300);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem, "f", 300, source);
    Exchange run;
    startWith(s, run, 'C');
    ASSERT_EQ(s.outputCount(), 133u);
    feed(s, run, {ACK, ACK});   // still queued from before: not about block 1
    EXPECT_EQ(s.acknowledged(), 0u);
    EXPECT_EQ(s.output()[1], 1);
    s.outputSent(run.now);
    // Two ACKs read together: the second one cannot answer block 2, which
    // was framed after it arrived.
    feed(s, run, {ACK, ACK});
    EXPECT_EQ(s.acknowledged(), 128u);
    EXPECT_EQ(s.output()[1], 2);
}

struct EndCase
{
    const char *label;
    Bytes start;             // the receiver's opening
    Bytes answer;            // its answer to every frame (nothing: silence)
    XmodemSender::Outcome outcome;
    uint32_t frames;         // frames sent before the end
    bool cancelSent;         // the sender's cancel sequence went out
    uint32_t endsAtMs;
};

void PrintTo(const EndCase &c, std::ostream *os) { *os << c.label; }

class XmodemSenderEnds : public ::testing::TestWithParam<EndCase>
{
};

TEST_P(XmodemSenderEnds, WithTheRightOutcome)
{
    const EndCase &c = GetParam();
    Bytes file = pattern(1000);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem1k, "f", 1000, source);
    Exchange run;
    s.start(0);
    if (!c.start.empty()) {
        feed(s, run, c.start);
        run.now += 100;
        s.tick(run.now);
    }
    uint32_t frames = 0;
    drive(s, run, [&](const Bytes &out) {
        if (out[0] == CAN)
            return Bytes();
        ++frames;
        return c.answer;
    });
    EXPECT_EQ(s.outcome(), c.outcome);
    EXPECT_EQ(frames, c.frames);
    Bytes cancel(XmodemSender::cancelLength, CAN);
    bool cancelled = run.sent.size() >= cancel.size() &&
                     Bytes(run.sent.end() - cancel.size(), run.sent.end()) == cancel;
    EXPECT_EQ(cancelled, c.cancelSent);
    EXPECT_EQ(run.now, c.endsAtMs);
    EXPECT_TRUE(run.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, XmodemSenderEnds,
    ::testing::Values(
        EndCase{"noStartRequestIn60s", {}, {}, XmodemSender::Outcome::noAnswer, 0, false, 60000},
        EndCase{"blockNeverAnsweredGoes10Times", {'C'}, {}, XmodemSender::Outcome::noAnswer, 10, true, 100 + 100000},
        EndCase{"blockAlwaysRefused", {'C'}, {NAK}, XmodemSender::Outcome::tooManyErrors, 10, true, 100},
        EndCase{"receiverCancels", {'C'}, {CAN, CAN, CAN, 0x08, 0x08}, XmodemSender::Outcome::receiverCancelled, 1,
                false, 100},
        EndCase{"receiverCancelsBeforeStart", {CAN, CAN}, {}, XmodemSender::Outcome::receiverCancelled, 0, false,
                100},
        EndCase{"singleCanIsNoise", {'C'}, {CAN, ACK}, XmodemSender::Outcome::done, 2, false, 100}));

TEST(XmodemSender, AbortWhileWaitingOrSendingLeavesTheCancelSequence)
{
    Bytes file = pattern(5000);
    for (bool started : {false, true}) {
        VectorSource source(file);
        XmodemSender s(TransferProtocol::ymodem, "f", 5000, source);
        Exchange run;
        if (started)
            startWith(s, run, 'C');
        else
            s.start(0);
        s.abort();
        EXPECT_EQ(s.outcome(), XmodemSender::Outcome::aborted);
        EXPECT_EQ(Bytes(s.output(), s.output() + s.outputCount()), Bytes(XmodemSender::cancelLength, CAN));
        s.outputSent(run.now);
        s.abort();
        EXPECT_EQ(s.outputCount(), 0u);
        s.repeatCancel();
        EXPECT_EQ(s.outputCount(), XmodemSender::cancelLength);
    }
}

TEST(XmodemSender, FileThatCannotBeReadStopsTheReceiver)
{
    Bytes file = pattern(3000);
    VectorSource source(file, 2100);
    XmodemSender s(TransferProtocol::xmodem1k, "f", 3000, source);
    Exchange run;
    startWith(s, run, 'C');
    drive(s, run, [](const Bytes &) { return Bytes{ACK}; });
    EXPECT_EQ(s.outcome(), XmodemSender::Outcome::readFailed);
    EXPECT_EQ(s.acknowledged(), 2048u);
    EXPECT_EQ(Bytes(run.sent.end() - XmodemSender::cancelLength, run.sent.end()),
              Bytes(XmodemSender::cancelLength, CAN));
}

TEST(XmodemSender, ReceiverCancelTailIsNotShownButWhatFollowsIs)
{
    Bytes file = pattern(10);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem, "f", 10, source);
    Exchange run;
    startWith(s, run, 'C');
    s.outputSent(run.now);
    feed(s, run, {CAN, CAN, CAN, 0x08, 0x08});
    feed(s, run, {0x08, '>', CAN});
    EXPECT_EQ(s.outcome(), XmodemSender::Outcome::receiverCancelled);
    EXPECT_EQ(run.shown, (Bytes{'>', CAN}));
    s.repeatCancel();   // it stopped by itself: nothing to tell it
    EXPECT_EQ(s.outputCount(), 0u);
}

TEST(XmodemSender, EndNeverAnsweredIsTriedThreeTimesAndNotCancelled)
{
    Bytes file = pattern(200);
    for (TransferProtocol protocol : {TransferProtocol::xmodem, TransferProtocol::ymodem}) {
        VectorSource source(file);
        XmodemSender s(protocol, "f", 200, source);
        Exchange run;
        startWith(s, run, 'C');
        uint32_t ends = 0;
        // The receiver takes everything; only its last answer never comes.
        bool ymodem = protocol == TransferProtocol::ymodem;
        drive(s, run, [&](const Bytes &out) {
            bool last = ymodem ? out.size() == 133 && out[1] == 0 && out[3] == 0 : out[0] == EOT;
            if (last) {
                ++ends;
                return Bytes();
            }
            if (ymodem && out[0] == EOT)
                return Bytes{ACK, 'C'};
            return ymodem && out[1] == 0 ? Bytes{ACK, 'C'} : Bytes{ACK};
        });
        EXPECT_EQ(s.outcome(), XmodemSender::Outcome::endNotConfirmed);
        EXPECT_EQ(s.acknowledged(), 200u);
        EXPECT_EQ(ends, 3u);
        // The quiet after each start request (YMODEM: the file, its data,
        // the closing block), then three tries of the end.
        EXPECT_EQ(run.now, (ymodem ? 300u : 100u) + 3 * 3000);
        EXPECT_NE(run.sent.back(), CAN);
    }
}

// A receiver that asks every 50 ms never leaves the 100 ms of quiet a start
// byte waits for: the run itself, longer than text would hold, is the
// request. The same in YMODEM's stages after block 0 and after the EOT.
TEST(XmodemSender, AStartByteRepeatedFasterThanTheQuietStartsEachStage)
{
    Bytes file = pattern(300);
    for (TransferProtocol protocol : {TransferProtocol::xmodem, TransferProtocol::ymodem}) {
        VectorSource source(file);
        XmodemSender s(protocol, "f", 300, source);
        Exchange run;
        s.start(0);
        // Asks every 50 ms until something comes; true when it did in time.
        auto askUntilAnswered = [&](uint32_t forMs) {
            for (uint32_t t = 0; t < forMs; t += 50) {
                feed(s, run, {'C'});
                if (s.outputCount() != 0)
                    return true;
                run.now += 50;
                s.tick(run.now);
                if (s.outputCount() != 0)
                    return true;
            }
            return false;
        };
        ASSERT_TRUE(askUntilAnswered(1000)) << "first block";
        bool ymodem = protocol == TransferProtocol::ymodem;
        EXPECT_EQ(s.output()[1], ymodem ? 0 : 1);
        if (!ymodem)
            continue;
        s.outputSent(run.now);
        feed(s, run, {ACK});
        ASSERT_TRUE(askUntilAnswered(1000)) << "data after block 0";
        EXPECT_EQ(s.output()[1], 1);
        for (int i = 0; i < 2; ++i) {
            s.outputSent(run.now);
            feed(s, run, {ACK});
        }
        ASSERT_EQ(s.output()[0], EOT);
        s.outputSent(run.now);
        feed(s, run, {ACK});
        ASSERT_TRUE(askUntilAnswered(1000)) << "closing block 0";
        EXPECT_EQ(s.output()[1], 0);
        EXPECT_EQ(s.output()[3], 0);
    }
}

// A receiver that asks for the next YMODEM stage but whose request is lost
// (or garbled) still gets it when the stage's wait is over.
TEST(XmodemSender, EveryYmodemStageHasADeadline)
{
    Bytes file = pattern(100);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::ymodem, "f", 100, source);
    Exchange run;
    startWith(s, run, 'C');
    s.outputSent(run.now);
    feed(s, run, {ACK, 'C'});
    // Requests keep coming, each before the quiet: the stage still ends.
    for (int i = 0; i < 300 && s.outputCount() == 0; ++i) {
        run.now += 60;
        feed(s, run, {static_cast<unsigned char>(i % 2 ? 'C' : NAK)});
        s.tick(run.now);
    }
    ASSERT_NE(s.outputCount(), 0u);
    EXPECT_EQ(s.output()[1], 1);
    EXPECT_LE(run.now, 100u + XmodemSender::standardTiming.answerWaitMs + 60);
}

// The answer wait counts from when the frame was handed to the port, so it
// grows by the frame's time on the line: 1029 bytes at 600 baud are 17.15 s.
TEST(XmodemSender, AnswerWaitIsTheFramesLineTimePlusTenSeconds)
{
    Bytes file = pattern(3000);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem1k, "f", 3000, source);
    s.setLineSpeed(600);
    EXPECT_EQ(s.lineTimeMs(1029), 17150u);
    Exchange run;
    startWith(s, run, 'C');
    ASSERT_EQ(s.outputCount(), 1029u);
    s.outputSent(run.now);
    EXPECT_EQ(s.msUntilDeadline(run.now), 10000u + 17150u);
    run.now += 20000;
    s.tick(run.now);
    EXPECT_EQ(s.outputCount(), 0u) << "sent again before the first could have been answered";
    run.now += 7150;
    s.tick(run.now);
    EXPECT_EQ(s.outputCount(), 1029u);
}

// YMODEM asked for with NAK and a name too long for 128 bytes: block 0 is a
// 1K block, and a 1K block has the CRC.
TEST(XmodemSender, ALongYmodemBlockZeroHasTheCrcEvenWhenAskedWithNak)
{
    Bytes file = pattern(10);
    VectorSource source(file);
    std::string name(200, 'n');
    XmodemSender s(TransferProtocol::ymodem, name.c_str(), 10, source);
    Exchange run;
    startWith(s, run, NAK);
    ASSERT_EQ(s.outputCount(), 3u + 1024 + 2);
    EXPECT_EQ(s.output()[0], STX);
    uint16_t crc = XmodemFrame::crc16(s.output() + 3, 1024);
    EXPECT_EQ(s.output()[3 + 1024], crc >> 8);
    EXPECT_EQ(s.output()[3 + 1025], crc & 0xFF);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(s.output() + 3)), name);
}

// A lost first frame: the receiver asks again, and gets it at once rather
// than after the 10 s wait. A request that left before the frame could
// have arrived is no such question.
TEST(XmodemSender, ARepeatedRequestForTheFirstFrameSendsItAgainAtOnce)
{
    Bytes file = pattern(300);
    for (TransferProtocol protocol : {TransferProtocol::xmodem, TransferProtocol::ymodem}) {
        VectorSource source(file);
        XmodemSender s(protocol, "f", 300, source);
        Exchange run;
        startWith(s, run, 'C');
        Bytes first(s.output(), s.output() + s.outputCount());
        s.outputSent(run.now);
        run.now += 20;
        feed(s, run, {'C'});
        EXPECT_EQ(s.outputCount(), 0u) << "a request from before the frame";
        run.now += 3000;
        feed(s, run, {'C'});
        ASSERT_EQ(s.outputCount(), first.size());
        EXPECT_EQ(Bytes(s.output(), s.output() + s.outputCount()), first);
        s.outputSent(run.now);
        feed(s, run, {ACK});
        if (protocol == TransferProtocol::ymodem) {
            feed(s, run, {'C'});
            run.now += 100;
            s.tick(run.now);
        }
        bool ymodem = protocol == TransferProtocol::ymodem;
        EXPECT_EQ(s.output()[1], ymodem ? 1 : 2);
        EXPECT_EQ(s.acknowledged(), ymodem ? 0u : 128u);
        // Later blocks are not the first: a stray "C" there is noise.
        s.outputSent(run.now);
        feed(s, run, {ACK});
        s.outputSent(run.now);
        run.now += 3000;
        feed(s, run, {'C'});
        EXPECT_EQ(s.outputCount(), 0u);
    }
}

// The answer to a frame may come while the port's write of it still waits:
// handed over first, the frame's bytes stay put while the answer builds the
// next one, and the answer counts.
TEST(XmodemSender, AnAnswerDuringTheFramesOwnWriteIsKept)
{
    Bytes file = pattern(400);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem, "f", 400, source);
    Exchange run;
    startWith(s, run, 'C');
    const unsigned char *writing = s.output();
    Bytes copy(writing, writing + s.outputCount());
    s.outputSent(run.now);   // handed to the write, which has not ended
    feed(s, run, {ACK});
    EXPECT_EQ(s.acknowledged(), 128u);
    ASSERT_EQ(s.outputCount(), 133u);
    EXPECT_EQ(s.output()[1], 2);
    EXPECT_NE(s.output(), writing);
    EXPECT_EQ(Bytes(writing, writing + copy.size()), copy);
}

// Nine requests in a row are more than loader text holds: the transfer
// starts, and the requests are not shown.
TEST(XmodemSender, ARunLongerThanIsHeldStartsTheTransfer)
{
    Bytes file = pattern(10);
    VectorSource source(file);
    XmodemSender s(TransferProtocol::xmodem, "f", 10, source);
    Exchange run;
    s.start(0);
    for (uint32_t i = 0; i < XmodemSender::maxHeldRun; ++i)
        feed(s, run, {'C'});
    EXPECT_EQ(s.outputCount(), 0u);
    feed(s, run, {'C'});
    EXPECT_EQ(s.outputCount(), 133u);
    EXPECT_TRUE(run.shown.empty());
}
