#include <gtest/gtest.h>

#include "ZmodemModel.h"

#include "terminal/transfer/ZmodemReceiver.h"

using namespace zmodel;

namespace {

class Sink : public ReceiveSink
{
public:
    struct File
    {
        std::string name;
        uint64_t size;
        std::string data;
        int ended;
    };
    std::vector<File> files;
    std::string refuse;
    bool startFile(const char *name, uint64_t size, uint32_t) override
    {
        files.push_back(File{name, size, "", 0});
        return refuse != name;
    }
    bool fileData(const unsigned char *data, uint32_t count) override
    {
        files.back().data.append(reinterpret_cast<const char *>(data), count);
        return true;
    }
    void endFile(bool complete) override { files.back().ended = complete ? 1 : -1; }
};

struct Rig
{
    Sink sink;
    ZmodemReceiver rx{sink};
    uint32_t now = 0;
    std::string shown;
    Bytes raw;  // the receiver's last output
    // What the receiver answered to bytes, frame by frame.
    std::vector<Frame> feed(const Bytes &bytes)
    {
        Bytes s(bytes.size());
        uint32_t n = rx.receive(bytes.data(), uint32_t(bytes.size()), s.data(), now);
        shown.append(s.begin(), s.begin() + n);
        return take();
    }
    std::vector<Frame> take()
    {
        raw.assign(rx.output(), rx.output() + rx.outputCount());
        rx.outputSent(now);
        Parser p;
        p.feed(raw);
        return p.frames;
    }
    std::vector<Frame> wait(uint32_t ms)
    {
        now += ms;
        rx.tick(now);
        return take();
    }
};

Bytes zfile(const std::string &info)
{
    unsigned char h[4] = {0, 0, 0, ZmodemFrame::zcbin};
    Bytes out(ZmodemFrame::maxHeaderBytes);
    out.resize(ZmodemFrame::binaryHeader(out.data(), ZmodemFrame::zfile, h, true));
    return out + subpacket(info, ZmodemFrame::zcrcw);
}

Bytes zdata(uint32_t at) { return header(ZmodemFrame::zdata, at, false, true); }

void expectOne(const std::vector<Frame> &frames, ZmodemFrame::Type type, uint32_t position, const char *what)
{
    ASSERT_EQ(frames.size(), 1u) << what;
    EXPECT_EQ(frames[0].type, type) << what;
    EXPECT_EQ(frames[0].position, position) << what;
}

} // namespace

TEST(ZmodemReceiver, OffersCrc32AndFullDuplexAndSkipsARefusedFile)
{
    Rig r;
    r.rx.start(0);
    auto init = r.take();
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].type, ZmodemFrame::zrinit);
    EXPECT_EQ(init[0].zf0, ZmodemFrame::canfdx | ZmodemFrame::canovio | ZmodemFrame::canfc32);
    r.sink.refuse = "a.txt";
    expectOne(r.feed(zfile(std::string("a.txt\0" "5 0", 9))), ZmodemFrame::zskip, 0, "refused");
    expectOne(r.feed(zfile(std::string("b.txt\0" "5 14567223342", 19))), ZmodemFrame::zrpos, 0, "wanted");
    EXPECT_EQ(r.sink.files.back().size, 5u);
    expectOne(r.feed(zdata(0) + subpacket("hello", ZmodemFrame::zcrce) + header(ZmodemFrame::zeof, 5, false, true)),
              ZmodemFrame::zrinit, 0x23000000, "next file");
    expectOne(r.feed(header(ZmodemFrame::zfin, 0)), ZmodemFrame::zfin, 0, "end");
    EXPECT_FALSE(r.rx.finished());
    r.feed({'O', 'O', '$', ' '});
    EXPECT_TRUE(r.rx.finished());
    EXPECT_EQ(r.rx.outcome(), ZmodemReceiver::Outcome::done);
    EXPECT_EQ(r.shown, "$ ");
    ASSERT_EQ(r.sink.files.size(), 2u);
    EXPECT_EQ(r.sink.files[1].data, "hello");
    EXPECT_EQ(r.sink.files[1].ended, 1);
}

// Damaged data, or data from elsewhere in the file, is asked for again from
// where the file is whole; ZCRCQ and ZCRCW are acknowledged.
TEST(ZmodemReceiver, AsksForTheDataAgainFromWhereTheFileIsWhole)
{
    Rig r;
    r.rx.start(0);
    r.take();
    r.feed(zfile(std::string("c.bin\0" "9", 7)));
    Bytes bad = subpacket("XYZ", ZmodemFrame::zcrcg);
    bad[1] ^= 0x01;
    expectOne(r.feed(zdata(0) + subpacket("abc", ZmodemFrame::zcrcg) + bad), ZmodemFrame::zrpos, 3, "damaged");
    expectOne(r.feed(zdata(6) + subpacket("ghi", ZmodemFrame::zcrce)), ZmodemFrame::zrpos, 3, "from elsewhere");
    expectOne(r.feed(zdata(3) + subpacket("def", ZmodemFrame::zcrcq)), ZmodemFrame::zack, 6, "ZCRCQ");
    expectOne(r.feed(subpacket("ghi", ZmodemFrame::zcrcw)), ZmodemFrame::zack, 9, "ZCRCW");
    EXPECT_TRUE(r.feed(header(ZmodemFrame::zeof, 5, false, true)).empty()) << "an end before the data's end";
    expectOne(r.feed(header(ZmodemFrame::zeof, 9, false, true)), ZmodemFrame::zrinit, 0x23000000, "end");
    EXPECT_EQ(r.sink.files[0].data, "abcdefghi");
    EXPECT_EQ(r.sink.files[0].ended, 1);
}

TEST(ZmodemReceiver, SilenceIsAskedAgainThenGivenUpWithoutAHalfFile)
{
    Rig r;
    r.rx.start(0);
    r.take();
    r.feed(zfile(std::string("d.bin\0" "100", 10)));
    r.feed(zdata(0) + subpacket("12345", ZmodemFrame::zcrcg));
    int asks = 0;
    while (!r.rx.finished() && asks < 20) {
        auto frames = r.wait(r.rx.msUntilDeadline(r.now));
        if (!frames.empty() && frames[0].type == ZmodemFrame::zrpos && frames[0].position == 5)
            ++asks;
    }
    EXPECT_EQ(r.rx.outcome(), ZmodemReceiver::Outcome::noAnswer);
    EXPECT_EQ(asks, 9);
    EXPECT_EQ(r.raw, Bytes({0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 8, 8, 8, 8, 8, 8, 8, 8}));
    EXPECT_EQ(r.sink.files[0].ended, -1);
}

TEST(ZmodemReceiver, EndsOnCancelAndAbortAndNeverRunsACommand)
{
    {
        Rig r;
        r.rx.start(0);
        r.take();
        unsigned char h[4] = {0, 0, 0, 0};
        Bytes cmd(ZmodemFrame::maxHeaderBytes);
        cmd.resize(ZmodemFrame::binaryHeader(cmd.data(), ZmodemFrame::zcommand, h, true));
        expectOne(r.feed(cmd + subpacket("rm -rf /", ZmodemFrame::zcrcw)), ZmodemFrame::zcompl, 1, "command");
        r.feed(zfile(std::string("e.bin\0" "100", 10)));
        r.feed(zdata(0) + subpacket("12345", ZmodemFrame::zcrcg));
        r.feed({'6', 0x18, 0x18, 0x18, 0x18, 0x18, 0x08, 0x08});
        EXPECT_EQ(r.rx.outcome(), ZmodemReceiver::Outcome::senderCancelled);
        EXPECT_TRUE(r.raw.empty());
        EXPECT_EQ(r.sink.files[0].ended, -1);
    }
    Rig r;
    r.rx.start(0);
    r.take();
    r.feed(zfile(std::string("f.bin\0" "100", 10)));
    r.rx.abort();
    r.take();
    EXPECT_EQ(r.raw.size(), ZmodemReceiver::cancelLength);
    EXPECT_EQ(r.rx.outcome(), ZmodemReceiver::Outcome::aborted);
    EXPECT_EQ(r.sink.files[0].ended, -1);
}
