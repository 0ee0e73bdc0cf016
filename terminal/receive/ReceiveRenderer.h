#ifndef TERMINAL_RECEIVERENDERER_H
#define TERMINAL_RECEIVERENDERER_H

#include <windows.h>
#include <cstdint>

#include "terminal/receive/AnsiText.h"
#include "terminal/receive/HexTail.h"
#include "terminal/receive/LineHighlight.h"
#include "terminal/receive/ViewText.h"
#include "terminal/receive/Scrollback.h"
#include "terminal/receive/TimedText.h"

class ArrivalTimes;
class PWin;
class RenderPace;
class SentRecords;
class TextBatch;

// Where pauses ended lines (New line after a pause): at[0..count) ascending,
// each at[i] - base the offset in the data rendered before which a line
// ends. The view breaks the line there; the data itself is not changed.
struct LineBreaks
{
    const uint32_t *at = nullptr;
    uint32_t count = 0;
    uint32_t base = 0;
};

// What the receive view shows of the received bytes: chunks as they come and
// the whole history again (Show Hex, end of a capture), as text or as hex
// lines through the HexDump and TextDump layouts. It keeps the count of hex
// lines written (so the labels count from the first byte received) and the
// scrollback that bounds the view. The history itself belongs to the
// terminal, which passes it in where a render needs it.
//
// Text goes in at the end of the view without touching the operator's
// selection or scroll position: the view follows the end only while the
// operator leaves it there.
//
// With times shown, every line (in hex every dump line) begins with the time
// its first byte arrived; the renders are then given when each byte came.
class ReceiveRenderer
{
public:
    // owner: the terminal, which owns the progress dialogs of re-renders.
    explicit ReceiveRenderer(PWin *owner);
    ReceiveRenderer(const ReceiveRenderer &) = delete;
    ReceiveRenderer &operator=(const ReceiveRenderer &) = delete;

    // The view control of the terminal's dialog and the font it shows;
    // neither is owned.
    void attach(HWND view, HFONT font);
    HWND window() const { return view.handle(); }
    const ViewText &text() const { return view; }

    // Data after what the view shows. withProgress: a progress dialog for
    // the render (re-renders); a received chunk goes without one. times:
    // when each byte arrived, for the times shown (none given: now).
    // breaks: where pauses end lines in the data (null: nowhere).
    void appendText(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times = nullptr,
                    const LineBreaks *breaks = nullptr);
    // A hex chunk continues the view's last line when that line is short
    // and no pause ended it; the labels are the running byte offset.
    void appendHex(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times = nullptr,
                   const LineBreaks *breaks = nullptr);

    // The whole history, into a view that holds nothing of it; times: when
    // its bytes arrived; breaks: where pauses ended its lines (offsets into
    // the history); sent: what was sent, shown where it went out (null: not
    // shown).
    void showHistory(const unsigned char *history, uint32_t bytes, bool hex, const ArrivalTimes *times = nullptr,
                     const LineBreaks *breaks = nullptr, const SentRecords *sent = nullptr);

    // What was sent, after what the view shows, on lines of its own in the
    // sent colour: a received line it cuts goes on after it on a new line,
    // hex labels go on counting received bytes. time: when it went out.
    void appendSent(const unsigned char *data, uint32_t length, int64_t time, bool hex);
    // A file sent: one line naming it and its size.
    void appendSentFile(const char *name, uint64_t size, int64_t time, bool hex);
    // Dark blue on the view's background; received text keeps the view's black.
    enum : uint32_t { sentColour = 0x00800000 };

    // Lines begin with the time their first byte arrived. Takes effect with
    // the next render: the owner empties the view and shows the history.
    void setShowTime(bool on) { timed = on; }
    bool showsTime() const { return timed; }
    // ANSI Colours: in text the escape sequences set the colours of what
    // follows and show as nothing. Takes effect with the next render, as
    // setShowTime does; hex always shows the bytes as they came.
    void setColours(bool on) { coloured = on; }
    bool showsColours() const { return coloured; }
    // Highlight rules: text lines holding a rule's text show on its colour,
    // from the next render on (the owner shows the history again).
    void setRules(const HighlightRules &rules) { lit.setRules(rules); }
    const HighlightRules &rules() const { return lit.rules(); }
    // The characters the view holds now.
    uint32_t viewLength() const { return view.length(); }
    // Empties the view; the hex labels start again from 000000.
    void empty();
    // The hex labels start again from 000000 with the next line.
    void restartHexLines();
    uint32_t hexLines() const { return hexLineCount; }

    void setLimit(uint32_t chars) { scrollback.setLimit(chars); }
    uint32_t limit() const { return scrollback.limit(); }

    // Puts text in at the end of the view; false when the view could not
    // take it even after giving up its older half.
    bool append(const char *text, uint32_t length, bool hex);
    void eraseTail(uint32_t chars);

    // True once after a render found too little memory for all it had to
    // show (the view shows what fitted; the history is untouched), until the
    // view is next emptied.
    bool takeMemoryNotice();
    // The most characters one render may collect before it counts as short
    // of memory, as if the allocator had refused.
    void setRenderLimit(uint32_t chars) { renderLimit = chars; }

private:
    void letQueueThrough();
    void showRange(const unsigned char *history, uint32_t from, uint32_t to, bool hex, const ArrivalTimes *times,
                   const LineBreaks *breaks, bool withProgress);
    void showInterleaved(const unsigned char *history, uint32_t from, uint32_t n, bool hex,
                         const ArrivalTimes *times, const LineBreaks *breaks, const SentRecords &sent);
    void putSent(const TextBatch &batch, bool hex);
    void keepWithinLimit(bool hex);
    void cutTop(uint32_t chars, bool hex);
    uint32_t nextLineStart(uint32_t at, uint32_t length) const;
    void endAppend(bool withProgress, bool hex);
    bool put(const TextBatch &batch, bool hex);
    void appendColoured(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times,
                        const LineBreaks *breaks);
    // The character the view's text ends in ('\n' for an empty view).
    char lastShown() const;
    // The rules judge what the last text render put in at `before`; ends:
    // that text with its line ends, when it shows them as dots.
    void highlight(uint32_t before, uint32_t added, bool dotted, const TextBatch *ends);
    void putColoured(const TextBatch &batch);
    bool appendRuns(const TextBatch &batch);
    // Characters of a full hex line as the view shows it.
    uint32_t hexLineChars() const;

    PWin *owner;
    ViewText view;
    uint32_t hexLineCount;   // hex lines written since the view was emptied
    uint32_t hexNext;        // the label of the next byte shown in hex
    uint32_t hexEnd;         // the view's length after the last hex render;
                             // a view of another length starts a fresh line
    Scrollback scrollback;   // how much of the history the view keeps
    HexTail hexTail;         // the last bytes shown in hex
    DWORD lastPump;          // when a drain last let the queue through
    bool timed;              // lines begin with their arrival time
    TimedText timedText;     // the text layout with times, running on
    bool coloured;           // text reads the escape sequences (ANSI Colours)
    AnsiText ansi;           // their reading, running on from chunk to chunk
    LineHighlight lit;       // the highlight rules on the text lines
    int64_t tailTime;        // the time of the last hex line shown
    bool shortOfMemory;      // a render since the view was emptied could not show all
    bool memoryNoticeTaken;  // and the operator was told
    uint32_t renderLimit;    // characters a render may collect
    RenderPace *outerPace = nullptr;  // the progress of a render in pieces, while one runs
    enum : DWORD { queuePauseMs = 15 };
};

#endif
