#ifndef TERMINAL_LOGWRITER_H
#define TERMINAL_LOGWRITER_H

#include <cstdint>

#include "terminal/receive/LogLines.h"
#include "util/PVect.h"

// The log's file, as the writer needs it: appends, true only when every
// byte was written.
class LogFile
{
public:
    virtual ~LogFile() {}
    virtual bool write(const char *data, uint32_t length) = 0;
};

// Writes the log's lines: they are gathered and go to the file together,
// each within flushEveryMs of its coming (the terminal ticks the writer more
// often than that), so a flood costs a write per tick instead of one per
// line, and a line is on the disk within a second.
//
// The first write that fails (a full disk, the file removed from under it,
// no memory to hold the lines) ends the log: what is held is dropped, no
// further write is tried, and takeFailNotice() says so once. The terminal
// goes on.
class LogWriter : public LogLineSink
{
public:
    enum : uint32_t { flushEveryMs = 500, flushAtBytes = 64 * 1024 };

    explicit LogWriter(LogFile &file);
    LogWriter(const LogWriter &) = delete;
    LogWriter &operator=(const LogWriter &) = delete;

    void line(const char *text, uint32_t length) override;
    // The clock, in milliseconds: writes what waited long enough.
    void tick(uint64_t now);
    // Writes what is held; false when the log has ended.
    bool flush();

    // A new log: nothing held, no failure, the clock to be read again.
    void reset();

    bool ended() const { return failed; }
    bool takeFailNotice();
    uint32_t held() const { return buffer.count(); }

private:
    void fail();

    LogFile &file;
    PVect<char> buffer;
    uint64_t lastFlush;
    bool started;         // lastFlush holds a time
    bool failed;
    bool noticeTaken;
};

#endif
