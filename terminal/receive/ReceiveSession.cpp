#include "terminal/receive/ReceiveSession.h"

#include "comm/ArrivalClock.h"
#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/port/PortControl.h"
#include "terminal/port/ReceiveTap.h"
#include "terminal/receive/FarEndStart.h"
#include "terminal/receive/HighlightDialog.h"
#include "terminal/receive/TimedText.h"
#include "terminal/settings/Settings.h"
#include "terminal/ui/StatusText.h"
#include "util/ChunkTimes.h"
#include "util/FileNames.h"
#include "util/P_File.h"

namespace {

// The most bytes one read of a drain takes from the port's queue.
const uint32_t chunkBytes = 511;

// When each byte of a chunk read from the port arrived, asked in ascending
// order.
class ChunkArrivals : public ByteTimes
{
public:
    explicit ChunkArrivals(const ChunkTimes &runs) : runs(runs), at(0) {}
    int64_t timeOf(uint32_t index) override
    {
        while (at + 1 < runs.count() && runs.run(at + 1).offset <= index)
            ++at;
        return runs.run(at).time;
    }

private:
    const ChunkTimes &runs;
    uint32_t at;
};

} // namespace

ReceiveSession::ReceiveSession(PWin *owner, PortControl &port, const Waiting &waits)
    : line(port), waiting(waits), bytes(16384), kept(bytes), breaks(256), renderer(owner), captureFile(nullptr),
      busyDepth(0), hex(false)
{
}

void ReceiveSession::attach(HWND view, HFONT font)
{
    renderer.attach(view, font);
    loadPause();
    loadRules();
}

namespace {
const char rulesName[] = "HighlightRules";
}

// A stored value this program did not write leaves no rules.
void ReceiveSession::loadRules()
{
    char stored[HighlightRules::registryChars];
    uint32_t n = 0;
    HighlightRules rules;
    if (readRegText(rulesName, stored, sizeof stored, n))
        rules.fromRegistry(stored, n);
    renderer.setRules(rules);
}

void ReceiveSession::editRules(PWin *owner)
{
    HighlightRules edited = renderer.rules();
    HighlightDialog dialog(owner, edited);
    if (dialog.execute() == IDOK)
        setRules(edited);
}

bool ReceiveSession::setRules(const HighlightRules &rules)
{
    char form[HighlightRules::registryChars];
    rules.toRegistry(form);
    bool stored = writeRegText(rulesName, form);
    renderer.setRules(rules);
    if (!hex) {
        Busy busy(*this);
        renderer.empty();
        renderHistory();
    }
    return stored;
}

void ReceiveSession::loadPause()
{
    pause.setPause(loadOptions().pauseNewLineMs);
}

ReceiveSession::~ReceiveSession()
{
    delete captureFile;
}

// What a tap or the start watch left of a chunk of n bytes: the first `left`
// of shown. Once bytes were taken out, the reads' offsets no longer fit, and
// what is left is dated with the chunk's first time.
const unsigned char *ReceiveSession::keptOf(DWORD left, DWORD &n, unsigned char *shown, ChunkTimes &times)
{
    shown[left] = 0;
    if (left != n) {
        int64_t first = times.run(0).time;
        times.clear();
        times.add(0, first);
    }
    n = left;
    return shown;
}

// A protocol transfer takes its answers out of a chunk first; what it hands
// back (a loader's text) is dated with the chunk's first time.
const unsigned char *ReceiveSession::passTap(const unsigned char *chunk, DWORD &n, unsigned char *shown,
                                             ChunkTimes &times)
{
    return keptOf(line.tap()->take(chunk, n, shown), n, shown, times);
}

// Outside a transfer the start watch sees the chunk first; bytes it holds
// back (a start cut between reads) come with a later chunk.
const unsigned char *ReceiveSession::passWatch(const unsigned char *chunk, DWORD &n, unsigned char *shown,
                                               ChunkTimes &times, bool &began)
{
    return keptOf(startWatch->look(chunk, n, shown, began), n, shown, times);
}

ReceiveSession::Notices ReceiveSession::drain()
{
    Notices told;
    // The drain or render under way takes these bytes when it is done.
    if (!line.port() || busyDepth != 0)
        return told;
    Busy busy(*this);
    line.port()->notifyEnabled = 0;
    unsigned char buffer[chunkBytes + 1];
    ChunkTimes times;
    unsigned char shown[chunkBytes + ReceiveTap::heldBack + 1];
    DWORD n;
    while (line.port() && (n = line.port()->available()) != 0) {
        n = line.port()->readTimed(buffer, n < chunkBytes ? n : chunkBytes, times);
        if (n == 0)
            break;
        fromLine += n;
        buffer[n] = 0;
        if (times.count() == 0)
            times.add(0, ArrivalClock::localWallMs());
        bool began = false;
        const unsigned char *data = line.tap()   ? passTap(buffer, n, shown, times)
                                    : startWatch ? passWatch(buffer, n, shown, times, began)
                                                 : buffer;
        told.farEndStarted = began;
        if (n == 0) {
            if (began)
                break;
            continue;
        }
        showChunk(data, n, times, told);
        // A waiting click runs between two chunks, not after the flood.
        if (told.captureFailed || began || waiting.waiting())
            break;
    }
    // A start's first bytes ("*", "**") held back at the end of what came
    // are text once nothing more is queued: a prompt ending in "*" must not
    // wait for the next byte. A start cut there is missed; sz says it again.
    if (startWatch && !told.farEndStarted && !line.tap() && line.port() && line.port()->available() == 0) {
        uint32_t held = startWatch->release(shown);
        if (held > 0) {
            times.clear();
            times.add(0, ArrivalClock::localWallMs());
            showChunk(shown, held, times, told);
        }
    }
    if (line.port())
        line.port()->notifyEnabled = 1;
    told.historyFull = kept.takeFullNotice();
    told.sentNotKept = sent.takeFullNotice();
    return told;
}

// Bytes to show into the capture or the view, and the history.
void ReceiveSession::showChunk(const unsigned char *data, uint32_t n, const ChunkTimes &times, Notices &told)
{
    ChunkArrivals arrived(times);
    uint32_t broken[PauseBreak::maxBreaks];
    LineBreaks pauses;
    pauses.at = broken;
    pauses.count = pause.breaksIn(times, n, broken);
    logged.received(data, n, times);
    if (captureFile)
        told.captureFailed = captureFile->write(data, n) != n;
    else if (hex)
        renderer.appendHex(data, n, false, &arrived, &pauses);
    else
        renderer.appendText(data, n, false, &arrived, &pauses);
    // A send since the last byte received ends the line in the view (Show
    // Sent): the chunk's first byte begins one, and its time is noted.
    bool afterSend = sent.count() != 0 && sent.get(sent.count() - 1).at >= receivedCount();
    // Bytes the history has no room for are not kept (the view and the
    // capture still get them); said once, when the drain is over.
    uint32_t before = kept.held();
    kept.append(data, n);
    keepArrivals(data, kept.held() - before, times, broken, pauses.count, afterSend);
}

// The times of the first `taken` bytes of a chunk, those the history took.
// A break falls on a run's first byte: the runs are the reads.
void ReceiveSession::keepArrivals(const unsigned char *data, uint32_t taken, const ChunkTimes &times,
                                  const uint32_t *pauses, uint32_t pauseCount, bool afterSend)
{
    uint32_t start = arrivals.covered();
    uint32_t b = 0;
    for (uint32_t r = 0; r < times.count() && times.run(r).offset < taken; ++r) {
        uint32_t at = times.run(r).offset;
        uint32_t end = times.endOf(r, taken);
        if (end > taken)
            end = taken;
        while (b < pauseCount && pauses[b] < at)
            ++b;
        bool afterPause = b < pauseCount && pauses[b] == at;
        if (afterPause && start <= UINT32_MAX - at)
            keepBreak(start + at);
        arrivals.add(data + at, end - at, times.run(r).time, afterPause || (r == 0 && afterSend));
    }
}

void ReceiveSession::keepBreak(uint32_t offset)
{
    uint32_t n = breaks.count();
    if (n == breaks.capacity() && !breaks.reserve(n + (n > 256 ? n / 2 : 256)) && !breaks.reserve(n + 1))
        return;
    breaks.at(n) = offset;
}

// The whole history, in the current mode, into the emptied view.
void ReceiveSession::renderHistory()
{
    if (bytes.count() <= 1 && !(sentShown && sent.count()))
        return;
    Busy busy(*this);
    LineBreaks pauses;
    pauses.at = breaks.items();
    pauses.count = breaks.count();
    renderer.showHistory(bytes.items(), bytes.count() - 1, hex, &arrivals, &pauses, sentShown ? &sent : nullptr);
}

const char *ReceiveSession::captureName() const
{
    return captureFile ? captureFile->getName() : nullptr;
}

void ReceiveSession::clear()
{
    fromLine = 0;
    renderer.empty();
    kept.clear();
    arrivals.clear();
    breaks.clear();
    sent.clear();
    pause.reset();
    logged.restart();
}

// A send shows at once, between the chunks received before and after it; a
// send the records have no room for still shows, but a re-render leaves it
// out. While capturing the view stays empty, sent lines included.
void ReceiveSession::sentBytes(const unsigned char *data, uint32_t count)
{
    if (count == 0)
        return;
    int64_t now = ArrivalClock::localWallMs();
    sent.addBytes(receivedCount(), now, data, count);
    logged.sent(data, count, now);
    if (sentShown && !captureFile)
        renderer.appendSent(data, count, now, hex);
}

void ReceiveSession::sentFile(const char *path, uint64_t size)
{
    const char *name = path ? fileNamePart(path) : "";
    int64_t now = ArrivalClock::localWallMs();
    sent.addFile(receivedCount(), now, name, size);
    logged.sentFile(name, size, now);
    if (sentShown && !captureFile)
        renderer.appendSentFile(name, size, now, hex);
}

void ReceiveSession::showSent(bool on)
{
    Busy busy(*this);
    sentShown = on;
    renderer.empty();
    renderHistory();
}

void ReceiveSession::showHex(bool on)
{
    Busy busy(*this);
    renderer.empty();
    hex = on;
    logged.setHex(on);
    renderHistory();
}

void ReceiveSession::showTime(bool on)
{
    Busy busy(*this);
    renderer.setShowTime(on);
    renderer.empty();
    renderHistory();
}

void ReceiveSession::showColours(bool on)
{
    renderer.setColours(on);
    if (hex)
        return;
    Busy busy(*this);
    renderer.empty();
    renderHistory();
}

void ReceiveSession::addTimeItem(HMENU viewMenu, bool enabled) const
{
    int n = GetMenuItemCount(viewMenu);
    if (n > 0 && !(GetMenuState(viewMenu, UINT(n - 1), MF_BYPOSITION) & MF_SEPARATOR))
        AppendMenuA(viewMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(viewMenu, MF_STRING | (showsTime() ? MF_CHECKED : MF_UNCHECKED) | (enabled ? 0 : MF_GRAYED),
                IDM_VIEW_SHOWTIME, "Show &Time");
    AppendMenuA(viewMenu, MF_STRING | (sentShown ? MF_CHECKED : MF_UNCHECKED) | (enabled ? 0 : MF_GRAYED),
                IDM_VIEW_SHOWSENT, "Show &Sent");
}

bool ReceiveSession::saveTo(P_File &file) const
{
    uint32_t n = receivedCount();
    return file.write(bytes.items(), n) == n;
}

void ReceiveSession::startCapture(P_File *file)
{
    // The capture running goes first: the file chosen may be its own.
    delete captureFile;
    captureFile = file;
    if (captureFile)
        clear();
}

void ReceiveSession::closeCapture()
{
    delete captureFile;
    captureFile = nullptr;
}

void ReceiveSession::endCapture()
{
    closeCapture();
    renderer.restartHexLines();
    renderHistory();
}

void ReceiveSession::describe(StatusFacts &facts) const
{
    facts.received = fromLine;
    facts.capturePath = captureName();
    facts.logPath = logged.path();
    facts.historyFull = kept.isFull();
}

void ReceiveSession::restoreViewChoices()
{
    uint32_t timeOn = 0;
    readRegDword("ShowTime", timeOn, false);
    renderer.setShowTime(timeOn != 0);
    uint32_t coloursOn = 0;
    readRegDword("AnsiColours", coloursOn, false);
    renderer.setColours(coloursOn != 0);
    uint32_t sentOn = 0;
    readRegDword("ShowSent", sentOn, false);
    sentShown = sentOn == 1;
}

void ReceiveSession::keepViewChoices() const
{
    writeRegDword("ShowTime", renderer.showsTime() ? 1 : 0);
    writeRegDword("AnsiColours", renderer.showsColours() ? 1 : 0);
    writeRegDword("ShowSent", sentShown ? 1 : 0);
}
