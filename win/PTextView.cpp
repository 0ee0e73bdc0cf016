#include "win/PTextView.h"

#include <richedit.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

const char PTextView::className[] = "PTextView";

namespace {

const UINT_PTR frameTimer = 1;
const UINT_PTR dragTimer = 2;
// About 30 frames a second while text streams in.
const DWORD frameMs = 33;
// The scroll bar is redrawn about 5 times a second while text streams in.
const DWORD barMs = 200;
const UINT dragMs = 50;
// Space between the border and the first column.
const int margin = 2;

bool isControl(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

int signedLow(LPARAM l)
{
    return static_cast<short>(LOWORD(l));
}

int signedHigh(LPARAM l)
{
    return static_cast<short>(HIWORD(l));
}

} // namespace

bool PTextView::registerClass(HINSTANCE module)
{
    WNDCLASSA wc;
    if (GetClassInfoA(module, className, &wc))
        return true;
    ZeroMemory(&wc, sizeof wc);
    // Global, so that a dialog template of any module of the process finds it.
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = windowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

PTextView *PTextView::of(HWND window)
{
    char name[sizeof className + 1];
    if (!window || !GetClassNameA(window, name, int(sizeof name)) || std::strcmp(name, className) != 0)
        return nullptr;
    return reinterpret_cast<PTextView *>(GetWindowLongPtrA(window, 0));
}

void PTextView::clear()
{
    barKnown = false;
    setText("");
}

LRESULT CALLBACK PTextView::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    PTextView *view = reinterpret_cast<PTextView *>(GetWindowLongPtrA(hwnd, 0));
    if (msg == WM_NCCREATE) {
        view = new (std::nothrow) PTextView(hwnd);
        if (!view)
            return FALSE;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(view));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, 0, 0);
        delete view;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    if (!view)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return view->handle(msg, wParam, lParam);
}

PTextView::PTextView(HWND window)
    : hwnd(window), font(nullptr), background(GetSysColor(COLOR_WINDOW)), cellW(8), cellH(16),
      clientW(0), clientH(0), visibleRows(1), topRow(0), follow(true), focused(false),
      dragging(false), caretRowEnd(false), dragAt{0, 0}, wheelRest(0), framePending(false), lastFrame(0),
      pendingChange(noChange), barKnown(false), barMax(0), barPos(0), barPage(0), barStale(false), lastBarDraw(0),
      memDC(nullptr), memBitmap(nullptr), memOldBitmap(nullptr), memW(0), memH(0),
      backBrush(nullptr), markBrush(nullptr), fixedFont(nullptr), styleFonts{}, cells(nullptr), cellDx(nullptr),
      cellCap(0)
{
}

PTextView::~PTextView()
{
    if (memDC) {
        SelectObject(memDC, memOldBitmap);
        DeleteDC(memDC);
    }
    if (memBitmap)
        DeleteObject(memBitmap);
    if (backBrush)
        DeleteObject(backBrush);
    if (markBrush)
        DeleteObject(markBrush);
    if (fixedFont)
        DeleteObject(fixedFont);
    dropStyleFonts();
    std::free(cells);
    std::free(cellDx);
}

// The view's messages, by family: each family answers the messages it knows
// and leaves the others to the next; what none knows goes to DefWindowProc.
const PTextView::Family PTextView::families[] = {
    &PTextView::onTextMessage,   &PTextView::onSelectionMessage, &PTextView::onLinesMessage,
    &PTextView::onMouseMessage,  &PTextView::onKeyMessage,       &PTextView::onPaintMessage,
    &PTextView::onLookMessage,   &PTextView::onMenuMessage,
};

LRESULT PTextView::handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    for (Family family : families)
        if ((this->*family)(msg, wParam, lParam, result))
            return result;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The text: set, read, appended, cut; the editing messages do nothing.
bool PTextView::onTextMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (msg) {
    case WM_SETTEXT:
        barKnown = false;
        result = setText(reinterpret_cast<const char *>(lParam));
        return true;
    case WM_GETTEXT:
        result = getText(size_t(wParam), reinterpret_cast<char *>(lParam));
        return true;
    case WM_GETTEXTLENGTH:
        result = LRESULT(store.length());
        return true;
    case PTVM_APPEND: {
        const char *text = reinterpret_cast<const char *>(lParam);
        size_t n = wParam == WPARAM(-1) ? (text ? std::strlen(text) : 0) : size_t(wParam);
        result = append(text, text ? n : 0);
        return true;
    }
    case PTVM_APPENDRUNS:
        result = appendRuns(reinterpret_cast<const PTextViewRun *>(lParam), lParam ? size_t(wParam) : 0);
        return true;
    case PTVM_PAINTRANGE:
        result = paintRange(reinterpret_cast<const PTextViewPaint *>(lParam));
        return true;
    case PTVM_ERASETAIL:
        result = eraseTail(size_t(wParam));
        return true;
    case PTVM_ERASEHEAD:
        result = eraseHead(size_t(wParam));
        return true;
    case EM_REPLACESEL:
        result = replaceSelection(reinterpret_cast<const char *>(lParam));
        return true;
    case EM_GETTEXTRANGE:
        result = getTextRange(reinterpret_cast<void *>(lParam));
        return true;
    case PTVM_GETTEXTPTR:
        result = textPointer(reinterpret_cast<size_t *>(wParam));
        return true;
    case WM_COPY:
        copy();
        return true;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
        // Read-only: the operator cannot change the text.
        return true;
    default:
        return false;
    }
}

bool PTextView::onSelectionMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (msg) {
    case EM_GETSEL:
        result = getSel(reinterpret_cast<DWORD *>(wParam), reinterpret_cast<DWORD *>(lParam));
        return true;
    case EM_SETSEL:
        // As the system's controls: the values are 32-bit, -1 meaning the end.
        setSel(long(int32_t(wParam)), long(int32_t(lParam)));
        return true;
    case EM_EXGETSEL:
        if (CHARRANGE *range = reinterpret_cast<CHARRANGE *>(lParam)) {
            range->cpMin = LONG(sel.from());
            range->cpMax = LONG(sel.to());
        }
        return true;
    case EM_EXSETSEL:
        if (const CHARRANGE *range = reinterpret_cast<const CHARRANGE *>(lParam))
            setSel(range->cpMin, range->cpMax);
        result = LRESULT(sel.to());
        return true;
    case EM_SCROLLCARET:
        showCaret();
        frameNow();
        return true;
    case PTVM_ISFOLLOWING:
        result = following() ? TRUE : FALSE;
        return true;
    default:
        return false;
    }
}

// Lines (rows on screen) and scrolling.
bool PTextView::onLinesMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (msg) {
    case EM_GETLINECOUNT:
        result = LRESULT(rowCount() ? rowCount() : 1);
        return true;
    case EM_GETFIRSTVISIBLELINE:
        result = LRESULT(topRow);
        return true;
    case EM_LINEINDEX:
        result = lineIndex(wParam);
        return true;
    case EM_EXLINEFROMCHAR:
        result = LRESULT(layout.position(store, size_t(lParam < 0 ? 0 : lParam)).row);
        return true;
    case EM_LINEFROMCHAR:
        result = LRESULT(layout.position(store, int32_t(wParam) < 0 ? sel.caretAt() : size_t(wParam)).row);
        return true;
    case EM_POSFROMCHAR:
        result = posFromChar(size_t(wParam));
        return true;
    case EM_LINESCROLL:
        scrollBy(int32_t(lParam));
        updateScrollBar();
        frameNow();
        result = TRUE;
        return true;
    case EM_SCROLL: {
        uint64_t before = topRow;
        onVScroll(int(wParam), 0);
        result = MAKELRESULT(WORD(int64_t(topRow) - int64_t(before)), TRUE);
        return true;
    }
    case WM_VSCROLL:
        result = onVScroll(LOWORD(wParam), HIWORD(wParam));
        return true;
    case WM_MOUSEWHEEL:
        onWheel(signedHigh(LPARAM(wParam)));
        return true;
    default:
        return false;
    }
}

bool PTextView::onMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        onMouseDown(signedLow(lParam), signedHigh(lParam), (wParam & MK_SHIFT) != 0);
        return true;
    case WM_LBUTTONDBLCLK:
        selectWordAt(signedLow(lParam), signedHigh(lParam));
        return true;
    case WM_MOUSEMOVE:
        if (dragging)
            onMouseMove(signedLow(lParam), signedHigh(lParam));
        return true;
    case WM_LBUTTONUP:
        endDrag();
        return true;
    case WM_CAPTURECHANGED:
        if (dragging) {
            dragging = false;
            KillTimer(hwnd, dragTimer);
        }
        return true;
    case WM_RBUTTONDOWN:
        SetFocus(hwnd);
        return true;
    default:
        return false;
    }
}

// The keyboard and the focus, with the caret that shows it.
bool PTextView::onKeyMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT &result)
{
    switch (msg) {
    case WM_GETDLGCODE:
        // Arrows and characters are ours; Tab, Enter and Esc stay the dialog's.
        result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return true;
    case WM_SETFOCUS:
        focused = true;
        CreateCaret(hwnd, nullptr, 2, cellH);
        placeCaret();
        ShowCaret(hwnd);
        return true;
    case WM_KILLFOCUS:
        focused = false;
        DestroyCaret();
        endDrag();
        return true;
    case WM_KEYDOWN:
        onKey(wParam);
        return true;
    case WM_CHAR:
        // Ctrl+A and Ctrl+C as characters; every other character is ignored.
        if (wParam == 1)
            selectAll();
        else if (wParam == 3)
            copy();
        return true;
    default:
        return false;
    }
}

// The window itself: made, sized, painted, and the frame timers.
bool PTextView::onPaintMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (msg) {
    case WM_CREATE:
        onCreate(reinterpret_cast<const CREATESTRUCTA *>(lParam));
        return true;
    case WM_SIZE:
        barKnown = false;
        fitToClient();
        return true;
    case WM_NCCALCSIZE:
    case WM_STYLECHANGED:
        // The frame or the styles may have changed the scroll bar behind our back.
        barKnown = false;
        result = DefWindowProcA(hwnd, msg, wParam, lParam);
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (dc)
            paint(dc);
        EndPaint(hwnd, &ps);
        return true;
    }
    case WM_TIMER:
        onTimer(wParam);
        return true;
    default:
        return false;
    }
}

// Colours, font and the text mode.
bool PTextView::onLookMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    switch (msg) {
    case EM_SETBKGNDCOLOR:
        result = LRESULT(setBackground(wParam ? GetSysColor(COLOR_WINDOW) : COLORREF(lParam)));
        return true;
    case EM_SETTEXTMODE:
        // Only plain text is shown; rich text is refused as a rich edit
        // refuses a mode it cannot switch to.
        result = (wParam & TM_RICHTEXT) ? LRESULT(E_INVALIDARG) : 0;
        return true;
    case EM_GETTEXTMODE:
        result = TM_PLAINTEXT;
        return true;
    case WM_SETFONT:
        font = reinterpret_cast<HFONT>(wParam);
        measureFont();
        fitToClient();
        if (LOWORD(lParam))
            frameNow();
        return true;
    case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(font);
        return true;
    default:
        return false;
    }
}

bool PTextView::onMenuMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT &)
{
    if (msg != WM_CONTEXTMENU)
        return false;
    onContextMenu(signedLow(lParam), signedHigh(lParam));
    return true;
}

void PTextView::onCreate(const CREATESTRUCTA *cs)
{
    measureFont();
    fitToClient();
    if (cs && cs->lpszName && HIWORD(reinterpret_cast<ULONG_PTR>(cs->lpszName)) && *cs->lpszName)
        setText(cs->lpszName);
}

void PTextView::onTimer(WPARAM id)
{
    if (id == frameTimer) {
        KillTimer(hwnd, frameTimer);
        framePending = false;
        frameNow(pendingChange == streamOnly);
    } else if (id == dragTimer) {
        if (dragging)
            onMouseMove(dragAt.x, dragAt.y);
        else
            KillTimer(hwnd, dragTimer);
    }
}

COLORREF PTextView::setBackground(COLORREF colour)
{
    COLORREF old = background;
    background = colour;
    if (backBrush) {
        DeleteObject(backBrush);
        backBrush = nullptr;
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    return old;
}

void PTextView::selectWordAt(int x, int y)
{
    size_t from, to;
    TextSelection::wordAround(store.data(), store.length(), hit(x, y), from, to);
    sel.set(from, to, store.length());
    caretRowEnd = false;
    frameNow();
}

// ---- Text changes -------------------------------------------------------

void PTextView::textChanged(bool streamed)
{
    pendingChange = streamed && pendingChange != otherChange ? streamOnly : otherChange;
    if (topRow > maxTop())
        topRow = maxTop();
    if (follow && sel.empty())
        topRow = maxTop();
    scheduleFrame();
}

LRESULT PTextView::setText(const char *text)
{
    size_t n = text ? std::strlen(text) : 0;
    // Emptying the view (Clear) gives back what a long text held; should
    // even a short text then find no memory, the view stays empty.
    if (n < TextStore::keptOnClear) {
        store.clear();
        layout.clear();
    }
    colours.clear();
    if (!layout.reserve(TextStore::lineEndsIn(text, n) + 1) || !store.assign(text ? text : "", n))
        return FALSE;
    layout.update(store, 0);
    sel.placeCaret(0, store.length());
    caretRowEnd = false;
    follow = true;
    topRow = maxTop();
    textChanged(false);
    return TRUE;
}

LRESULT PTextView::append(const char *text, size_t n)
{
    size_t at = store.length();
    // Room first: a length the memory cannot hold fails before the text is read.
    if (!store.reserve(n))
        return -1;
    size_t ends = TextStore::lineEndsIn(text, n);
    if (!layout.reserve(store.lineCount() + ends) || !store.append(text, n, ends))
        return -1;
    // Plain text after coloured text: one run more, which cannot fail to
    // matter more than the text; without colours nothing at all.
    if (!colours.empty())
        colours.setFrom(at, TextAttr());
    layout.update(store, at);
    textChanged(true);
    return LRESULT(store.length());
}

LRESULT PTextView::appendRuns(const PTextViewRun *runs, size_t count)
{
    size_t at = store.length(), total = 0, ends = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!runs[i].text || runs[i].length > TextStore::maxLength - total)
            return -1;
        total += runs[i].length;
    }
    // All the room first, so the runs go in whole or not at all; a length
    // the memory cannot hold fails before any text is read.
    if (!store.reserve(total))
        return -1;
    for (size_t i = 0; i < count; ++i)
        ends += TextStore::lineEndsIn(runs[i].text, runs[i].length);
    if (!layout.reserve(store.lineCount() + ends))
        return -1;
    for (size_t i = 0; i < count;) {
        // Runs that follow each other in memory go into the text at once.
        size_t last = i, n = runs[i].length;
        while (last + 1 < count && runs[last + 1].text == runs[last].text + runs[last].length)
            n += runs[++last].length;
        size_t from = store.length();
        for (size_t k = i; k <= last; from += runs[k].length, ++k)
            if (runs[k].length)
                colours.setFrom(from, runs[k].attr);
        // One group, the usual case: its line ends were counted above.
        size_t groupEnds = i == 0 && last + 1 == count ? ends : TextStore::unknownLineEnds;
        if (n && !store.append(runs[i].text, n, groupEnds)) {
            // The line index found no room: the text goes back to what it was.
            store.eraseTail(store.length() - at);
            colours.eraseTail(at);
            layout.update(store, at);
            return -1;
        }
        i = last + 1;
    }
    layout.update(store, at);
    textChanged(true);
    return LRESULT(store.length());
}

LRESULT PTextView::paintRange(const PTextViewPaint *paint)
{
    if (!paint || paint->from >= paint->to || paint->from >= store.length())
        return FALSE;
    size_t to = paint->to > store.length() ? store.length() : paint->to;
    bool done = paint->backgroundOnly ? colours.paintBackground(paint->from, to, paint->attr.bg)
                                      : colours.paint(paint->from, to, paint->attr);
    if (!done)
        return FALSE;
    InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
}

LRESULT PTextView::replaceSelection(const char *text)
{
    size_t n = text ? std::strlen(text) : 0;
    size_t from = sel.from();
    if (!layout.reserve(store.lineCount() + TextStore::lineEndsIn(text, n)) ||
        !store.replace(from, sel.to() - from, text, n))
        return 0;
    // Colours that find no room to move go rather than show on the wrong text.
    if (!colours.replace(from, sel.to() - from, n))
        colours.clear();
    layout.update(store, from);
    sel.placeCaret(from + n, store.length());
    caretRowEnd = false;
    textChanged(false);
    return 0;
}

LRESULT PTextView::eraseTail(size_t n)
{
    store.eraseTail(n);
    colours.eraseTail(store.length());
    layout.update(store, store.length());
    sel.tailCut(store.length());
    caretRowEnd = false;
    textChanged(true);
    return LRESULT(store.length());
}

LRESULT PTextView::eraseHead(size_t n)
{
    if (n > store.length())
        n = store.length();
    // The first visible row keeps showing the text it showed, when that stays.
    size_t shown, shownEnd;
    layout.rowRange(store, topRow, shown, shownEnd);
    layout.dropHead(store, store.eraseHead(n));
    if (store.length() == 0)
        colours.clear();
    else
        colours.eraseHead(n);
    sel.headCut(n);
    caretRowEnd = false;
    topRow = shown >= n ? layout.position(store, shown - n).row : 0;
    textChanged(true);
    return LRESULT(store.length());
}

// ---- Reading ------------------------------------------------------------

LRESULT PTextView::getText(size_t size, char *out) const
{
    if (!out || size == 0)
        return 0;
    size_t n = store.length() < size - 1 ? store.length() : size - 1;
    std::memcpy(out, store.data(), n);
    out[n] = '\0';
    return LRESULT(n);
}

// The range is trusted only as far as its own numbers go: nothing is written
// for a reversed or negative range (the caller sized the buffer by it), and
// the end is clamped to the text.
LRESULT PTextView::getTextRange(void *param) const
{
    TEXTRANGEA *range = static_cast<TEXTRANGEA *>(param);
    if (!range || !range->lpstrText)
        return 0;
    LONG from = range->chrg.cpMin, to = range->chrg.cpMax;
    if (from < 0 || (to >= 0 && to < from))
        return 0;
    size_t len = store.length();
    size_t end = to < 0 || size_t(to) > len ? len : size_t(to);
    size_t start = size_t(from) > end ? end : size_t(from);
    std::memcpy(range->lpstrText, store.data() + start, end - start);
    range->lpstrText[end - start] = '\0';
    return LRESULT(end - start);
}

LRESULT PTextView::textPointer(size_t *length) const
{
    if (length)
        *length = store.length();
    return reinterpret_cast<LRESULT>(store.data());
}

LRESULT PTextView::getSel(DWORD *start, DWORD *end) const
{
    if (start)
        *start = DWORD(sel.from());
    if (end)
        *end = DWORD(sel.to());
    // As the rich edit: offsets past 16 bits cannot be packed.
    if (sel.to() > 0xFFFF)
        return -1;
    return MAKELRESULT(WORD(sel.from()), WORD(sel.to()));
}

// Negative values mean the end (both negative), or keep the caret where the
// selection ends and drop the selection (start negative); a reversed range
// keeps its direction, the caret at `end`.
void PTextView::setSel(long start, long end)
{
    size_t len = store.length();
    if (start < 0 && end < 0)
        sel.placeCaret(len, len);
    else if (start < 0)
        sel.placeCaret(sel.to(), len);
    else
        sel.set(size_t(start), end < 0 ? len : size_t(end), len);
    caretRowEnd = false;
    placeCaret();
    scheduleFrame();
}

LRESULT PTextView::lineIndex(WPARAM param) const
{
    uint64_t row;
    if (int32_t(param) < 0)
        row = layout.position(store, sel.caretAt()).row;
    else
        row = uint64_t(param);
    uint64_t rows = rowCount() ? rowCount() : 1;
    if (row >= rows)
        return -1;
    size_t from, to;
    layout.rowRange(store, row, from, to);
    return LRESULT(from);
}

LRESULT PTextView::posFromChar(size_t offset) const
{
    if (offset > store.length())
        return -1;
    TextLayout::Position p = layout.position(store, offset);
    int64_t y = (int64_t(p.row) - int64_t(topRow)) * cellH;
    int64_t x = margin + int64_t(p.column) * cellW;
    if (y < SHRT_MIN)
        y = SHRT_MIN;
    if (y > SHRT_MAX)
        y = SHRT_MAX;
    if (x > SHRT_MAX)
        x = SHRT_MAX;
    return MAKELRESULT(WORD(short(x)), WORD(short(y)));
}

// ---- Scrolling ----------------------------------------------------------

uint64_t PTextView::rowCount() const
{
    return layout.rowCount();
}

uint64_t PTextView::maxTop() const
{
    uint64_t rows = rowCount();
    return rows > uint64_t(visibleRows) ? rows - uint64_t(visibleRows) : 0;
}

// Every scroll decides whether the view follows the end: it does exactly
// when the last row is in view afterwards.
void PTextView::scrollTo(uint64_t row)
{
    topRow = row > maxTop() ? maxTop() : row;
    follow = topRow >= maxTop();
}

void PTextView::scrollBy(int64_t rows)
{
    if (rows < 0 && uint64_t(-rows) > topRow)
        scrollTo(0);
    else
        scrollTo(uint64_t(int64_t(topRow) + rows));
}

void PTextView::showRow(uint64_t row)
{
    if (row < topRow)
        scrollTo(row);
    else if (row >= topRow + uint64_t(visibleRows))
        scrollTo(row - uint64_t(visibleRows) + 1);
    else
        scrollTo(topRow);
}

void PTextView::showCaret()
{
    showRow(caretPosition().row);
    updateScrollBar();
}

LRESULT PTextView::onVScroll(int code, int thumb16)
{
    switch (code) {
    case SB_LINEUP:
        scrollBy(-1);
        break;
    case SB_LINEDOWN:
        scrollBy(1);
        break;
    case SB_PAGEUP:
        scrollBy(-int64_t(visibleRows));
        break;
    case SB_PAGEDOWN:
        scrollBy(visibleRows);
        break;
    case SB_TOP:
        scrollTo(0);
        break;
    case SB_BOTTOM:
        scrollTo(maxTop());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // WM_VSCROLL carries only 16 bits of the thumb: the scroll bar has
        // all 32. Outside a drag nTrackPos is the current position; a thumb
        // position sent by a program then counts when the range fits 16 bits.
        SCROLLINFO si;
        si.cbSize = sizeof si;
        si.fMask = SIF_POS | SIF_TRACKPOS | SIF_RANGE;
        if (!GetScrollInfo(hwnd, SB_VERT, &si))
            return 0;
        int pos = si.nTrackPos;
        if (pos == si.nPos && si.nMax <= 0xFFFF && code == SB_THUMBPOSITION)
            pos = thumb16;
        scrollTo(uint64_t(pos < 0 ? 0 : pos));
        break;
    }
    default:
        return 0;
    }
    updateScrollBar();
    frameNow();
    return 0;
}

void PTextView::onWheel(int delta)
{
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    wheelRest += delta;
    int notches = wheelRest / WHEEL_DELTA;
    wheelRest -= notches * WHEEL_DELTA;
    if (notches == 0 || lines == 0)
        return;
    int64_t step = lines == WHEEL_PAGESCROLL ? visibleRows : int64_t(lines);
    scrollBy(-notches * step);
    updateScrollBar();
    frameNow();
}

// ---- Operator input -----------------------------------------------------

bool PTextView::following() const
{
    return follow && sel.empty();
}

// The offset where a wrapped line goes on in the next row is also the end
// of the row before it; the caret shows at that end when it was put there on
// that row (End, a click past the row's last sign, Up and Down along it).
void PTextView::moveCaret(size_t to, bool extend, int64_t onRow)
{
    if (extend)
        sel.extendTo(to, store.length());
    else
        sel.placeCaret(to, store.length());
    caretRowEnd = false;
    if (onRow >= 0 && sel.caretAt() == to) {
        size_t from, end;
        layout.rowRange(store, uint64_t(onRow), from, end);
        caretRowEnd = end == to && from < end && layout.position(store, to).row == uint64_t(onRow) + 1;
    }
    showCaret();
    frameNow();
}

TextLayout::Position PTextView::caretPosition() const
{
    size_t caret = sel.caretAt();
    TextLayout::Position p = layout.position(store, caret);
    if (!caretRowEnd || p.column != 0 || p.row == 0 || caret == 0)
        return p;
    TextLayout::Position before = layout.position(store, caret - 1);
    if (before.row + 1 != p.row)
        return p;
    before.column += TextLayout::cellWidth(store.at(caret - 1), before.column, layout.columns());
    return before;
}

void PTextView::onKey(WPARAM key)
{
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
        stepCaret(key == VK_RIGHT, shift);
        break;
    case VK_UP:
    case VK_DOWN:
        moveCaretRows(key == VK_UP ? -1 : 1, shift, false);
        break;
    case VK_PRIOR:
    case VK_NEXT:
        moveCaretRows(key == VK_PRIOR ? -int64_t(visibleRows) : int64_t(visibleRows), shift, true);
        break;
    case VK_HOME:
    case VK_END:
        caretToRowEdge(key == VK_END, ctrl, shift);
        break;
    case VK_INSERT:
    case 'C':
        if (ctrl)
            copy();
        break;
    case 'A':
        if (ctrl)
            selectAll();
        break;
    default:
        break;
    }
}

// Left and Right: a selection collapses to its edge first; a CR LF is one step.
void PTextView::stepCaret(bool forward, bool shift)
{
    const char *t = store.data();
    size_t len = store.length();
    size_t caret = sel.caretAt();
    if (!shift && !sel.empty())
        moveCaret(forward ? sel.to() : sel.from(), false);
    else if (forward)
        moveCaret(caret + 1 < len && t[caret] == '\r' && t[caret + 1] == '\n' ? caret + 2
                                                                              : caret < len ? caret + 1 : len,
                  shift);
    else
        moveCaret(caret >= 2 && t[caret - 1] == '\n' && t[caret - 2] == '\r' ? caret - 2
                                                                             : caret ? caret - 1 : 0,
                  shift);
}

// Up, Down and the page keys keep the caret's column; past the first row
// the caret goes to the start, past the last to the end. A page also
// scrolls the view by as many rows.
void PTextView::moveCaretRows(int64_t rows, bool shift, bool scroll)
{
    TextLayout::Position p = caretPosition();
    int64_t row = int64_t(p.row) + rows;
    size_t to = row < 0 ? 0
                : uint64_t(row) >= rowCount() ? store.length()
                                              : layout.offsetAt(store, uint64_t(row), p.column);
    if (scroll)
        scrollBy(rows);
    moveCaret(to, shift, row);
}

// Home and End: the caret's row's edges; with Ctrl the text's.
void PTextView::caretToRowEdge(bool end, bool ctrl, bool shift)
{
    TextLayout::Position p = caretPosition();
    size_t from, to;
    layout.rowRange(store, p.row, from, to);
    if (!end)
        moveCaret(ctrl ? 0 : from, shift);
    else
        moveCaret(ctrl ? store.length() : to, shift, ctrl ? -1 : int64_t(p.row));
}

size_t PTextView::hit(int x, int y, int64_t *onRow) const
{
    int64_t rowOff = y >= 0 ? y / cellH : -((-int64_t(y) + cellH - 1) / cellH);
    int64_t row = int64_t(topRow) + rowOff;
    uint64_t rows = rowCount();
    if (onRow)
        *onRow = -1;
    if (row < 0 || rows == 0)
        return row < 0 ? 0 : store.length();
    if (uint64_t(row) >= rows)
        return store.length();
    if (onRow)
        *onRow = row;
    int col = (x - margin + cellW / 2) / cellW;
    return layout.offsetAt(store, uint64_t(row), size_t(col < 0 ? 0 : col));
}

void PTextView::onMouseDown(int x, int y, bool extend)
{
    SetFocus(hwnd);
    SetCapture(hwnd);
    dragging = true;
    dragAt.x = x;
    dragAt.y = y;
    int64_t row;
    size_t at = hit(x, y, &row);
    moveCaret(at, extend, row);
}

// Outside the view a timer keeps repeating the last point, so the selection
// goes on growing and the view scrolling while the mouse stands still.
void PTextView::onMouseMove(int x, int y)
{
    dragAt.x = x;
    dragAt.y = y;
    bool outside = y < 0 || y >= clientH;
    if (outside)
        SetTimer(hwnd, dragTimer, dragMs, nullptr);
    else
        KillTimer(hwnd, dragTimer);
    int64_t row;
    size_t to = hit(x, y, &row);
    if (to == sel.caretAt() && !outside)
        return;
    moveCaret(to, true, row);
}

void PTextView::endDrag()
{
    KillTimer(hwnd, dragTimer);
    if (!dragging)
        return;
    dragging = false;
    if (GetCapture() == hwnd)
        ReleaseCapture();
}

void PTextView::onContextMenu(int x, int y)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING | (sel.empty() ? MF_GRAYED : 0), cmdCopy, "Copy");
    AppendMenuA(menu, MF_STRING | (store.length() ? 0 : MF_GRAYED), cmdSelectAll, "Select All");
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageA(parent, PTVM_EXTENDMENU, WPARAM(menu), LPARAM(hwnd));
    if (x == -1 && y == -1) {
        // From the keyboard: at the caret.
        LRESULT at = posFromChar(sel.caretAt());
        POINT pt = {signedLow(at), signedHigh(at) + cellH};
        ClientToScreen(hwnd, &pt);
        x = pt.x;
        y = pt.y;
    }
    UINT cmd = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, hwnd, nullptr));
    DestroyMenu(menu);
    if (cmd == cmdCopy)
        copy();
    else if (cmd == cmdSelectAll)
        selectAll();
    else if (cmd != 0 && parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(cmd, 0), 0);
}

void PTextView::selectAll()
{
    sel.set(0, store.length(), store.length());
    caretRowEnd = false;
    frameNow();
}

void PTextView::copy() const
{
    size_t from = sel.from(), n = sel.to() - from;
    if (n == 0)
        return;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n + 1);
    if (!mem)
        return;
    char *p = static_cast<char *>(GlobalLock(mem));
    if (!p) {
        GlobalFree(mem);
        return;
    }
    std::memcpy(p, store.data() + from, n);
    p[n] = '\0';
    GlobalUnlock(mem);
    if (!OpenClipboard(hwnd)) {
        GlobalFree(mem);
        return;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it took it.
    if (!SetClipboardData(CF_TEXT, mem))
        GlobalFree(mem);
    CloseClipboard();
}

// ---- Display ------------------------------------------------------------

// The font rows are drawn with: the one set by WM_SETFONT, or a fixed-pitch
// stand-in of its size when the set font turns out proportional.
HGDIOBJ PTextView::drawingFont() const
{
    if (fixedFont)
        return fixedFont;
    return font ? static_cast<HGDIOBJ>(font) : GetStockObject(ANSI_FIXED_FONT);
}

void PTextView::measureFont()
{
    dropStyleFonts();
    if (fixedFont) {
        DeleteObject(fixedFont);
        fixedFont = nullptr;
    }
    HDC dc = GetDC(hwnd);
    if (!dc)
        return;
    HGDIOBJ old = SelectObject(dc, drawingFont());
    TEXTMETRICA tm;
    if (GetTextMetricsA(dc, &tm) && (tm.tmPitchAndFamily & TMPF_FIXED_PITCH)) {
        // TMPF_FIXED_PITCH set means variable pitch. Wine maps the face
        // "courier" asked with VARIABLE_PITCH to a proportional font; the
        // columns of a terminal need a fixed one of the same height.
        HFONT stand = CreateFontA(tm.tmHeight, 0, 0, 0, tm.tmWeight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
        if (stand) {
            SelectObject(dc, stand);
            TEXTMETRICA fixed;
            if (GetTextMetricsA(dc, &fixed) && !(fixed.tmPitchAndFamily & TMPF_FIXED_PITCH))
                fixedFont = stand;
            else {
                SelectObject(dc, drawingFont());
                DeleteObject(stand);
            }
        }
    }
    if (GetTextMetricsA(dc, &tm)) {
        cellH = tm.tmHeight > 0 ? tm.tmHeight : 16;
        cellW = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 8;
    }
    // Should no fixed font be had, the widest printable sign sets the cell,
    // so that the columns stay columns and no glyph runs into the next.
    INT widths[0x7F - 0x20];
    if (!fixedFont && (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) && GetCharWidth32A(dc, 0x20, 0x7E, widths))
        for (INT w : widths)
            if (w > cellW && w < 4 * cellH)
                cellW = w;
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (focused) {
        DestroyCaret();
        CreateCaret(hwnd, nullptr, 2, cellH);
        ShowCaret(hwnd);
    }
}

// Columns and rows follow the client area; the text wraps again when the
// number of columns changes.
void PTextView::fitToClient()
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    clientW = rc.right - rc.left;
    clientH = rc.bottom - rc.top;
    int cols = (clientW - margin) / cellW;
    visibleRows = clientH / cellH > 0 ? clientH / cellH : 1;
    size_t columns = cols > 0 ? size_t(cols) : 1;
    if (columns != layout.columns() || layout.lineCount() != store.lineCount())
        layout.setColumns(store, columns);
    if (follow && sel.empty())
        topRow = maxTop();
    else if (topRow > maxTop())
        topRow = maxTop();
    updateScrollBar();
    InvalidateRect(hwnd, nullptr, FALSE);
    placeCaret();
}

// Text that streams in is shown at most about 30 times a second: the first
// change after a quiet spell is drawn at once, later ones when the frame
// timer comes, so the screen is never more than a frame behind.
void PTextView::scheduleFrame()
{
    if (framePending)
        return;
    DWORD now = GetTickCount();
    DWORD since = now - lastFrame;
    if (since >= frameMs) {
        frameNow(pendingChange == streamOnly);
        return;
    }
    if (SetTimer(hwnd, frameTimer, frameMs - since, nullptr))
        framePending = true;
    else
        frameNow();
}

void PTextView::frameNow(bool streaming)
{
    if (framePending) {
        KillTimer(hwnd, frameTimer);
        framePending = false;
    }
    pendingChange = noChange;
    lastFrame = GetTickCount();
    updateScrollBar(streaming);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    placeCaret();
    // A scroll bar a flood left behind is redrawn by the next frame, which
    // comes even when no more text does.
    if (barStale && SetTimer(hwnd, frameTimer, frameMs, nullptr))
        framePending = true;
}

void PTextView::updateScrollBar(bool streaming)
{
    uint64_t rows = rowCount();
    SCROLLINFO si;
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = rows > 0 ? int(rows - 1 > uint64_t(INT_MAX) ? INT_MAX : rows - 1) : 0;
    si.nPage = UINT(visibleRows);
    si.nPos = int(topRow > uint64_t(INT_MAX) ? INT_MAX : topRow);
    si.nTrackPos = 0;
    DWORD now = GetTickCount();
    bool redraw = !streaming || now - lastBarDraw >= barMs;
    if (barKnown && si.nMax == barMax && si.nPage == barPage && si.nPos == barPos) {
        if (redraw && barStale) {
            // Setting the same values again would not redraw it.
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            barStale = false;
            lastBarDraw = now;
        }
        return;
    }
    SetScrollInfo(hwnd, SB_VERT, &si, redraw ? TRUE : FALSE);
    barKnown = true;
    barMax = si.nMax;
    barPage = si.nPage;
    barPos = si.nPos;
    barStale = !redraw;
    if (redraw)
        lastBarDraw = now;
}

void PTextView::placeCaret()
{
    if (!focused)
        return;
    TextLayout::Position p = caretPosition();
    if (p.row < topRow || p.row > topRow + uint64_t(visibleRows)) {
        SetCaretPos(-cellW * 4, -cellH * 4);
        return;
    }
    SetCaretPos(margin + int(p.column) * cellW - 1, int(p.row - topRow) * cellH);
}

bool PTextView::ensureBitmap(HDC dc, int w, int h)
{
    if (memDC && memW == w && memH == h)
        return true;
    if (!memDC) {
        memDC = CreateCompatibleDC(dc);
        if (!memDC)
            return false;
    }
    HBITMAP bm = CreateCompatibleBitmap(dc, w, h);
    if (!bm)
        return false;
    HGDIOBJ old = SelectObject(memDC, bm);
    if (memBitmap)
        DeleteObject(memBitmap);
    else
        memOldBitmap = static_cast<HBITMAP>(old);
    memBitmap = bm;
    memW = w;
    memH = h;
    return true;
}

bool PTextView::ensureCells(size_t n)
{
    if (n <= cellCap)
        return true;
    char *c = static_cast<char *>(std::realloc(cells, n));
    if (!c)
        return false;
    cells = c;
    INT *d = static_cast<INT *>(std::realloc(cellDx, n * sizeof *cellDx));
    if (!d)
        return false;
    cellDx = d;
    cellCap = n;
    return true;
}

void PTextView::paint(HDC dc)
{
    int w = clientW > 0 ? clientW : 1, h = clientH > 0 ? clientH : 1;
    // Drawn off screen and shown in one copy: no flicker.
    bool offscreen = ensureBitmap(dc, w, h);
    HDC target = offscreen ? memDC : dc;
    if (!backBrush)
        backBrush = CreateSolidBrush(background);
    RECT all = {0, 0, w, h};
    FillRect(target, &all, backBrush ? backBrush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(target, drawingFont());
    SetBkMode(target, TRANSPARENT);
    uint64_t rows = rowCount();
    for (int i = 0; i <= visibleRows && topRow + uint64_t(i) < rows; ++i)
        drawRow(target, topRow + uint64_t(i), i * cellH);
    SelectObject(target, oldFont);
    if (offscreen)
        BitBlt(dc, 0, 0, w, h, memDC, 0, 0, SRCCOPY);
}

void PTextView::drawRow(HDC dc, uint64_t row, int y)
{
    size_t from, to;
    layout.rowRange(store, row, from, to);
    size_t cols = layout.columns();
    if (!ensureCells(cols + 1))
        return;
    const char *t = store.data();
    size_t selFrom = sel.from(), selTo = sel.to();
    size_t n = 0, col = 0, selColFrom = SIZE_MAX, selColTo = SIZE_MAX;
    for (size_t i = from; i < to && n < cellCap; ++i) {
        size_t wcells = TextLayout::cellWidth(t[i], col, cols);
        if (i >= selFrom && i < selTo) {
            if (selColFrom == SIZE_MAX)
                selColFrom = col;
            selColTo = col + wcells;
        }
        char shown = t[i] == '\t' || isControl(t[i]) ? ' ' : t[i];
        for (size_t k = 0; k < wcells && n < cellCap; ++k) {
            cells[n] = shown;
            cellDx[n] = cellW;
            ++n;
        }
        col += wcells;
    }
    // A selection that goes over the end of the line marks one cell after it.
    size_t line = layout.lineOfRow(row);
    bool lastRowOfLine = to == store.lineEnd(line);
    if (lastRowOfLine && selFrom <= to && selTo > to && line + 1 < store.lineCount()) {
        if (selColFrom == SIZE_MAX)
            selColFrom = col;
        selColTo = col + 1;
    }
    if (colours.empty()) {
        SetTextColor(dc, RGB(0, 0, 0));
        ExtTextOutA(dc, margin, y, 0, nullptr, cells, UINT(n), cellDx);
    } else {
        drawColoured(dc, from, to, y);
    }
    if (selColFrom != SIZE_MAX && selColTo > selColFrom) {
        RECT r = {margin + int(selColFrom) * cellW, y, margin + int(selColTo) * cellW, y + cellH};
        FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        size_t last = selColTo < n ? selColTo : n;
        if (last > selColFrom)
            ExtTextOutA(dc, r.left, y, 0, nullptr, cells + selColFrom, UINT(last - selColFrom),
                        cellDx + selColFrom);
    }
    drawControlMarks(dc, from, to, y);
}

// The cells of a row run by run, each on its background in its colour and
// font; the view's own colours are black on the view's background.
void PTextView::drawColoured(HDC dc, size_t from, size_t to, int y)
{
    const char *t = store.data();
    size_t cols = layout.columns(), col = 0;
    for (size_t i = from; i < to;) {
        TextAttr a;
        size_t end = colours.spanAt(i, a);
        if (end > to)
            end = to;
        size_t first = col;
        for (; i < end; ++i)
            col += TextLayout::cellWidth(t[i], col, cols);
        size_t last = col < cellCap ? col : cellCap;
        if (last <= first)
            continue;
        COLORREF fg = a.fg == TextAttr::viewColour ? RGB(0, 0, 0) : COLORREF(a.fg);
        COLORREF bg = a.bg == TextAttr::viewColour ? background : COLORREF(a.bg);
        if (a.flags & TextAttr::reverse) {
            COLORREF swap = fg;
            fg = bg;
            bg = swap;
        }
        RECT r = {margin + int(first) * cellW, y, margin + int(last) * cellW, y + cellH};
        HGDIOBJ old = SelectObject(dc, styleFont(a.flags));
        SetTextColor(dc, fg);
        SetBkColor(dc, bg);
        ExtTextOutA(dc, r.left, y, bg != background ? ETO_OPAQUE : 0, &r, cells + first, UINT(last - first),
                    cellDx + first);
        SelectObject(dc, old);
    }
}

// The drawing font in bold, underlined or both, made when first wanted.
HGDIOBJ PTextView::styleFont(uint8_t flags)
{
    size_t k = flags & (TextAttr::bold | TextAttr::underline);
    if (k == 0)
        return drawingFont();
    if (!styleFonts[k]) {
        LOGFONTA lf;
        if (!GetObjectA(drawingFont(), sizeof lf, &lf))
            return drawingFont();
        if (k & TextAttr::bold)
            lf.lfWeight = FW_BOLD;
        if (k & TextAttr::underline)
            lf.lfUnderline = TRUE;
        styleFonts[k] = CreateFontIndirectA(&lf);
    }
    return styleFonts[k] ? static_cast<HGDIOBJ>(styleFonts[k]) : drawingFont();
}

void PTextView::dropStyleFonts()
{
    for (HFONT &f : styleFonts)
        if (f) {
            DeleteObject(f);
            f = nullptr;
        }
}

// Control characters other than the tab keep their one cell and show as a
// small box.
void PTextView::drawControlMarks(HDC dc, size_t from, size_t to, int y)
{
    const char *t = store.data();
    size_t cols = layout.columns(), col = 0;
    for (size_t i = from; i < to; ++i) {
        if (t[i] != '\t' && isControl(t[i])) {
            if (!markBrush)
                markBrush = CreateSolidBrush(RGB(128, 128, 128));
            RECT box = {margin + int(col) * cellW + 1, y + cellH / 4, margin + int(col + 1) * cellW - 1,
                        y + cellH - cellH / 4};
            if (markBrush)
                FrameRect(dc, &box, markBrush);
        }
        col += TextLayout::cellWidth(t[i], col, cols);
    }
}
