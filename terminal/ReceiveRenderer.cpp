#include "terminal/ReceiveRenderer.h"

#include <richedit.h>

#include <vector>

#include "app/PAppl.h"
#include "res/resource.h"
#include "terminal/HexDump.h"
#include "terminal/TextDump.h"
#include "terminal/progressBar.h"
#include "win/PWin.h"

namespace {

const COLORREF paleYellow = 0x00CFFFFF;

// RichEdit 1.0 messages, by number: the class is loaded at run time.
const UINT msgSetTextMode = WM_USER + 89;    // EM_SETTEXTMODE
const UINT msgSetBkgndColor = WM_USER + 67;  // EM_SETBKGNDCOLOR
const WPARAM plainTextMode = 1;               // TM_PLAINTEXT

const char renderFormat[] = "Performing...\n\rbyte %d of %d";
const COLORREF textBarColor = 0x10FF3F;
const COLORREF hexBarColor = 0xFF103F;

void pump()
{
    if (PAppl *app = PAppl::instance())
        app->pumpMessages();
}

// The calling pattern of the progress dialog: shown, painted, pumped.
progressBar *showProgress(PWin *owner, uint32_t total, COLORREF color)
{
    progressBar *bar = new progressBar(owner, renderFormat, int32_t(total), color, IDD_PROGRESS, 0);
    if (bar->show() && bar->hwnd)
        UpdateWindow(bar->hwnd);
    pump();
    return bar;
}

// Reports progress and lets the queue through; false once aborted. Without
// a bar (a received chunk) only the queue is let through.
bool stepProgress(progressBar *bar, uint32_t done)
{
    if (bar && !bar->update(int32_t(done)))
        return false;
    pump();
    return true;
}

void moveCaretToEnd(HWND view)
{
    CHARRANGE end = {0x7FFFFFF, 0x7FFFFFF};
    SendMessageA(view, EM_EXSETSEL, 0, LPARAM(&end));
}

void insertAtEnd(HWND view, const char *text)
{
    moveCaretToEnd(view);
    SendMessageA(view, EM_REPLACESEL, FALSE, LPARAM(text));
}

// Text for the view collected over one render and put in with one
// insertion: an insertion costs the same for one character as for a line.
class ViewBatch
{
public:
    explicit ViewBatch(size_t expected) { text.reserve(expected); }
    void add(const char *piece, uint32_t length) { text.insert(text.end(), piece, piece + length); }
    void add(const char *piece, uint32_t length, LineBreaker &lines) { lines.append(piece, length, text); }
    // Puts the collected text in, what came before an abort included.
    void flush(HWND view)
    {
        if (text.empty())
            return;
        text.push_back('\0');
        insertAtEnd(view, text.data());
        text.clear();
    }

private:
    std::vector<char> text;
};

// The text layout into the receive view, one insertion per render: piece by
// piece, a chunk of NULs took one insertion per NUL.
class ViewTextSink : public TextSink
{
public:
    ViewTextSink(HWND view, progressBar *bar, uint32_t length, LineBreaker &lines)
        : view(view), bar(bar), lines(lines), batch(size_t(length) + length / 512 + 1)
    {
    }
    void putText(const char *piece, uint32_t length) override { batch.add(piece, length, lines); }
    bool progress(uint32_t done) override { return stepProgress(bar, done); }
    void flush() { batch.flush(view); }

private:
    HWND view;
    progressBar *bar;
    LineBreaker &lines;
    ViewBatch batch;
};

// The hex layout into the receive view, one insertion per render: line by
// line, a 511-byte chunk took 64 insertions. Up to 1024 bytes the progress
// is reported after every line, beyond every 64th.
class ViewHexSink : public HexSink
{
public:
    ViewHexSink(HWND view, progressBar *bar, uint32_t textLength, uint32_t length)
        : view(view), bar(bar), textLength(textLength), everyLine(length <= TextDump::shortLimit), lines(0),
          batch((size_t(length) / HexDump::bytesPerLine + 2) * HexDump::fullLineChars + 1)
    {
    }
    void eraseTail(uint32_t chars) override
    {
        SendMessageA(view, EM_SETSEL, WPARAM(textLength - chars), LPARAM(textLength));
        SendMessageA(view, EM_REPLACESEL, FALSE, LPARAM(""));
    }
    bool putLine(const char *text, uint32_t length, uint32_t firstByte) override
    {
        batch.add(text, length);
        if (everyLine || ++lines % 64 == 0)
            return stepProgress(bar, firstByte);
        return true;
    }
    void flush() { batch.flush(view); }

private:
    HWND view;
    progressBar *bar;
    uint32_t textLength;
    bool everyLine;
    uint32_t lines;
    ViewBatch batch;
};

} // namespace

// Wine's rich-edit control repaints itself inside every EM_REPLACESEL
// (measured: 9 to 19 ms an insertion whatever the length of the text, 0.4 ms
// with painting held off), which held hex reception near 500 bytes/s. So a
// drain holds the view's painting off while it inserts and brings the view up
// to date at its end, and at most every refreshMs during a long drain, so a
// flood still shows as it comes.
class ReceiveRenderer::PaintPause
{
public:
    explicit PaintPause(HWND view) : view(view), lastRefresh(GetTickCount()), paused(false), changed(false) {}
    ~PaintPause()
    {
        if (paused)
            resume();
        if (changed)
            InvalidateRect(view, nullptr, FALSE);
    }
    PaintPause(const PaintPause &) = delete;
    PaintPause &operator=(const PaintPause &) = delete;

    // Called before the view is changed.
    void hold()
    {
        changed = true;
        if (paused || !view)
            return;
        SendMessageA(view, WM_SETREDRAW, FALSE, 0);
        paused = true;
    }
    // The view was replaced by a fresh one, which paints; held again.
    void rebind(HWND fresh)
    {
        if (fresh == view)
            return;
        view = fresh;
        paused = false;
        hold();
    }
    // Called between chunks: shows what came so far when it is time.
    void refreshIfDue()
    {
        if (paused && GetTickCount() - lastRefresh >= refreshMs) {
            resume();
            UpdateWindow(view);
        }
    }

private:
    static const DWORD refreshMs = 100;
    void resume()
    {
        SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        SendMessageA(view, EM_SCROLLCARET, 0, 0);
        InvalidateRect(view, nullptr, FALSE);
        paused = false;
        lastRefresh = GetTickCount();
    }

    HWND view;
    DWORD lastRefresh;
    bool paused;
    bool changed;
};

ReceiveRenderer::ReceiveRenderer(PWin *owner)
    : owner(owner), view(nullptr), font(nullptr), hexLineCount(0), hexLinesCut(0), paint(nullptr)
{
}

ReceiveRenderer::~ReceiveRenderer()
{
    delete paint;
}

void ReceiveRenderer::attach(HWND control, HFONT textFont)
{
    view = control;
    font = textFont;
    configure(view);
}

void ReceiveRenderer::configure(HWND target)
{
    SendMessageA(target, msgSetTextMode, plainTextMode, 0);
    SendMessageA(target, msgSetBkgndColor, 0, LPARAM(paleYellow));
    SendMessageA(target, WM_SETFONT, WPARAM(font), TRUE);
}

uint32_t ReceiveRenderer::textLength() const
{
    return uint32_t(SendMessageA(view, WM_GETTEXTLENGTH, 0, 0));
}

// An empty receive view, in place of the one there was. Wine's rich edit
// pays for every paragraph it deletes with a walk over all the others
// (measured with 15,420 hex lines: WM_SETTEXT "" 19 s, cutting the first
// 3,855 lines 2.3 s), so emptying a full view, or cutting its top, froze the
// terminal for seconds; a new control costs nothing of the kind. The view
// keeps its place, style, tab order and focus. Should the new control not
// come up, the old one is emptied the slow way.
HWND ReceiveRenderer::renew()
{
    viewLines.reset();
    HWND old = view;
    if (!old)
        return old;
    HWND dialog = GetParent(old);
    RECT r;
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    DWORD style = DWORD(GetWindowLongA(old, GWL_STYLE));
    DWORD exStyle = DWORD(GetWindowLongA(old, GWL_EXSTYLE));
    HWND fresh = CreateWindowExA(exStyle, "RichEdit", "", style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, dialog, HMENU(INT_PTR(IDC_VIEW)), owner->instance(), nullptr);
    if (!fresh) {
        SetWindowTextA(old, "");
        return old;
    }
    bool hadFocus = GetFocus() == old;
    configure(fresh);
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(old);
    if (hadFocus)
        SetFocus(fresh);
    view = fresh;
    if (paint)
        paint->rebind(view);
    return fresh;
}

void ReceiveRenderer::restartHexLines()
{
    hexLineCount = 0;
    hexLinesCut = 0;
}

void ReceiveRenderer::empty()
{
    renew();
    restartHexLines();
}

// A received chunk renders in a millisecond or two: a progress dialog made
// and destroyed for each one (about 30 ms each under Wine, 50 a second in a
// flood) held reception below the line rate, flickered over the view and took
// the keyboard focus from the send box, so what the operator typed meanwhile
// went to the dialog, an Enter aborting the render. Chunks render without
// one; re-renders of the history, which can take seconds, keep theirs.
void ReceiveRenderer::appendText(const unsigned char *data, uint32_t length, bool withProgress)
{
    if (paint)
        paint->hold();
    progressBar *bar = withProgress ? showProgress(owner, length, textBarColor) : nullptr;
    ViewTextSink sink(view, bar, length, viewLines);
    std::vector<char> scratch(length > TextDump::shortLimit ? size_t(length) + 1 : 1);
    TextDump::render(sink, data, length, scratch.data());
    sink.flush();
    delete bar;
}

void ReceiveRenderer::appendHex(const unsigned char *data, uint32_t length, uint32_t textLength,
                            const unsigned char *history, uint32_t historyBytes, bool withProgress)
{
    if (paint)
        paint->hold();
    progressBar *bar = withProgress ? showProgress(owner, length, hexBarColor) : nullptr;
    ViewHexSink sink(view, bar, textLength, length);
    // The history holds the bytes of a short line the view may end in. When
    // the view's length does not add up to hex lines nothing is discarded:
    // the chunk simply starts a fresh line.
    HexDump::renderChunk(sink, history, historyBytes, data, length, textLength, &hexLineCount, hexLinesCut);
    sink.flush();
    delete bar;
}

// The history, into a view that holds nothing of it: as much of its end as
// the view keeps, so a long history shows at once (formatting and inserting
// the part the view would cut again took minutes for a mebibyte under Wine).
// The hex labels still count from the first byte received.
void ReceiveRenderer::showHistory(const unsigned char *history, uint32_t n, bool hex)
{
    if (n == 0)
        return;
    if (hex) {
        uint32_t first = scrollback.firstHexLine(n);
        uint32_t from = first * uint32_t(HexDump::bytesPerLine);
        hexLineCount = first;
        hexLinesCut = first;
        appendHex(history + from, n - from, 0, history, from, true);
    } else {
        uint32_t from = scrollback.firstTextByte(n);
        appendText(history + from, n - from, true);
    }
    trim(hex);
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

// Keeps the view within its scrollback: once past the limit its top is cut,
// in hex by whole lines, in text up to the start of a line when there is one
// (a long render without line ends is cut where it must). What stays is read
// out and put into a fresh control (see renew).
void ReceiveRenderer::trim(bool hex)
{
    uint32_t t = textLength();
    uint32_t cut = hex ? scrollback.hexCut(t) : scrollback.textCut(t);
    if (cut == 0)
        return;
    if (!hex) {
        LRESULT line = SendMessageA(view, EM_EXLINEFROMCHAR, 0, LPARAM(cut));
        LRESULT start = SendMessageA(view, EM_LINEINDEX, WPARAM(line), 0);
        if (start >= 0 && uint32_t(start) < cut) {
            LRESULT next = SendMessageA(view, EM_LINEINDEX, WPARAM(line + 1), 0);
            if (next > 0 && uint32_t(next) < t)
                cut = uint32_t(next);
        }
    }
    std::vector<char> kept(size_t(t - cut) + 1, '\0');  // EM_GETTEXTRANGE terminates it
    TEXTRANGEA range;
    range.chrg.cpMin = LONG(cut);
    range.chrg.cpMax = LONG(t);
    range.lpstrText = kept.data();
    LRESULT got = SendMessageA(view, EM_GETTEXTRANGE, 0, LPARAM(&range));
    uint32_t read = got > 0 ? uint32_t(got) : 0;
    if (read > t - cut)
        read = t - cut;
    HWND fresh = renew();
    ViewBatch batch(size_t(read) + 3);
    if (hex) {
        batch.add(kept.data(), read);
        // A view read back otherwise than it was written fails the line
        // check of the next hex chunk, which then starts a fresh line.
        hexLinesCut += cut / HexDump::fullLineChars;
    } else {
        // The kept lines are already short: this only counts the last one.
        batch.add(kept.data(), read, viewLines);
    }
    batch.flush(fresh);
}

void ReceiveRenderer::beginDrain()
{
    delete paint;
    paint = new PaintPause(view);
}

void ReceiveRenderer::drained(bool hex)
{
    trim(hex);
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
    if (paint)
        paint->refreshIfDue();
}

void ReceiveRenderer::endDrain()
{
    delete paint;
    paint = nullptr;
}

// With more waiting, a hex chunk ends on a line boundary (504 to 511 bytes),
// so the next one need not take back a short last line: Wine's rich edit
// seeks every offset it is given from the start of the text (measured:
// selecting the tail of a 4 MB view cost more than inserting into it).
uint32_t ReceiveRenderer::chunkSize(uint32_t waiting, uint32_t most, uint32_t held, bool hex)
{
    if (waiting <= most)
        return waiting;
    uint32_t n = most;
    if (hex)
        n -= (held + n) % HexDump::bytesPerLine;
    return n;
}
