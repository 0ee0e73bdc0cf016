#include "terminal/receive/SessionLog.h"

#include <cstring>

#include "util/ChunkTimes.h"

SessionLog::SessionLog() : file(INVALID_HANDLE_VALUE), name(), writer(*this), lines(writer) {}

SessionLog::~SessionLog()
{
    stop();
}

bool SessionLog::start(const char *path, uint32_t shownBefore)
{
    stop();
    size_t length = path ? strnlen(path, sizeof name) : sizeof name;
    if (length == 0 || length >= sizeof name)
        return false;
    // Appending only: whatever the file held stays, each write goes after
    // the end even if another program added to it meanwhile.
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::memcpy(name, path, length + 1);
    // A line a failed log left begun goes to the failed writer, not here.
    lines.restart(shownBefore);
    writer.reset();
    return true;
}

void SessionLog::stop()
{
    if (file == INVALID_HANDLE_VALUE)
        return;
    lines.finish();
    writer.flush();
    close();
}

void SessionLog::close()
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    name[0] = '\0';
}

bool SessionLog::write(const char *data, uint32_t length)
{
    DWORD done = 0;
    return WriteFile(file, data, length, &done, nullptr) && done == length;
}

void SessionLog::received(const unsigned char *data, uint32_t n, const ChunkTimes &times)
{
    if (!isOn() || n == 0)
        return;
    // A line takes the time of its first byte: each read of the chunk goes
    // with its own time.
    for (uint32_t r = 0; r < times.count() && times.run(r).offset < n; ++r) {
        uint32_t at = r == 0 ? 0 : times.run(r).offset;
        uint32_t end = times.endOf(r, n);
        lines.received(data + at, (end > n ? n : end) - at, times.run(r).time);
    }
}

void SessionLog::sent(const unsigned char *data, uint32_t n, int64_t time)
{
    if (isOn())
        lines.sent(data, n, time);
}

void SessionLog::sentFile(const char *fileName, uint64_t size, int64_t time)
{
    if (isOn())
        lines.sentFile(fileName, size, time);
}

void SessionLog::tick(uint64_t now)
{
    if (isOn())
        writer.tick(now);
}

bool SessionLog::takeFailNotice()
{
    if (!writer.takeFailNotice())
        return false;
    close();
    return true;
}
