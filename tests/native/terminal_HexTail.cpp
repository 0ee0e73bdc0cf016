#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/HexTail.h"

namespace {

std::vector<unsigned char> bytesOf(const std::string &s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string tailOf(const HexTail &t) { return std::string(reinterpret_cast<const char *>(t.bytes()), t.count()); }

void follow(HexTail &t, const std::string &s)
{
    std::vector<unsigned char> b = bytesOf(s);
    t.follow(b.data(), uint32_t(b.size()));
}

// A hex view in a string, fed the way the terminal feeds it, its short
// last line rebuilt from the tail alone.
struct TailView : HexSink {
    std::string text;
    uint32_t lines = 0;
    HexTail tail;

    void eraseTail(uint32_t chars) override
    {
        ASSERT_LE(chars, text.size());
        text.erase(text.size() - chars);
    }
    bool putLine(const char *t, uint32_t length, uint32_t) override
    {
        text.append(t, length);
        return true;
    }
    void show(const std::vector<unsigned char> &chunk)
    {
        HexDump::renderChunk(*this, tail.bytes(), tail.count(), chunk.data(), uint32_t(chunk.size()),
                             uint32_t(text.size()), &lines);
        tail.follow(chunk.data(), uint32_t(chunk.size()));
    }
};

std::string dumpOf(const std::vector<unsigned char> &all)
{
    std::string out;
    char line[HexDump::lineBufferSize];
    for (uint32_t at = 0, number = 0; at < all.size(); at += HexDump::bytesPerLine, ++number) {
        uint32_t n = uint32_t(all.size()) - at < 8 ? uint32_t(all.size()) - at : 8;
        out.append(line, HexDump::formatHexLine(all.data() + at, n, number, line));
    }
    return out;
}

} // namespace

TEST(HexTail, KeepsTheLastLineWorthOfBytesAcrossChunks)
{
    HexTail t;
    EXPECT_EQ(t.count(), 0u);
    follow(t, "ab");
    EXPECT_EQ(tailOf(t), "ab");
    follow(t, "cdefg");
    EXPECT_EQ(tailOf(t), "abcdefg");
    follow(t, "hij");
    EXPECT_EQ(tailOf(t), "cdefghij");
    follow(t, "0123456789");
    EXPECT_EQ(tailOf(t), "23456789");
    follow(t, "");
    EXPECT_EQ(tailOf(t), "23456789");
    t.reset();
    follow(t, "z");
    EXPECT_EQ(tailOf(t), "z");
}

TEST(HexTail, AViewFedInOddChunksIsTheDumpOfTheWholeStream)
{
    // The view's short lines are completed from what it showed, not from a
    // history that may have stopped taking bytes.
    TailView view;
    std::vector<unsigned char> all;
    unsigned x = 7;
    for (int chunk = 0; chunk < 300; ++chunk) {
        x = x * 1103515245u + 12345u;
        std::vector<unsigned char> c((x >> 16) % 23 + 1);
        for (unsigned char &b : c) {
            x = x * 1103515245u + 12345u;
            b = (unsigned char)(x >> 20);
        }
        view.show(c);
        all.insert(all.end(), c.begin(), c.end());
    }
    EXPECT_EQ(view.text, dumpOf(all));
    EXPECT_EQ(view.lines, (all.size() + 7) / 8);
}

// A pause begins a dump line wherever the packet begins: the tail knows what
// the last line holds, and the labels are the running byte offset.
TEST(HexTail, APauseBeginsALineAtTheRunningOffsetAndTheNextChunkCompletesIt)
{
    TailView view;
    uint32_t offset = 0;
    auto show = [&](const std::string &s, bool afterPause) {
        std::vector<unsigned char> c = bytesOf(s);
        if (afterPause)
            view.tail.breakLine();
        HexDump::renderFrom(view, view.tail.lineBytes(), view.tail.lineCount(), offset, c.data(),
                            uint32_t(c.size()));
        view.tail.follow(c.data(), uint32_t(c.size()));
        offset += uint32_t(c.size());
    };
    show("ABC", false);
    show("DEFGHIJKLM", true);
    show("NO", false);
    show("PQRSTUVWX", false);
    show("Y", true);
    EXPECT_EQ(view.text, "000000 414243" + std::string(10, ' ') + " ABC\r\n"
                         "000003 4445464748494A4B DEFGHIJK\r\n"
                         "00000B 4C4D4E4F50515253 LMNOPQRS\r\n"
                         "000013 5455565758" + std::string(6, ' ') + " TUVWX\r\n"
                         "000018 59" + std::string(14, ' ') + " Y\r\n");
}
