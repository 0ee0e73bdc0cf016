#include "terminal/receive/ReceiveRenderer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "comm/ArrivalClock.h"
#include "res/resource.h"
#include "terminal/receive/BatchSinks.h"
#include "terminal/receive/HexDump.h"
#include "terminal/receive/SentLines.h"
#include "terminal/receive/TextDump.h"
#include "terminal/ui/progressBar.h"
#include "util/ArrivalTimes.h"
#include "util/SentRecords.h"
#include "win/PMessagePump.h"
#include "win/PTextView.h"
#include "win/PWin.h"

namespace {

const COLORREF paleYellow = 0x00CFFFFF;

// Rich-edit messages by number, as the view answers them.
const UINT msgSetTextMode = WM_USER + 89;    // EM_SETTEXTMODE
const UINT msgSetBkgndColor = WM_USER + 67;  // EM_SETBKGNDCOLOR
const WPARAM plainTextMode = 1;               // TM_PLAINTEXT

const char renderFormat[] = "Performing...\n\rbyte %d of %d";
const COLORREF textBarColor = 0x10FF3F;
const COLORREF hexBarColor = 0xFF103F;

// The progress dialog of a re-render: shown, painted and pumped at once,
// then stepped. The dialog redraws its bar and text at every update, about
// half a millisecond under Wine: at every 64th line of an 8 MiB history that
// was 8 of the 8.3 seconds a Show Hex took. So steps closer together than
// paceMs are passed over, the pumping with them; "&Abort" is still seen
// within paceMs.
class RenderProgress : public RenderPace
{
public:
    RenderProgress(PWin *owner, uint32_t total, COLORREF color)
        : bar(new progressBar(owner, renderFormat, total, color, IDD_PROGRESS, 0)), last(GetTickCount())
    {
        if (bar->show() && bar->hwnd)
            UpdateWindow(bar->hwnd);
        PMessagePump::pumpWaiting();
    }
    ~RenderProgress() { delete bar; }
    RenderProgress(const RenderProgress &) = delete;
    RenderProgress &operator=(const RenderProgress &) = delete;

    // false once the operator aborted.
    bool step(uint32_t done) override
    {
        DWORD now = GetTickCount();
        if (now - last < paceMs)
            return true;
        last = now;
        if (!bar->update(done))
            return false;
        PMessagePump::pumpWaiting();
        return true;
    }

private:
    static const DWORD paceMs = 40;
    progressBar *bar;
    DWORD last;
};

// The line a hex chunk completes goes from the view before the chunk's text.
class ViewTail : public TailEraser
{
public:
    explicit ViewTail(ReceiveRenderer &view) : view(view) {}
    void eraseTail(uint32_t chars) override { view.eraseTail(chars); }

private:
    ReceiveRenderer &view;
};

// Bytes whose arrival nobody noted take the time they are shown.
class ShownNow : public ByteTimes
{
public:
    ShownNow() : now(0), known(false) {}
    int64_t timeOf(uint32_t) override
    {
        if (!known) {
            now = ArrivalClock::localWallMs();
            known = true;
        }
        return now;
    }

private:
    int64_t now;
    bool known;
};

// The times of a render of the history from byte `from` on.
class HistoryTimes : public ByteTimes
{
public:
    HistoryTimes(const ArrivalTimes &times, uint32_t from) : cursor(times), from(from) {}
    int64_t timeOf(uint32_t index) override { return cursor.timeOf(from + index); }

private:
    ArrivalTimes::Cursor cursor;
    uint32_t from;
};

// The times of the bytes of one piece of a coloured render.
class PieceTimes : public ByteTimes
{
public:
    PieceTimes(ByteTimes &times, uint32_t from) : times(times), from(from) {}
    int64_t timeOf(uint32_t index) override { return times.timeOf(from + index); }

private:
    ByteTimes &times;
    uint32_t from;
};

// The line end a pause puts into plain text: none when the text already
// ends a line (last is its last character).
bool endsLine(char last)
{
    return last == '\n' || last == '\r';
}

char lastOf(const TextBatch &batch, char before)
{
    return batch.length() ? batch.text()[batch.length() - 1] : before;
}

// The data of a render cut where pauses end lines: fn(from, to, broken) for
// each piece in order, broken when a pause ends the line before it. Stops
// when fn returns false.
template <class Fn>
void forEachPiece(uint32_t length, const LineBreaks *breaks, Fn fn)
{
    uint32_t from = 0, i = 0;
    while (from < length) {
        bool broken = false;
        while (breaks && i < breaks->count && breaks->at[i] - breaks->base <= from) {
            broken = broken || breaks->at[i] - breaks->base == from;
            ++i;
        }
        uint32_t to = breaks && i < breaks->count && breaks->at[i] - breaks->base < length
                          ? breaks->at[i] - breaks->base
                          : length;
        if (!fn(from, to, broken))
            return;
        from = to;
    }
}

// The progress of one piece of a render in pieces, reported as the whole
// render's: the bytes before the piece are done. Remembers an abort, so the
// pieces after it are passed over.
class PieceProgress : public RenderPace
{
public:
    PieceProgress(RenderPace &whole, uint32_t before) : whole(whole), before(before) {}
    bool step(uint32_t done) override
    {
        if (!whole.step(before + done))
            aborted = true;
        return !aborted;
    }
    bool aborted = false;

private:
    RenderPace &whole;
    uint32_t before;
};

// A line the rules pick out, painted in the view: its background only, so
// its own colours stay.
class ViewPainter : public LinePainter
{
public:
    explicit ViewPainter(HWND view) : view(view) {}
    void paint(uint32_t from, uint32_t to, unsigned colour) override
    {
        PTextViewPaint p;
        p.from = from;
        p.to = to;
        p.attr.bg = HighlightRules::background(colour);
        p.backgroundOnly = true;
        SendMessageA(view, PTVM_PAINTRANGE, 0, LPARAM(&p));
    }

private:
    HWND view;
};

// The visible text of a coloured render through the view's text layouts,
// piece by piece: with times, as a chunk (line ends kept, NUL as "."), or,
// for a re-render of the history, every control character as ".", as the
// plain layouts show them. Once the sink stops (the operator aborted, the
// batch refused) the pieces that follow are passed over.
class ColouredLayout : public AnsiLayout
{
public:
    ColouredLayout(TextBatch &batch, TextSink &sink, TimedText *timed, ByteTimes &times, bool dotAll,
                   const LineBreaks *breaks, char viewLast, TextBatch *raw)
        : batch(batch), sink(sink), timed(timed), times(times), dotAll(dotAll), stopped(false), nextProgress(0),
          breaks(breaks), nextBreak(0), viewLast(viewLast), raw(raw)
    {
    }

    // A pause that falls inside the piece cuts it; one that fell among the
    // escape sequences before it breaks the line before it.
    void piece(const unsigned char *text, uint32_t length, uint32_t from) override
    {
        while (breaks && nextBreak < breaks->count && breaks->at[nextBreak] - breaks->base < from + length) {
            uint32_t at = breaks->at[nextBreak] - breaks->base;
            if (at > from) {
                lay(text, at - from, from);
                text += at - from;
                length -= at - from;
                from = at;
            }
            if (stopped)
                return;
            if (timed)
                timed->breakLine(sink);
            else if (!endsLine(lastOf(batch, viewLast))) {
                sink.putText("\r\n", 2);
                if (raw && dotAll)
                    raw->add("\r\n", 2);
            }
            ++nextBreak;
        }
        lay(text, length, from);
    }
    uint32_t laidOut() const override { return batch.length(); }

private:
    void lay(const unsigned char *text, uint32_t length, uint32_t from)
    {
        if (stopped || length == 0)
            return;
        if (from >= nextProgress) {
            nextProgress = from + progressStep;
            if (!sink.progress(from)) {
                stopped = true;
                return;
            }
        }
        if (timed) {
            PieceTimes pieceTimes(times, from);
            stopped = !timed->render(sink, text, length, pieceTimes);
        } else if (!dotAll) {
            stopped = !TextDump::renderShort(sink, text, length);
        } else {
            char dotted[256];
            for (uint32_t i = 0; i < length;) {
                uint32_t n = length - i < sizeof dotted ? length - i : uint32_t(sizeof dotted);
                for (uint32_t k = 0; k < n; ++k)
                    dotted[k] = TextDump::dotted(text[i + k]);
                sink.putText(dotted, n);
                if (raw)
                    raw->add(reinterpret_cast<const char *>(text + i), n);
                i += n;
            }
        }
        if (batch.refused())
            stopped = true;
    }

    enum : uint32_t { progressStep = 4096 };
    TextBatch &batch;
    TextSink &sink;
    TimedText *timed;
    ByteTimes &times;
    bool dotAll;
    bool stopped;
    uint32_t nextProgress;
    const LineBreaks *breaks;
    uint32_t nextBreak;
    char viewLast;
    TextBatch *raw;   // the text as it came, line ends and all, or null
};

} // namespace

ReceiveRenderer::ReceiveRenderer(PWin *owner)
    : owner(owner), hexLineCount(0), hexNext(0), hexEnd(UINT32_MAX), lastPump(GetTickCount() - queuePauseMs),
      timed(false), coloured(false), tailTime(0), shortOfMemory(false), memoryNoticeTaken(false),
      renderLimit(UINT32_MAX - 1)
{
}

// The look is set as for any control of the template; the text goes
// through the typed calls.
void ReceiveRenderer::attach(HWND control, HFONT font)
{
    view.attach(control);
    SendMessageA(control, msgSetTextMode, plainTextMode, 0);
    SendMessageA(control, msgSetBkgndColor, 0, LPARAM(paleYellow));
    SendMessageA(control, WM_SETFONT, WPARAM(font), TRUE);
}

// A flood renders chunk after chunk without going back to the main loop, so
// the drain lets the queue through itself: the view's frames, typing, clicks.
// Not after every chunk: a look at an empty queue costs a trip to the
// wineserver and the X connection, some 0.2 ms, forty times what rendering a
// chunk costs (measured: it held a hex flood at 0.6x the capture rate).
void ReceiveRenderer::letQueueThrough()
{
    DWORD now = GetTickCount();
    if (now - lastPump < queuePauseMs)
        return;
    lastPump = now;
    PMessagePump::pumpWaiting();
}

bool ReceiveRenderer::append(const char *text, uint32_t length, bool hex)
{
    if (length == 0)
        return true;
    if (view.append(text, length))
        return true;
    // The view's storage could not grow: its older half makes room, as a cut
    // past the limit would. The history keeps every byte whatever the view
    // can show.
    uint32_t t = view.length();
    cutTop(hex ? t / hexLineChars() / 2 * hexLineChars() : t / 2, hex);
    return view.append(text, length);
}

void ReceiveRenderer::eraseTail(uint32_t chars)
{
    view.cutTail(chars);
}

void ReceiveRenderer::restartHexLines()
{
    hexLineCount = 0;
    hexNext = 0;
    hexTail.breakLine();
}

void ReceiveRenderer::empty()
{
    view.clear();
    restartHexLines();
    timedText.reset();
    ansi.reset();
    lit.reset();
    shortOfMemory = false;
    memoryNoticeTaken = false;
}

uint32_t ReceiveRenderer::hexLineChars() const
{
    return uint32_t(HexDump::fullLineChars) + (timed ? uint32_t(TimedText::prefixChars) : 0u);
}

// A dotted render whose copy as it came is missing goes unlit rather than lit
// as one line; so does one the view did not take whole.
void ReceiveRenderer::highlight(uint32_t before, uint32_t added, bool dotted, const TextBatch *ends)
{
    if (!lit.active())
        return;
    if (view.length() != before + added || (dotted && (!ends || ends->length() != added))) {
        lit.skipTo(view.length());
        return;
    }
    ViewPainter painter(view.handle());
    if (ends) {
        lit.scan(view.text(), view.length(), 0, painter, ends->text(), before);
        return;
    }
    lit.scan(view.text(), view.length(), timed ? uint32_t(TimedText::prefixChars) : 0u, painter);
}

char ReceiveRenderer::lastShown() const
{
    uint32_t n = view.length();
    return n ? view.text()[n - 1] : '\n';
}

// A received chunk renders in some microseconds: a progress dialog made and
// destroyed for each one (about 30 ms each under Wine, 50 a second in a
// flood) held reception below the line rate, flickered over the view and took
// the keyboard focus from the send box, so what the operator typed meanwhile
// went to the dialog, an Enter aborting the render. Chunks render without
// one; re-renders of the history keep their dialog.
void ReceiveRenderer::appendText(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times,
                                  const LineBreaks *breaks)
{
    if (breaks && breaks->count == 0)
        breaks = nullptr;
    if (coloured) {
        appendColoured(data, length, withProgress, times, breaks);
        return;
    }
    std::unique_ptr<RenderProgress> bar(withProgress && !outerPace ? new RenderProgress(owner, length, textBarColor)
                                                                   : nullptr);
    TextBatch batch;
    batch.setLimit(renderLimit);
    BatchTextSink sink(batch, outerPace ? outerPace : bar.get());
    const uint32_t breakChars = breaks ? breaks->count * 2 : 0;
    if (timed) {
        // With times on, every line of the text layout (received or
        // re-rendered) keeps its line ends: a time before each line is what
        // was asked for. Room for the text and a time every few characters.
        ShownNow now;
        ByteTimes &byteTimes = times ? *times : now;
        batch.reserve(uint64_t(length) + length / 4 + TimedText::prefixChars + breakChars);
        forEachPiece(length, breaks, [&](uint32_t from, uint32_t to, bool broken) {
            if (broken)
                timedText.breakLine(sink);
            PieceTimes pieceTimes(byteTimes, from);
            return timedText.render(sink, data + from, to - from, pieceTimes);
        });
    } else if (length <= TextDump::shortLimit) {
        batch.reserve(length + breakChars);
        char before = lastShown();
        forEachPiece(length, breaks, [&](uint32_t from, uint32_t to, bool broken) {
            if (broken && !endsLine(lastOf(batch, before)))
                batch.add("\r\n", 2);
            return TextDump::renderShort(sink, data + from, to - from);
        });
    } else {
        // The dotted copy is made in scratch and taken as one piece (a piece
        // for each packet when pauses end lines).
        // The rules read the line ends the dots stand for from a copy as it
        // came; without room for it the render goes on unlit.
        std::unique_ptr<char[]> scratch(new (std::nothrow) char[size_t(length) + 1]);
        TextBatch raw;
        bool withRaw = lit.active() && raw.reserve(uint64_t(length) + breakChars);
        if (scratch && batch.reserve(uint64_t(length) + breakChars))
            forEachPiece(length, breaks, [&](uint32_t from, uint32_t to, bool broken) {
                if (broken) {
                    batch.add("\r\n", 2);
                    raw.add("\r\n", 2);
                }
                if (withRaw)
                    raw.add(reinterpret_cast<const char *>(data + from), to - from);
                return TextDump::renderLong(sink, data + from, to - from, scratch.get() + from);
            });
        else
            shortOfMemory = true;
        uint32_t before = view.length();
        put(batch, false);
        if (lit.active())
            highlight(before, batch.length(), true, withRaw ? &raw : nullptr);
        endAppend(withProgress, false);
        return;
    }
    uint32_t before = view.length();
    put(batch, false);
    highlight(before, batch.length(), false, nullptr);
    endAppend(withProgress, false);
}

// Text with its escape sequences read: the visible text goes through the
// same layouts as plain text does, and in with the colours it was given.
void ReceiveRenderer::appendColoured(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times,
                                     const LineBreaks *breaks)
{
    std::unique_ptr<RenderProgress> bar(withProgress && !outerPace ? new RenderProgress(owner, length, textBarColor)
                                                                   : nullptr);
    TextBatch batch;
    batch.setLimit(renderLimit);
    batch.reserve(timed ? uint64_t(length) + length / 4 + TimedText::prefixChars : uint64_t(length));
    BatchTextSink sink(batch, outerPace ? outerPace : bar.get());
    ShownNow now;
    bool dotAll = !timed && length > TextDump::shortLimit;
    TextBatch raw;
    bool withRaw = dotAll && lit.active() && raw.reserve(length);
    ColouredLayout layout(batch, sink, timed ? &timedText : nullptr, times ? *times : now, dotAll, breaks,
                          lastShown(), withRaw ? &raw : nullptr);
    ansi.render(data, length, layout);
    uint32_t before = view.length();
    putColoured(batch);
    highlight(before, batch.length(), dotAll, withRaw ? &raw : nullptr);
    endAppend(withProgress, false);
}

void ReceiveRenderer::putColoured(const TextBatch &batch)
{
    if (batch.refused())
        shortOfMemory = true;
    if (ansi.allDefault()) {
        if (!append(batch.text(), batch.length(), false))
            shortOfMemory = true;
        return;
    }
    if (appendRuns(batch))
        return;
    uint32_t t = view.length();
    cutTop(t / 2, false);
    if (!appendRuns(batch))
        shortOfMemory = true;
}

// The runs of the last coloured render over the batch's text, in one append.
// Should there be no memory for the list, the text goes in without colours.
bool ReceiveRenderer::appendRuns(const TextBatch &batch)
{
    uint32_t n = ansi.runCount();
    const AnsiText::Run *runs = ansi.runs();
    uint32_t base = n ? runs[0].at : 0;
    std::unique_ptr<PTextViewRun[]> list(new (std::nothrow) PTextViewRun[n ? n : 1]);
    if (!list)
        return view.append(batch.text(), batch.length());
    uint32_t used = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t from = runs[i].at - base;
        uint32_t to = i + 1 < n ? runs[i + 1].at - base : batch.length();
        if (to > batch.length())
            to = batch.length();
        if (from >= to)
            continue;
        list[used].text = batch.text() + from;
        list[used].length = to - from;
        list[used].attr = runs[i].attr;
        ++used;
    }
    if (used == 0)
        return true;
    return view.appendRuns(list.get(), used);
}

// A render's text into the view. A render that memory cut short still shows
// what it had; the operator is told once (takeMemoryNotice).
bool ReceiveRenderer::put(const TextBatch &batch, bool hex)
{
    if (batch.refused())
        shortOfMemory = true;
    if (append(batch.text(), batch.length(), hex))
        return true;
    shortOfMemory = true;
    return false;
}

bool ReceiveRenderer::takeMemoryNotice()
{
    if (!shortOfMemory || memoryNoticeTaken)
        return false;
    memoryNoticeTaken = true;
    return true;
}

// After a render: the view back within its scrollback and, for a received
// chunk (rendered without a progress dialog), the queue let through.
void ReceiveRenderer::endAppend(bool withProgress, bool hex)
{
    keepWithinLimit(hex);
    if (!withProgress)
        letQueueThrough();
}

// The renderer knows what the view's last hex line holds (the tail) and so
// completes it; a view whose length is not what the last hex render left
// (a render that ran short, text put in by others) starts a fresh line and
// costs nothing already shown. A pause starts a fresh line at the running
// offset.
void ReceiveRenderer::appendHex(const unsigned char *data, uint32_t length, bool withProgress, ByteTimes *times,
                                const LineBreaks *breaks)
{
    ShownNow now;
    if (timed && !times)
        times = &now;
    if (view.length() != hexEnd)
        hexTail.breakLine();
    std::unique_ptr<RenderProgress> bar(withProgress && !outerPace ? new RenderProgress(owner, length, hexBarColor)
                                                                   : nullptr);
    TextBatch batch;
    batch.setLimit(renderLimit);
    uint32_t pieces = breaks ? breaks->count : 0;
    batch.reserve((uint64_t(length) / HexDump::bytesPerLine + 2 + pieces) * hexLineChars());
    ViewTail tail(*this);
    BatchHexSink sink(batch, outerPace ? outerPace : bar.get(), tail, length, timed ? times : nullptr, tailTime);
    bool whole = true;
    uint32_t start = hexNext;
    forEachPiece(length, breaks, [&](uint32_t from, uint32_t to, bool broken) {
        if (broken)
            hexTail.breakLine();
        whole = HexDump::renderFrom(sink, hexTail.lineBytes(), hexTail.lineCount(), start + from, data + from,
                                    to - from, from, &hexLineCount);
        hexTail.follow(data + from, to - from);
        return whole;
    });
    // The labels run on as the history's offsets, also past an abort.
    hexNext = start + length;
    hexEnd = put(batch, true) && whole ? view.length() : UINT32_MAX;
    endAppend(withProgress, true);
}

// The history, into a view that holds nothing of it: all of it when it fits
// the scrollback, else as much of its end as fits. The hex labels still count
// from the first byte received.
void ReceiveRenderer::showHistory(const unsigned char *history, uint32_t n, bool hex, const ArrivalTimes *times,
                                  const LineBreaks *breaks, const SentRecords *sent)
{
    bool withSent = sent && sent->count() != 0;
    if (n == 0 && !withSent)
        return;
    uint32_t from;
    if (hex) {
        uint32_t first = scrollback.firstHexLine(n, hexLineChars());
        from = first * uint32_t(HexDump::bytesPerLine);
        hexLineCount = first;
        hexNext = from;
        hexTail.breakLine();
    } else if (timed) {
        // Every line takes its time too: only the lines the view keeps are
        // rendered, not a text several times the limit that a cut would then
        // mostly throw away.
        from = TimedText::firstByteWithin(history, n, scrollback.limit());
    } else {
        from = scrollback.firstTextByte(n);
    }
    if (withSent && sent->firstAtOrAfter(from) < sent->count())
        showInterleaved(history, from, n, hex, times, breaks, *sent);
    else
        showRange(history, from, n, hex, times, breaks, true);
}

// Received bytes [from, to) of the history, with their times and the breaks
// that fall among them.
void ReceiveRenderer::showRange(const unsigned char *history, uint32_t from, uint32_t to, bool hex,
                                const ArrivalTimes *times, const LineBreaks *breaks, bool withProgress)
{
    ArrivalTimes none;
    HistoryTimes arrived(times ? *times : none, from);
    ByteTimes *byteTimes = times && times->covered() > from ? &arrived : nullptr;
    LineBreaks shown;
    if (breaks) {
        const uint32_t *first = std::lower_bound(breaks->at, breaks->at + breaks->count, from + breaks->base);
        shown.at = first;
        shown.count = uint32_t(breaks->at + breaks->count - first);
        shown.base = from + breaks->base;
    }
    if (hex)
        appendHex(history + from, to - from, withProgress, byteTimes, &shown);
    else
        appendText(history + from, to - from, withProgress, byteTimes, &shown);
}

// The history from `from` on with the sends placed where they went out,
// under one progress dialog; "&Abort" ends it where it is.
void ReceiveRenderer::showInterleaved(const unsigned char *history, uint32_t from, uint32_t n, bool hex,
                                      const ArrivalTimes *times, const LineBreaks *breaks, const SentRecords &sent)
{
    RenderProgress bar(owner, n - from, hex ? hexBarColor : textBarColor);
    Interleave order(sent, n, from);
    Interleave::Piece piece;
    while (order.next(piece)) {
        if (piece.sent) {
            SentRecords::Record r = sent.get(piece.record);
            if (r.kind == SentRecords::fileSent) {
                // The records keep a name without its NUL.
                char name[SentRecords::maxName + 1];
                uint32_t k = r.length < SentRecords::maxName ? r.length : uint32_t(SentRecords::maxName);
                std::memcpy(name, r.data, k);
                name[k] = 0;
                appendSentFile(name, r.fileSize, r.time, hex);
            }
            else
                appendSent(r.data, r.length, r.time, hex);
            continue;
        }
        PieceProgress pace(bar, piece.from - from);
        outerPace = &pace;
        showRange(history, piece.from, piece.to, hex, times, breaks, true);
        outerPace = nullptr;
        if (pace.aborted)
            break;
    }
}

void ReceiveRenderer::appendSent(const unsigned char *data, uint32_t length, int64_t time, bool hex)
{
    TextBatch batch;
    batch.setLimit(renderLimit);
    batch.reserve(hex ? (uint64_t(length) / HexDump::bytesPerLine + 1) * hexLineChars()
                      : uint64_t(length) + length / 8 + TimedText::prefixChars + 4);
    BatchTextSink sink(batch, nullptr);
    // A received line under way ends here and goes on after the send.
    if (!hex && !endsLine(lastShown()))
        sink.putText("\r\n", 2);
    const int64_t *at = timed ? &time : nullptr;
    if (hex)
        SentLines::hex(sink, data, length, at);
    else
        SentLines::text(sink, data, length, at);
    putSent(batch, hex);
}

void ReceiveRenderer::appendSentFile(const char *name, uint64_t size, int64_t time, bool hex)
{
    TextBatch batch;
    batch.setLimit(renderLimit);
    BatchTextSink sink(batch, nullptr);
    if (!endsLine(lastShown()))
        sink.putText("\r\n", 2);
    SentLines::file(sink, name, size, timed ? &time : nullptr);
    putSent(batch, hex);
}

// Sent lines in their colour. The received text after them starts a line
// of its own: with its own time, a hex line at the running offset (the
// view's length no longer is the last hex render's). The rules do not judge
// sent lines.
void ReceiveRenderer::putSent(const TextBatch &batch, bool hex)
{
    if (batch.refused())
        shortOfMemory = true;
    PTextViewRun run;
    run.text = batch.text();
    run.length = batch.length();
    run.attr.fg = sentColour;
    if (run.length && !view.appendRuns(&run, 1)) {
        uint32_t t = view.length();
        cutTop(hex ? t / hexLineChars() / 2 * hexLineChars() : t / 2, hex);
        if (!view.appendRuns(&run, 1))
            shortOfMemory = true;
    }
    timedText.reset();
    lit.skipTo(view.length());
    keepWithinLimit(hex);
}

// Keeps the view within its scrollback: once past the limit its top is cut,
// in hex by whole lines, in text up to the start of a line when there is one
// (text without line ends is cut where it must).
void ReceiveRenderer::keepWithinLimit(bool hex)
{
    uint32_t t = view.length();
    cutTop(hex ? scrollback.hexCut(t, hexLineChars()) : scrollback.textCut(t), hex);
}

void ReceiveRenderer::cutTop(uint32_t cut, bool hex)
{
    if (cut == 0)
        return;
    uint32_t t = view.length();
    // Hex lines that pauses began are of any length: a hex cut, too, moves
    // on to the next line start (a cut of whole full lines is one already).
    cut = nextLineStart(cut, t);
    view.cutHead(cut);
    lit.cutHead(t - view.length());
    // The tail line stays whole at the end of what is left.
    if (hex && hexEnd == t)
        hexEnd = view.length();
}

// The start of the first line that begins at or after `at`, looked for in
// the text that follows; `at` itself when no line ends near it. (The view's
// own line messages count wrapped rows, which may begin inside a line.)
uint32_t ReceiveRenderer::nextLineStart(uint32_t at, uint32_t length) const
{
    if (at == 0 || at >= length)
        return at;
    const uint32_t look = 4096;
    uint32_t from = at - 1;
    if (view.length() < length)
        return at;
    uint32_t n = length - from > look ? look : length - from;
    const char *text = view.text() + from;
    // A line starts after a LF, and after a CR that no LF follows.
    for (uint32_t i = 0; i < n; ++i) {
        char c = text[i];
        bool ends = c == '\n' || (c == '\r' && (i + 1 >= n || text[i + 1] != '\n'));
        if (ends && i + 1 < n)
            return from + i + 1;
    }
    return at;
}
