#include "terminal/receive/LogWriter.h"

#include <cstring>

namespace {
const uint32_t batchSlack = 8192;
}

LogWriter::LogWriter(LogFile &file)
    : file(file), buffer(4096), lastFlush(0), started(false), failed(false), noticeTaken(false)
{
}

void LogWriter::reset()
{
    buffer.clear();
    started = false;
    failed = false;
    noticeTaken = false;
}

void LogWriter::fail()
{
    failed = true;
    buffer.clear();
}

bool LogWriter::takeFailNotice()
{
    if (!failed || noticeTaken)
        return false;
    noticeTaken = true;
    return true;
}

void LogWriter::line(const char *text, uint32_t length)
{
    if (failed || length == 0)
        return;
    if (buffer.count() + uint64_t(length) > flushAtBytes && !flush())
        return;
    uint32_t at = buffer.count();
    // Room for a whole batch at once, not a growth per line.
    uint32_t want = at + length > flushAtBytes + batchSlack ? at + length : flushAtBytes + batchSlack;
    if (!buffer.reserve(want) && !buffer.reserve(at + length)) {
        fail();
        return;
    }
    std::memcpy(buffer.items() + at, text, length);
    buffer.at(at + length - 1);
}

bool LogWriter::flush()
{
    if (failed)
        return false;
    if (buffer.count() && !file.write(buffer.items(), buffer.count())) {
        fail();
        return false;
    }
    buffer.clear();
    return true;
}

void LogWriter::tick(uint64_t now)
{
    if (!started) {
        started = true;
        lastFlush = now;
    }
    if (now - lastFlush < flushEveryMs)
        return;
    lastFlush = now;
    flush();
}
