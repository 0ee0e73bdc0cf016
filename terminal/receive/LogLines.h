#ifndef TERMINAL_LOGLINES_H
#define TERMINAL_LOGLINES_H

#include <cstdint>

// Where completed log lines go: the log's writer, or a string in the tests.
// Each line comes whole, its CR LF included.
class LogLineSink
{
public:
    virtual ~LogLineSink() {}
    virtual void line(const char *text, uint32_t length) = 0;
};

// The log as the view shows it: every completed line, received and sent,
// with its date, time and direction,
//   "2026-12-09 14:03:07.125 RX OK" / "2026-12-09 14:03:07.140 TX AT",
// in hex mode the dump lines ("... RX 000000 4F4B0D0A ..."). A line's time is
// that of its first byte.
//
// Text lines end as the view breaks them (LF, CR LF, or a CR that no LF
// follows); their line end is not part of the line, control characters other
// than tab show as ".", as in the view's long renders, so a log stays a text
// file whatever arrives. A received line that reaches maxLineBytes without an
// end is written and goes on in the next line, so a stream without line
// ends cannot grow the line for ever.
//
// A send cuts a received line: what came of it before the send is written
// at once, the send follows, and the rest of the line goes on after it. In
// hex the received dump keeps its offsets, counting received bytes only: the
// line after a cut holds the bytes up to the next multiple of eight. Sent
// bytes are dump lines of their own, their offsets counted within the send.
class LogLines
{
public:
    typedef int64_t Stamp;
    enum : uint32_t { maxLineBytes = 4096, stampChars = 24, directionChars = 3, prefixChars = 27 };

    explicit LogLines(LogLineSink &sink);
    LogLines(const LogLines &) = delete;
    LogLines &operator=(const LogLines &) = delete;

    // Text or hex lines from now on; a line begun is finished first.
    void setHex(bool on);
    bool hex() const { return hexMode; }

    void received(const unsigned char *data, uint32_t length, Stamp time);
    void sent(const unsigned char *data, uint32_t length, Stamp time);
    // A raw or protocol file send: one line naming the file and its size.
    void sentFile(const char *name, uint64_t size, Stamp time);
    // The received line begun goes out as it is (the log ends).
    void finish();
    // The view was cleared (received offsets count from 0 again), or a log
    // starts beside a view that already shows `shownBefore` received bytes,
    // so that the hex offsets are those the view shows.
    void restart(uint32_t shownBefore = 0);

    // "YYYY-MM-DD hh:mm:ss.mmm " of a local time in milliseconds counted
    // from 1601, as the arrival times count; out holds stampChars + 1.
    static uint32_t formatStamp(Stamp localMs, char *out);

private:
    void begin(const char *direction, Stamp time);
    void putByte(unsigned char c);
    void endLine();
    void receivedText(const unsigned char *data, uint32_t length, Stamp time);
    void receivedHex(const unsigned char *data, uint32_t length, Stamp time);
    void hexLine(const char *direction, const unsigned char *bytes, uint32_t count, uint32_t offset, Stamp time);
    void flushHexPart();

    LogLineSink &sink;
    bool hexMode;
    // A received text line begun, held in `line` after its prefix.
    char line[prefixChars + maxLineBytes + 2];
    uint32_t lineLength;     // characters in line, prefix included
    bool open;               // a received text line is begun
    bool afterCr;            // the last received byte was a CR ending a line
    // The received hex line begun.
    unsigned char hexBytes[8];
    uint32_t hexCount;
    uint32_t hexStart;       // its offset among the received bytes
    Stamp hexTime;
    uint32_t receivedCount;  // received bytes since the restart
};

#endif
