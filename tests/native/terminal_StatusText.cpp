#include <gtest/gtest.h>

#include "terminal/ui/StatusText.h"

#include <cstring>
#include <string>

namespace {

// baud index, stop index, parity index, data index as the settings word
// stores them.
CommSettings line(unsigned baud, unsigned stop, unsigned parity, unsigned data)
{
    CommSettings s;
    s.baudIndex = baud;
    s.stopBitsIndex = stop;
    s.parityIndex = parity;
    s.dataBitsIndex = data;
    return s;
}

StatusFacts withFlow(CommSettings settings, CommExtras::Flow flow)
{
    StatusFacts f;
    f.settings = settings;
    f.extras.setFlow(f.settings, flow);
    return f;
}

template <class F>
std::string textOf(F part, const StatusFacts &facts)
{
    char buffer[StatusText::partSize];
    size_t n = part(facts, buffer, sizeof buffer);
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
}

} // namespace

TEST(StatusText, PortPartNamesThePortAndItsState)
{
    struct Row { unsigned port; StatusFacts::PortState state; const char *text; };
    const Row rows[] = {
        {2, StatusFacts::portOpen, "COM2 open"},
        {2, StatusFacts::portClosed, "COM2 closed"},
        {16, StatusFacts::portWaiting, "COM16 lost, waiting"},
        {200, StatusFacts::portOpen, "COM200 open"},
    };
    for (const Row &r : rows) {
        StatusFacts f;
        f.extras.setPort(f.settings, r.port);
        f.state = r.state;
        EXPECT_EQ(textOf(StatusText::port, f), r.text);
    }
}

TEST(StatusText, LinePartIsBaudFrameAndFlowAsTheListNamesIt)
{
    // Table indices: baud 6 = 9600, 8 = 19200, 12 = 115200; stop 0 = 1,
    // 1 = 1.5, 2 = 2; parity 0 = Even, 1 = Mark, 2 = None, 3 = Odd,
    // 4 = Space; data 2 = 7, 3 = 8.
    struct Row { CommSettings settings; CommExtras::Flow flow; const char *text; };
    const Row rows[] = {
        {line(8, 0, 2, 3), CommExtras::flowBoth, "19200 8N1 RTS/CTS and DTR/DSR"},
        {line(12, 2, 0, 2), CommExtras::flowNone, "115200 7E2 None"},
        {line(6, 1, 2, 3), CommExtras::flowXonXoff, "9600 8N1.5 XON/XOFF"},
        {line(6, 0, 3, 3), CommExtras::flowRtsCts, "9600 8O1 RTS/CTS"},
        {line(6, 0, 1, 3), CommExtras::flowDtrDsr, "9600 8M1 DTR/DSR"},
        {line(6, 0, 4, 3), CommExtras::flowNone, "9600 8S1 None"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(textOf(StatusText::line, withFlow(r.settings, r.flow)), r.text);
}

TEST(StatusText, LinePartOfAStrangeWordSaysWhatItCan)
{
    StatusFacts f;
    f.settings = line(31, 3, 7, 2);   // indices beyond every table
    f.settings.dtrDsrMode = 0;
    f.settings.rtsCtsMode = 3;
    f.settings.xonXoff = 0;
    EXPECT_EQ(textOf(StatusText::line, f), "? 7?? DTR off, RTS toggle");
}

TEST(StatusText, CountsHaveThousandsSeparators)
{
    struct Row { uint64_t rx, tx; const char *text; };
    const Row rows[] = {
        {0, 0, "RX 0  TX 0"},
        {999, 1000, "RX 999  TX 1,000"},
        {1048576, 12, "RX 1,048,576  TX 12"},
        {18446744073709551615ull, 100000, "RX 18,446,744,073,709,551,615  TX 100,000"},
    };
    for (const Row &r : rows) {
        StatusFacts f;
        f.received = r.rx;
        f.sent = r.tx;
        EXPECT_EQ(textOf(StatusText::counts, f), r.text);
    }
}

TEST(StatusText, NoteNamesTheCaptureFileElseAFullHistoryThenTheLog)
{
    struct Row { const char *path; bool full; const char *log; const char *text; };
    const Row rows[] = {
        {nullptr, false, nullptr, ""},
        {nullptr, true, nullptr, "Buffer Full"},
        {"C:\\logs\\board.bin", false, nullptr, "Capturing board.bin"},
        {"Z:/tmp/x/flood.cap", true, nullptr, "Capturing flood.cap"},
        {"D:bare.txt", false, nullptr, "Capturing bare.txt"},
        {nullptr, false, "C:\\logs\\board.log", "Logging board.log"},
        {nullptr, true, "board.log", "Buffer Full  Logging board.log"},
        {"C:\\raw.bin", true, "C:\\a\\b.log", "Capturing raw.bin  Logging b.log"},
    };
    for (const Row &r : rows) {
        StatusFacts f;
        f.capturePath = r.path;
        f.historyFull = r.full;
        f.logPath = r.log;
        EXPECT_EQ(textOf(StatusText::note, f), r.text);
    }
}

TEST(StatusText, TextsAreCutToTheBufferAndZeroSizeWritesNothing)
{
    StatusFacts f;
    f.received = 1048576;
    char small[8];
    EXPECT_EQ(StatusText::counts(f, small, sizeof small), 7u);
    EXPECT_STREQ(small, "RX 1,04");
    char untouched[2] = {'q', 0};
    EXPECT_EQ(StatusText::port(f, untouched, 0), 0u);
    EXPECT_EQ(untouched[0], 'q');
    // A note cut within the capture leaves the log out, its length exact.
    f.capturePath = "raw.bin";
    f.logPath = "b.log";
    char note[12];
    EXPECT_EQ(StatusText::note(f, note, sizeof note), 11u);
    EXPECT_STREQ(note, "Capturing r");
}
