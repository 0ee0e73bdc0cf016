#include <gtest/gtest.h>

#include "ZmodemModel.h"

#include "terminal/transfer/ZmodemSender.h"

using namespace zmodel;

namespace {

class Source : public ZmodemSender::Source
{
public:
    explicit Source(uint32_t size) : data(size, '\0')
    {
        for (uint32_t i = 0; i < size; ++i)
            data[i] = static_cast<char>('a' + i % 26);
    }
    uint32_t read(unsigned char *to, uint32_t count) override
    {
        uint32_t n = 0;
        while (n < count && pos < data.size())
            to[n++] = static_cast<unsigned char>(data[pos++]);
        return n;
    }
    bool seek(uint32_t offset) override
    {
        pos = offset;
        return offset <= data.size();
    }
    std::string data;
    uint32_t pos = 0;
};

struct Rig
{
    Source source;
    ZmodemSender tx;
    uint32_t now = 0;
    Bytes raw;
    explicit Rig(uint32_t size) : source(size), tx("C:\\out\\f.bin", size, 01234567, source) {}
    // Everything the sender puts out before it waits, frame by frame.
    // (New frames only; all holds every frame, subpackets added to the
    // frame they belong to.)
    std::vector<Frame> take(uint32_t maxChunks = 1000)
    {
        size_t before = all.frames.size();
        raw.clear();
        for (uint32_t i = 0; i < maxChunks && tx.outputCount() != 0; ++i) {
            Bytes out(tx.output(), tx.output() + tx.outputCount());
            raw.insert(raw.end(), out.begin(), out.end());
            tx.outputSent(now);
            all.feed(out);
        }
        return std::vector<Frame>(all.frames.begin() + long(before), all.frames.end());
    }
    Parser all;
    std::vector<Frame> feed(const Bytes &bytes)
    {
        Bytes shown(bytes.size());
        tx.receive(bytes.data(), uint32_t(bytes.size()), shown.data(), now);
        return take();
    }
};

std::string joined(const Frame &f)
{
    std::string all;
    for (const std::string &d : f.data)
        all += d;
    return all;
}

struct SenderEnd
{
    const char *label;
    Bytes answer;  // after the ZFILE
    ZmodemSender::Outcome outcome;
    bool cancelled;
};

} // namespace

// The receiver's ZRINIT decides the CRC and whether each subpacket waits
// for its ZACK (a receiver that cannot read while it writes).
TEST(ZmodemSender, FollowsTheReceiversCapabilities)
{
    struct Case
    {
        unsigned char flags;
        bool wide;
        bool waitEach;
    };
    for (const Case &c : {Case{0x23, true, false}, Case{0x03, false, false}, Case{0x21, true, true}}) {
        Rig r(3000);
        r.tx.start(0, true);
        auto first = r.take();
        EXPECT_EQ(std::string(r.raw.begin(), r.raw.begin() + 3), "rz\r");
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].type, ZmodemFrame::zrqinit);
        auto offer = r.feed(flagsHeader(ZmodemFrame::zrinit, c.flags));
        ASSERT_EQ(offer.size(), 1u);
        EXPECT_EQ(offer[0].type, ZmodemFrame::zfile);
        EXPECT_EQ(offer[0].wide, c.wide);
        EXPECT_EQ(offer[0].zf0, ZmodemFrame::zcbin);
        ASSERT_EQ(offer[0].data.size(), 1u);
        EXPECT_EQ(offer[0].data[0], std::string("f.bin\0" "3000 1234567 100644 0 1 3000\0", 35));
        auto data = r.feed(header(ZmodemFrame::zrpos, 0));
        ASSERT_GE(data.size(), 1u);
        EXPECT_EQ(data[0].type, ZmodemFrame::zdata);
        EXPECT_EQ(data[0].position, 0u);
        if (c.waitEach) {
            ASSERT_EQ(data.size(), 1u);
            EXPECT_EQ(data[0].ends, std::vector<unsigned char>{ZmodemFrame::zcrcw});
            // Each after its ZACK, under a ZDATA header of its own.
            auto second = r.feed(header(ZmodemFrame::zack, 1024));
            ASSERT_EQ(second.size(), 1u);
            EXPECT_EQ(second[0].position, 1024u);
            EXPECT_EQ(second[0].ends, std::vector<unsigned char>{ZmodemFrame::zcrcw});
            data = r.feed(header(ZmodemFrame::zack, 2048));
            ASSERT_EQ(data.size(), 2u);
            EXPECT_EQ(data[0].position, 2048u);
            EXPECT_EQ(data[0].ends, std::vector<unsigned char>{ZmodemFrame::zcrce});
            EXPECT_EQ(joined(r.all.frames[2]) + joined(second[0]) + joined(data[0]), r.source.data);
        } else {
            ASSERT_EQ(data.size(), 2u);
            EXPECT_EQ(data[0].ends, (std::vector<unsigned char>{ZmodemFrame::zcrcg, ZmodemFrame::zcrcg,
                                                                 ZmodemFrame::zcrce}));
            EXPECT_EQ(joined(data[0]), r.source.data);
        }
        EXPECT_EQ(data.back().type, ZmodemFrame::zeof);
        EXPECT_EQ(data.back().position, 3000u);
        auto fin = r.feed(flagsHeader(ZmodemFrame::zrinit, c.flags));
        ASSERT_EQ(fin.size(), 1u);
        EXPECT_EQ(fin[0].type, ZmodemFrame::zfin);
        r.feed(header(ZmodemFrame::zfin, 0));
        EXPECT_EQ(std::string(r.raw.begin(), r.raw.end()), "OO");
        EXPECT_EQ(r.tx.outcome(), ZmodemSender::Outcome::done);
    }
}

// The receiver asks for the data again from an offset: the stream starts
// there anew, the file read from there.
TEST(ZmodemSender, ResumesWhereTheReceiverAsks)
{
    Rig r(5000);
    r.tx.start(0, false);
    r.feed(flagsHeader(ZmodemFrame::zrinit, 0x23));
    r.feed(header(ZmodemFrame::zrpos, 0));
    auto again = r.feed(header(ZmodemFrame::zrpos, 2100));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].type, ZmodemFrame::zdata);
    EXPECT_EQ(again[0].position, 2100u);
    EXPECT_EQ(joined(again[0]), r.source.data.substr(2100));
    // Asked for the same place over and over: no progress, given up.
    for (int i = 0; i < 25 && !r.tx.finished(); ++i)
        r.feed(header(ZmodemFrame::zrpos, 2100));
    EXPECT_EQ(r.tx.outcome(), ZmodemSender::Outcome::tooManyErrors);
    EXPECT_EQ(r.raw.size(), ZmodemSender::cancelLength);
}

TEST(ZmodemSender, EndsWithTheRightOutcome)
{
    const SenderEnd cases[] = {
        {"skipped", header(ZmodemFrame::zskip, 0), ZmodemSender::Outcome::skipped, false},
        {"receiverCancels", Bytes(8, 0x18), ZmodemSender::Outcome::receiverCancelled, false},
        {"fileError", header(ZmodemFrame::zferr, 0), ZmodemSender::Outcome::receiverCancelled, false},
    };
    for (const SenderEnd &c : cases) {
        Rig r(100);
        r.tx.start(0, true);
        r.take();
        r.feed(flagsHeader(ZmodemFrame::zrinit, 0x23));
        auto after = r.feed(c.answer);
        if (c.outcome == ZmodemSender::Outcome::skipped) {
            ASSERT_EQ(after.size(), 1u);
            EXPECT_EQ(after[0].type, ZmodemFrame::zfin);
            r.feed(header(ZmodemFrame::zfin, 0));
        }
        EXPECT_EQ(r.tx.outcome(), c.outcome) << c.label;
    }
    // No receiver: ZRQINIT every 10 s, ten times, then given up.
    Rig r(100);
    r.tx.start(0, true);
    int asks = 0;
    while (!r.tx.finished() && asks < 20) {
        if (!r.take().empty())
            ++asks;
        r.now += r.tx.msUntilDeadline(r.now);
        r.tx.tick(r.now);
    }
    EXPECT_EQ(r.tx.outcome(), ZmodemSender::Outcome::noAnswer);
    EXPECT_EQ(asks, 10);
    EXPECT_EQ(r.now, 100000u);
    // Abort in the middle of the stream: 8 CAN and 8 backspaces.
    Rig a(100000);
    a.tx.start(0, false);
    a.feed(flagsHeader(ZmodemFrame::zrinit, 0x23));
    a.feed(header(ZmodemFrame::zrpos, 0));  // take() stops after the stream's first chunks
    a.tx.abort();
    a.take();
    EXPECT_EQ(a.raw, Bytes({0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 8, 8, 8, 8, 8, 8, 8, 8}));
    EXPECT_EQ(a.tx.outcome(), ZmodemSender::Outcome::aborted);
}

// rz ends its closing ZFIN header with CR and LF (0x8A), which may come in
// a read of their own: they are the session's; what follows is the far
// end's text again.
TEST(ZmodemSender, ClosingHeadersLineEndIsNotShown)
{
    Rig r(10);
    r.tx.start(0, false);
    r.take();
    r.feed(flagsHeader(ZmodemFrame::zrinit, 0x23));
    r.feed(header(ZmodemFrame::zrpos, 0));
    r.feed(flagsHeader(ZmodemFrame::zrinit, 0x23));
    Bytes fin = header(ZmodemFrame::zfin, 0);
    ASSERT_GE(fin.size(), 2u);
    ASSERT_EQ(fin[fin.size() - 2], '\r');
    ASSERT_EQ(fin[fin.size() - 1], 0x8A);
    Bytes shown(fin.size() + 8);
    EXPECT_EQ(r.tx.receive(fin.data(), uint32_t(fin.size() - 2), shown.data(), 0), 0u);
    EXPECT_EQ(r.tx.outcome(), ZmodemSender::Outcome::done);
    EXPECT_TRUE(r.tx.closing());
    Bytes rest = {'\r', 0x8A, '$', ' '};
    ASSERT_EQ(r.tx.receive(rest.data(), uint32_t(rest.size()), shown.data(), 0), 2u);
    EXPECT_EQ(std::string(shown.begin(), shown.begin() + 2), "$ ");
    EXPECT_FALSE(r.tx.closing());
}
