#ifndef TERMINAL_RECEIVESESSION_H
#define TERMINAL_RECEIVESESSION_H

#include <windows.h>

#include <cstdint>

#include "terminal/receive/PauseBreak.h"
#include "terminal/receive/ReceiveRenderer.h"
#include "terminal/receive/SentNotes.h"
#include "terminal/receive/SessionLog.h"
#include "util/ArrivalTimes.h"
#include "util/ByteHistory.h"
#include "util/PVect.h"
#include "util/SentRecords.h"

class ChunkTimes;
class FarEndStart;
class PortControl;
class P_File;
class PWin;
struct StatusFacts;

// What the terminal does with what arrives: drains the port's queue through
// the receive tap into the view (or the capture file) and the history with
// its arrival times, renders the history again (Show Hex, Show Time, the end
// of a capture) and clears it. It tells its owner what the operator must
// hear (the history is full, a capture write failed) by what it returns and
// never calls the dialog.
//
// Re-entry: rendering pumps messages, so a notification or a click can come
// in the middle of a drain or a render. While the session is busy (a Busy
// lives) the owner leaves notifications to the running drain, which loops
// until the queue is empty, and holds its commands back until the update is
// over; a drain also stops between chunks when the owner says a command
// waits, so a click is never held up by a long flood. The history is
// therefore always the arrival order, and the view shows each byte once.
//
// What the terminal sends is told here too (SentNotes) and kept beside the
// history, placed between the received chunks where it went out; with Show
// Sent on the view shows it there on lines of its own, live and in every
// re-render. Save and the capture file hold the received bytes only.
//
// The log ("Log to File"), when on, gets the lines as the view shows them,
// received and sent, also while a capture keeps the view empty.
class ReceiveSession : public SentNotes
{
public:
    // Asked between two chunks of a drain: true stops it, so that what waits
    // runs now; the drain goes on at the owner's next notification.
    class Waiting
    {
    public:
        virtual bool waiting() const = 0;

    protected:
        ~Waiting() = default;
    };

    // What a drain had to say, once it is over.
    struct Notices
    {
        bool historyFull = false;     // from now on bytes are shown, not kept
        bool captureFailed = false;   // a capture write failed; the file is still open
        bool farEndStarted = false;   // the start watch found one: the drain stopped after it
        bool sentNotKept = false;     // a send found no room beside the history (once until Clear)
    };

    // Holds the session busy for its own life.
    class Busy
    {
    public:
        explicit Busy(ReceiveSession &session) : session(session) { ++session.busyDepth; }
        ~Busy() { --session.busyDepth; }
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        ReceiveSession &session;
    };

    // owner: the window of the renders' progress dialogs; line: the port
    // drained and its tap; waiting: asked between chunks. None is owned.
    ReceiveSession(PWin *owner, PortControl &line, const Waiting &waiting);
    ~ReceiveSession();
    ReceiveSession(const ReceiveSession &) = delete;
    ReceiveSession &operator=(const ReceiveSession &) = delete;

    // What arrives while no transfer's tap is set is looked at for a start
    // from the far end first (null: not looked at). Not owned.
    void watchStarts(FarEndStart *watch) { startWatch = watch; }
    // Also takes the stored pause that ends a line (loadPause).
    void attach(HWND view, HFONT font);
    // New line after a pause: the stored "PauseNewLine", for what arrives
    // from now on (the pauses already seen stay where they were).
    void loadPause();
    void setPause(uint32_t ms) { pause.setPause(ms); }
    // The highlight rules: the stored "HighlightRules" (loadRules, also at
    // attach), or new ones, stored and shown at once (a text view shows
    // the history again).
    void loadRules();
    bool setRules(const HighlightRules &rules);
    // "Highlight Rules" over owner; "&OK" sets the rules it shows.
    void editRules(PWin *owner);
    const HighlightRules &rules() const { return renderer.rules(); }
    uint32_t pauseMs() const { return pause.pause(); }
    bool isBusy() const { return busyDepth != 0; }

    // Everything the port's queue holds now, chunk by chunk; nothing while
    // busy or closed.
    Notices drain();

    // The view and the history emptied, their times with them.
    void clear();
    // The view shows hex lines (on) or text; the history is shown again.
    void showHex(bool on);
    bool showsHex() const { return hex; }
    // Lines begin with their arrival time; the history is shown again.
    void showTime(bool on);
    bool showsTime() const { return renderer.showsTime(); }
    // Text reads the escape sequences (colours) or shows them as they came;
    // a text view shows the history again, hex is as it was.
    void showColours(bool on);
    bool showsColours() const { return renderer.showsColours(); }
    // Sent data among the received, on lines of its own in its own colour;
    // the history is shown again.
    void showSent(bool on);
    bool showsSent() const { return sentShown; }
    // The sends, as they go on the line: kept, and shown with Show Sent.
    void sentBytes(const unsigned char *data, uint32_t count) override;
    void sentFile(const char *name, uint64_t size) override;
    // "Show &Time" on the receive view's context menu, checked while the
    // times show; apart from the items before it by a separator; greyed
    // unless enabled.
    void addTimeItem(HMENU viewMenu, bool enabled = true) const;
    // The view's choices (Show Time, ANSI Colours) as the last run left
    // them in the registry, taken before anything is shown; and kept there
    // as they are now, for the next start.
    void restoreViewChoices();
    void keepViewChoices() const;

    // Arriving bytes go to `file` (owned from now) instead of the view; the
    // history starts again empty. A capture running is closed first.
    void startCapture(P_File *file);
    // The capture file closed; what it got stays in the history.
    void closeCapture();
    // Closed, and the view shows the history again.
    void endCapture();
    bool isCapturing() const { return captureFile != nullptr; }

    // Every byte received since the last clear, then a NUL.
    const PVect<unsigned char> &received() const { return bytes; }
    uint32_t receivedCount() const { return bytes.count() ? bytes.count() - 1 : 0; }
    const ArrivalTimes &arrivalTimes() const { return arrivals; }
    // Bytes read off the line since the last clear, a transfer's answers
    // and those the history had no room for included.
    uint64_t lineBytes() const { return fromLine; }
    // The log of the lines shown, with their times and directions.
    SessionLog &log() { return logged; }
    const SessionLog &log() const { return logged; }
    // The capture file's name, null when not capturing.
    const char *captureName() const;
    // The session's half of what the status bar shows: the bytes received,
    // the capture, the log, a full history.
    void describe(StatusFacts &facts) const;
    // The history into `file`; false when it took fewer bytes.
    bool saveTo(P_File &file) const;
    ByteHistory &history() { return kept; }
    const ByteHistory &history() const { return kept; }
    ReceiveRenderer &view() { return renderer; }
    const ReceiveRenderer &view() const { return renderer; }

private:
    void renderHistory();
    const unsigned char *passWatch(const unsigned char *chunk, DWORD &n, unsigned char *shown, ChunkTimes &times,
                                   bool &began);
    const unsigned char *passTap(const unsigned char *chunk, DWORD &n, unsigned char *shown, ChunkTimes &times);
    static const unsigned char *keptOf(DWORD left, DWORD &n, unsigned char *shown, ChunkTimes &times);
    void showChunk(const unsigned char *data, uint32_t n, const ChunkTimes &times, Notices &told);
    void keepArrivals(const unsigned char *data, uint32_t kept, const ChunkTimes &times, const uint32_t *breaks,
                      uint32_t breakCount, bool afterSend);
    void keepBreak(uint32_t offset);

    PortControl &line;
    const Waiting &waiting;
    PVect<unsigned char> bytes;   // the history: every byte received since the last clear, then a NUL
    ByteHistory kept;             // how bytes grows, and when it cannot
    ArrivalTimes arrivals;        // when the bytes of the history arrived
    PauseBreak pause;             // where silences end the lines shown
    // The history offsets before which a pause ended a line, ascending, so
    // a re-render breaks the lines where the live view did. Should memory
    // refuse one, that break is not kept and the re-render joins the lines.
    PVect<uint32_t> breaks;
    ReceiveRenderer renderer;     // renders into the receive view
    P_File *captureFile;          // owned; null when not capturing
    uint32_t busyDepth;           // drains and renders under way
    bool hex;                     // the view shows hex lines
    uint64_t fromLine = 0;        // bytes read off the line since the last clear
    SentRecords sent;             // what was sent, placed among the history
    bool sentShown = false;       // the view shows it (Show Sent)
    FarEndStart *startWatch = nullptr;
    SessionLog logged;            // "Log to File"; off until started
};

#endif
