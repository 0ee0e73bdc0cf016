#include <gtest/gtest.h>

#include "terminal/transfer/XmodemReceiver.h"

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;
const unsigned char SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;

struct Event
{
    std::string name;
    uint64_t size;
    uint32_t mtime;
    Bytes data;
    int ended = 0;  // 1 complete, -1 not
};

class Sink : public ReceiveSink
{
public:
    std::vector<Event> files;
    bool refuse = false;
    bool startFile(const char *name, uint64_t size, uint32_t mtime) override
    {
        files.push_back(Event{name, size, mtime, {}, 0});
        return !refuse;
    }
    bool fileData(const unsigned char *data, uint32_t count) override
    {
        files.back().data.insert(files.back().data.end(), data, data + count);
        return true;
    }
    void endFile(bool complete) override { files.back().ended = complete ? 1 : -1; }
};

// The receiver with a clock: what it sends, taken as it is left.
struct Rig
{
    Sink sink;
    XmodemReceiver rx;
    uint32_t now = 0;
    Bytes shown;
    explicit Rig(TransferProtocol p) : rx(p, sink) {}
    Bytes take()
    {
        Bytes out(rx.output(), rx.output() + rx.outputCount());
        rx.outputSent(now);
        return out;
    }
    Bytes feed(const Bytes &bytes)
    {
        Bytes s(bytes.size());
        uint32_t n = rx.receive(bytes.data(), uint32_t(bytes.size()), s.data(), now);
        shown.insert(shown.end(), s.begin(), s.begin() + n);
        return take();
    }
    Bytes wait(uint32_t ms)
    {
        now += ms;
        rx.tick(now);
        return take();
    }
};

Bytes block(uint32_t number, const Bytes &data, uint32_t size, bool crc)
{
    Bytes f(XmodemFrame::maxFrameBytes);
    f.resize(XmodemFrame::frame(f.data(), number, data.data(), uint32_t(data.size()), size, crc));
    return f;
}

// Block 0 is filled with NUL, not ^Z.
Bytes ymodemHeader(const std::string &info)
{
    Bytes data(128, 0);
    std::copy(info.begin(), info.end(), data.begin());
    return block(0, data, 128, true);
}

struct ReceiverEnd
{
    const char *label;
    Bytes after;           // what the sender sends after block 1
    bool abortFirst;
    XmodemReceiver::Outcome outcome;
    Bytes answer;          // the receiver's last output
};

} // namespace

// A sender that does not answer "C" is asked with NAK, for the 8-bit sum.
TEST(XmodemReceiver, FallsBackToTheChecksumWhenCIsNotAnswered)
{
    Rig r(TransferProtocol::xmodem);
    r.rx.start(0);
    EXPECT_EQ(r.take(), Bytes{'C'});
    EXPECT_EQ(r.wait(3000), Bytes{'C'});
    EXPECT_EQ(r.wait(3000), Bytes{'C'});
    EXPECT_EQ(r.wait(3000), Bytes{NAK});
    EXPECT_FALSE(r.rx.usesCrc());
    Bytes data(128, 'a');
    EXPECT_EQ(r.feed(block(1, data, 128, false)), Bytes{ACK});
    EXPECT_EQ(r.feed({EOT}), Bytes{ACK});
    EXPECT_EQ(r.rx.outcome(), XmodemReceiver::Outcome::done);
    ASSERT_EQ(r.sink.files.size(), 1u);
    EXPECT_EQ(r.sink.files[0].data, data);
    EXPECT_EQ(r.sink.files[0].ended, 1);
}

TEST(XmodemReceiver, ARepeatedBlockIsAnsweredAndWrittenOnce)
{
    Rig r(TransferProtocol::xmodem);
    r.rx.start(0);
    r.take();
    Bytes one(128, '1'), two(1024, '2');
    EXPECT_EQ(r.feed(block(1, one, 128, true)), Bytes{ACK});
    EXPECT_EQ(r.feed(block(1, one, 128, true)), Bytes{ACK});
    EXPECT_EQ(r.feed(block(2, two, 1024, true)), Bytes{ACK});
    EXPECT_EQ(r.feed({EOT}), Bytes{ACK});
    Bytes both = one;
    both.insert(both.end(), two.begin(), two.end());
    EXPECT_EQ(r.sink.files[0].data, both);
}

// A damaged block is let pass to its end and asked for again once the line
// is quiet; the sender's text before the first block is shown.
TEST(XmodemReceiver, ADamagedBlockIsAskedForAgainAfterTheQuiet)
{
    Rig r(TransferProtocol::xmodem);
    r.rx.start(0);
    r.take();
    r.feed({'G', 'o', '\r', '\n'});
    EXPECT_EQ(r.shown, (Bytes{'G', 'o', '\r', '\n'}));
    Bytes data(128, 'x');
    Bytes bad = block(1, data, 128, true);
    bad[50] ^= 0xFF;
    bad.insert(bad.end(), 30, 'z');  // the frame read out of step: the rest is noise
    EXPECT_EQ(r.feed(bad), Bytes());
    EXPECT_EQ(r.wait(100), Bytes());
    EXPECT_EQ(r.wait(100), Bytes{NAK});
    EXPECT_EQ(r.feed(block(1, data, 128, true)), Bytes{ACK});
    EXPECT_EQ(r.sink.files[0].data, data);
    EXPECT_EQ(r.shown.size(), 4u);
}

TEST(XmodemReceiver, EndsWithTheRightOutcomeAndNoHalfFile)
{
    Bytes cancel(8, CAN);
    const ReceiverEnd cases[] = {
        {"blockMissing", block(3, Bytes(128, 'c'), 128, true), false, XmodemReceiver::Outcome::lostSync, cancel},
        {"senderCancels", {CAN, CAN}, false, XmodemReceiver::Outcome::senderCancelled, {}},
        {"aborted", {}, true, XmodemReceiver::Outcome::aborted, cancel},
    };
    for (const ReceiverEnd &c : cases) {
        Rig r(TransferProtocol::xmodem);
        r.rx.start(0);
        r.take();
        r.feed(block(1, Bytes(128, 'a'), 128, true));
        if (c.abortFirst)
            r.rx.abort();
        EXPECT_EQ(r.feed(c.after), c.answer) << c.label;
        EXPECT_EQ(r.rx.outcome(), c.outcome) << c.label;
        ASSERT_EQ(r.sink.files.size(), 1u) << c.label;
        EXPECT_EQ(r.sink.files[0].ended, -1) << c.label;
    }
    // A sender that never comes: asked a minute long, then given up.
    Rig r(TransferProtocol::ymodem);
    r.rx.start(0);
    r.take();
    int asks = 1;
    while (!r.rx.finished() && asks < 100)
        asks += r.wait(r.rx.msUntilDeadline(r.now)).empty() ? 0 : 1;
    EXPECT_EQ(r.rx.outcome(), XmodemReceiver::Outcome::noAnswer);
    EXPECT_EQ(asks, 20);
    EXPECT_EQ(r.now, 60000u);
}

// YMODEM: each file's name, size and time from its block 0, its data cut
// to the size; the empty block 0 ends the batch.
TEST(XmodemReceiver, YmodemTakesNamesSizesAndCutsThePadding)
{
    Rig r(TransferProtocol::ymodem);
    r.rx.start(0);
    EXPECT_EQ(r.take(), Bytes{'C'});
    EXPECT_EQ(r.feed(ymodemHeader(std::string("log.txt\0" "130 14567223342 100644", 30))), (Bytes{ACK, 'C'}));
    Bytes data(130, 'L');
    r.feed(block(1, Bytes(data.begin(), data.begin() + 128), 128, true));
    r.feed(block(2, Bytes(data.begin() + 128, data.end()), 128, true));
    EXPECT_EQ(r.feed({EOT}), Bytes{NAK});
    EXPECT_EQ(r.feed({EOT}), (Bytes{ACK, 'C'}));
    EXPECT_EQ(r.feed(ymodemHeader(std::string("none\0", 5))), (Bytes{ACK, 'C'}));
    EXPECT_EQ(r.feed(block(1, Bytes(3, 'n'), 128, true)), Bytes{ACK});
    r.feed({EOT});
    r.feed({EOT});
    EXPECT_EQ(r.feed(ymodemHeader("")), Bytes{ACK});
    EXPECT_EQ(r.rx.outcome(), XmodemReceiver::Outcome::done);
    ASSERT_EQ(r.sink.files.size(), 2u);
    EXPECT_EQ(r.sink.files[0].name, "log.txt");
    EXPECT_EQ(r.sink.files[0].size, 130u);
    EXPECT_EQ(r.sink.files[0].mtime, 014567223342u);
    EXPECT_EQ(r.sink.files[0].data, data);
    EXPECT_EQ(r.sink.files[0].ended, 1);
    // No size given: every byte that came, padding and all.
    EXPECT_EQ(r.sink.files[1].size, ReceiveSink::unknownSize);
    EXPECT_EQ(r.sink.files[1].data.size(), 128u);
}
