#ifndef TERMINAL_SESSIONLOG_H
#define TERMINAL_SESSIONLOG_H

#include <windows.h>

#include <cstdint>

#include "terminal/receive/LogLines.h"
#include "terminal/receive/LogWriter.h"

class ChunkTimes;

// "Log to File": while on, every completed line the view shows, received
// and sent, goes with its date, time and direction to a file chosen by the
// operator, added after what the file already holds. The lines are
// formatted by LogLines and gathered by LogWriter; this class holds the
// file and hands them on to it.
//
// The lines reach the file within a second as long as the owner calls
// tick() every tickMs or so (on its timer, tickTimer). The first write
// that fails ends the log; takeFailNotice() says so once, the terminal
// goes on. Whatever is held is written when the log stops, and when the
// program ends.
class SessionLog : private LogFile
{
public:
    static const UINT_PTR tickTimer = 0x4C33;
    enum : UINT { tickMs = 250 };

    SessionLog();
    ~SessionLog() override;
    SessionLog(const SessionLog &) = delete;
    SessionLog &operator=(const SessionLog &) = delete;

    // Opens path for adding to (made when it does not exist; others may
    // read it meanwhile). A log running is stopped first. False when the
    // file did not open or the path does not fit; the log is then off.
    // shownBefore: the received bytes the view shows already, so that the
    // hex offsets in the log are the view's.
    bool start(const char *path, uint32_t shownBefore);
    // The line begun and what is held go to the file, which is closed.
    void stop();
    // On and not ended by a failed write.
    bool isOn() const { return file != INVALID_HANDLE_VALUE && !writer.ended(); }
    // The file's path, null when off.
    const char *path() const { return isOn() ? name : nullptr; }

    // What the view gets, with the times the bytes came: logged while on.
    void received(const unsigned char *data, uint32_t n, const ChunkTimes &times);
    void sent(const unsigned char *data, uint32_t n, int64_t time);
    void sentFile(const char *fileName, uint64_t size, int64_t time);
    // Followed at once, on or off, so a log started later has the view's
    // mode and offsets.
    void setHex(bool on) { lines.setHex(on); }
    void restart() { lines.restart(); }

    // The clock in milliseconds: what waited long enough is written.
    void tick(uint64_t now);
    // True once after a write failed; the log is stopped then.
    bool takeFailNotice();

private:
    bool write(const char *data, uint32_t length) override;
    void close();

    HANDLE file;
    char name[MAX_PATH];
    LogWriter writer;   // before lines, which write to it
    LogLines lines;
};

#endif
