#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/LogLines.h"
#include "terminal/receive/LogWriter.h"

namespace {

// 2026-12-09 14:03:07.125 local, in milliseconds from 1601.
const int64_t dayOf20261209 = 155570;   // days from 1601-01-01
const int64_t at140307 = dayOf20261209 * 86400000 + ((14 * 60 + 3) * 60 + 7) * 1000 + 125;

struct Collected : LogLineSink
{
    std::vector<std::string> lines;
    void line(const char *text, uint32_t length) override { lines.emplace_back(text, length); }
};

// The lines without their stamps: direction and content.
std::vector<std::string> bodies(const Collected &c)
{
    std::vector<std::string> out;
    for (const std::string &l : c.lines) {
        EXPECT_GE(l.size(), size_t(LogLines::prefixChars) + 2);
        EXPECT_EQ(l.substr(l.size() - 2), "\r\n");
        out.push_back(l.substr(LogLines::stampChars, l.size() - LogLines::stampChars - 2));
    }
    return out;
}

const unsigned char *bytes(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

void rx(LogLines &log, const std::string &s, int64_t t = at140307)
{
    log.received(bytes(s.data()), uint32_t(s.size()), t);
}

void tx(LogLines &log, const std::string &s, int64_t t = at140307)
{
    log.sent(bytes(s.data()), uint32_t(s.size()), t);
}

std::string stamp(int64_t ms)
{
    char out[LogLines::stampChars + 1];
    EXPECT_EQ(LogLines::formatStamp(ms, out), uint32_t(LogLines::stampChars));
    return out;
}

} // namespace

TEST(LogLines, StampsGiveDateAndTimeToTheMillisecond)
{
    EXPECT_EQ(stamp(at140307), "2026-12-09 14:03:07.125 ");
    EXPECT_EQ(stamp(0), "1601-01-01 00:00:00.000 ");
    int64_t feb29 = (dayOf20261209 - 1014) * 86400000;   // 2024-02-29
    EXPECT_EQ(stamp(feb29 + 86399999), "2024-02-29 23:59:59.999 ");
    EXPECT_EQ(stamp(feb29 + 86400000), "2024-03-01 00:00:00.000 ");
    int64_t jan1 = (dayOf20261209 - 342) * 86400000;   // 2026-01-01
    EXPECT_EQ(stamp(jan1 - 1), "2025-12-31 23:59:59.999 ");
}

TEST(LogLines, ReceivedAndSentLinesInTheOrderTheyHappened)
{
    Collected c;
    LogLines log(c);
    tx(log, "AT\r");
    rx(log, "\r\nO");   // the echo's end, then half an answer
    rx(log, "K\r\n");
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(c.lines[0], "2026-12-09 14:03:07.125 TX AT\r\n");
    EXPECT_EQ(bodies(c), (std::vector<std::string>{"TX AT", "RX ", "RX OK"}));
}

TEST(LogLines, TextLinesEndAsTheViewBreaksThem)
{
    struct Case
    {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;   // after finish()
    } cases[] = {
        {{"a\nb\r\nc\rd"}, {"RX a", "RX b", "RX c", "RX d"}},
        {{"a\r", "\nb"}, {"RX a", "RX b"}},           // a CR LF cut between chunks
        {{"a\r", "b"}, {"RX a", "RX b"}},
        {{"\n\n"}, {"RX ", "RX "}},
        {{"x\r\r\ny"}, {"RX x", "RX ", "RX y"}},
        {{std::string("n\0\x1b[1m\tz\x7f", 9)}, {"RX n..[1m\tz."}},
        {{"half"}, {"RX half"}},                     // finished by the log's end
    };
    for (const Case &k : cases) {
        Collected c;
        LogLines log(c);
        for (const std::string &chunk : k.chunks)
            rx(log, chunk);
        log.finish();
        EXPECT_EQ(bodies(c), k.lines) << k.chunks[0];
    }
}

TEST(LogLines, ALineTakesTheTimeOfItsFirstByte)
{
    Collected c;
    LogLines log(c);
    rx(log, "O", at140307);
    rx(log, "K\r\n", at140307 + 900);
    rx(log, "next\n", at140307 + 1000);
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(c.lines[0].substr(0, 24), "2026-12-09 14:03:07.125 ");
    EXPECT_EQ(c.lines[1].substr(0, 24), "2026-12-09 14:03:08.125 ");
}

TEST(LogLines, ASendCutsAReceivedLineWhichGoesOnAfterIt)
{
    Collected c;
    LogLines log(c);
    rx(log, "abc");
    tx(log, "X\r\nY\r\n");
    rx(log, "def\n");
    EXPECT_EQ(bodies(c), (std::vector<std::string>{"RX abc", "TX X", "TX Y", "RX def"}));
}

TEST(LogLines, ALineWithoutAnEndIsCutAtItsBound)
{
    Collected c;
    LogLines log(c);
    std::string flood(LogLines::maxLineBytes * 2 + 10, 'f');
    rx(log, flood);
    log.finish();
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(bodies(c)[0], "RX " + std::string(LogLines::maxLineBytes, 'f'));
    EXPECT_EQ(bodies(c)[2], "RX " + std::string(10, 'f'));
}

TEST(LogLines, HexDumpLinesKeepCountingReceivedBytesOnly)
{
    Collected c;
    LogLines log(c);
    log.setHex(true);
    rx(log, "0123456789");   // a full line; two bytes of the next wait
    tx(log, "AT\r");         // cuts it
    rx(log, "abcdefghijklmn");
    log.finish();
    EXPECT_EQ(bodies(c), (std::vector<std::string>{
                             "RX 000000 3031323334353637 01234567",
                             "RX 000008 3839             89",
                             "TX 000000 41540D           AT.",
                             "RX 00000A 616263646566     abcdef",   // up to offset 16 again
                             "RX 000010 6768696A6B6C6D6E ghijklmn",
                         }));
    log.restart();
    rx(log, "z");
    log.finish();
    EXPECT_EQ(bodies(c).back(), "RX 000000 7A               z");
    // A log begun beside a view that shows 13 bytes goes on at its offsets.
    log.restart(13);
    rx(log, "0123456");
    log.finish();
    std::vector<std::string> last = bodies(c);
    last.erase(last.begin(), last.end() - 2);
    EXPECT_EQ(last, (std::vector<std::string>{"RX 00000D 303132           012",
                                              "RX 000010 33343536         3456"}));
}

TEST(LogLines, AFileSendIsOneLineWithNameAndSize)
{
    Collected c;
    LogLines log(c);
    rx(log, "C");
    log.sentFile("firmware.bin", 1234567890123ull, at140307);
    EXPECT_EQ(bodies(c), (std::vector<std::string>{"RX C", "TX File firmware.bin, 1234567890123 bytes"}));
}

namespace {

struct FakeFile : LogFile
{
    std::string written;
    int writes = 0;
    bool full = false;
    bool write(const char *data, uint32_t length) override
    {
        ++writes;
        if (full)
            return false;
        written.append(data, length);
        return true;
    }
};

} // namespace

TEST(LogWriter, GathersLinesAndWritesThemWithinTheFlushTime)
{
    FakeFile f;
    LogWriter w(f);
    w.tick(1000);
    for (int i = 0; i < 100; ++i)
        w.line("line\r\n", 6);
    w.tick(1400);
    EXPECT_EQ(f.writes, 0);
    w.tick(1500);
    EXPECT_EQ(f.writes, 1);
    EXPECT_EQ(f.written.size(), 600u);
    w.tick(2100);   // nothing held: nothing written
    EXPECT_EQ(f.writes, 1);
    // A flood is written in batches, never held beyond one.
    std::string big(1000, 'b');
    for (int i = 0; i < 200; ++i)
        w.line(big.data(), uint32_t(big.size()));
    EXPECT_GE(f.writes, 3);
    EXPECT_LE(w.held(), uint32_t(LogWriter::flushAtBytes));
    ASSERT_TRUE(w.flush());
    EXPECT_EQ(f.written.size(), 600u + 200000u);
}

TEST(LogWriter, AFailedWriteIsToldOnceAndEndsTheLog)
{
    FakeFile f;
    LogWriter w(f);
    w.line("kept\r\n", 6);
    ASSERT_TRUE(w.flush());
    f.full = true;
    w.line("lost\r\n", 6);
    EXPECT_FALSE(w.flush());
    EXPECT_TRUE(w.ended());
    EXPECT_TRUE(w.takeFailNotice());
    EXPECT_FALSE(w.takeFailNotice());
    int writes = f.writes;
    f.full = false;
    w.line("after\r\n", 7);
    w.tick(0);
    w.tick(10000);
    EXPECT_FALSE(w.flush());
    EXPECT_EQ(f.writes, writes);
    EXPECT_EQ(f.written, "kept\r\n");
    EXPECT_EQ(w.held(), 0u);
    // A new log writes again, and is told of its own failure.
    w.reset();
    w.line("new\r\n", 5);
    EXPECT_TRUE(w.flush());
    EXPECT_EQ(f.written, "kept\r\nnew\r\n");
    f.full = true;
    w.line("x\r\n", 3);
    EXPECT_FALSE(w.flush());
    EXPECT_TRUE(w.takeFailNotice());
}
