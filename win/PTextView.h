#ifndef WIN_PTEXTVIEW_H
#define WIN_PTEXTVIEW_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "win/ColourRuns.h"
#include "win/TextAttr.h"
#include "win/TextLayout.h"
#include "win/TextSelection.h"
#include "win/TextStore.h"

// Messages of the text view beyond those of the system's edit controls.
// Numbered clear of the rich-edit messages (which end below WM_USER + 0x200).
//
// PTVM_APPEND: wParam the length ((WPARAM)-1: lParam is NUL-terminated),
//   lParam the text. Appends at the end without touching the selection or
//   the caret; a view that follows the end keeps it in view. Returns the new
//   length, or -1 when there was no memory for it (the text is then as it was).
// PTVM_ERASETAIL: wParam characters to remove from the end (clamped).
// PTVM_ERASEHEAD: wParam characters to remove from the start (clamped); the
//   selection, the caret and the first visible line stay with their text.
//   Both return the new length.
// PTVM_ISFOLLOWING: TRUE while appended text keeps the end in view.
// PTVM_EXTENDMENU: sent by the view to its parent just before its context
//   menu shows; wParam is the popup menu (HMENU) holding the view's own
//   items, lParam the view's window. The parent may append items with
//   command ids of its own (the view's own are below 16); an item of the
//   parent's that the operator picks reaches the parent as WM_COMMAND, as
//   from a menu (HIWORD(wParam) 0, lParam 0).
// PTVM_GETTEXTPTR: wParam a size_t * for the length (may be null). Returns
//   the text itself (const char *, NUL-terminated), for reading it all at
//   memory speed; good until the text next changes.
const UINT PTVM_APPEND = WM_USER + 0x300;
const UINT PTVM_ERASETAIL = WM_USER + 0x301;
const UINT PTVM_ERASEHEAD = WM_USER + 0x302;
const UINT PTVM_ISFOLLOWING = WM_USER + 0x303;
const UINT PTVM_EXTENDMENU = WM_USER + 0x304;
// PTVM_APPENDRUNS: wParam the number of runs, lParam an array of
//   PTextViewRun: appends their texts at the end, each in its attribute, as
//   PTVM_APPEND appends (the selection stays). Returns the new length, or -1
//   when there was no memory for the text (the text is then as it was);
//   should only the colours find no memory, the text goes in in the colour
//   before it. Runs whose texts follow each other in memory go into the
//   text with one append.
// PTVM_PAINTRANGE: lParam a PTextViewPaint: [from, to) of the text takes
//   its attribute, or only its background (a line a highlight rule picks
//   out after it came). TRUE when done.
const UINT PTVM_GETTEXTPTR = WM_USER + 0x310;
const UINT PTVM_APPENDRUNS = WM_USER + 0x305;
const UINT PTVM_PAINTRANGE = WM_USER + 0x306;

struct PTextViewRun
{
    const char *text;
    size_t length;
    TextAttr attr;
};

struct PTextViewPaint
{
    size_t from, to;
    TextAttr attr;
    // Only attr's background: the text keeps its colours and emphasis.
    bool backgroundOnly;
};

// A read-only view of plain text as long as memory allows: the receive view
// of the terminal. It answers the messages the system's edit and rich-edit
// controls give the terminal (text, selection, lines, scrolling, colours,
// font, copy) with their meaning, so code written for those runs unchanged.
//
// The view is a window class of its own, registered by registerClass and
// made like any control, from a dialog template or with CreateWindowEx. The
// window owns its PTextView: made at WM_NCCREATE, deleted at WM_NCDESTROY,
// its address kept in the window's extra bytes. No PWin object is needed.
//
// Lines are the rows on screen: a line longer than the view wraps, and
// EM_GETLINECOUNT, EM_LINEINDEX, EM_EXLINEFROMCHAR and EM_GETFIRSTVISIBLELINE
// count rows, as the system's word-wrapping edit controls do.
class PTextView
{
public:
    static const char className[];
    // Registers the class (once; later calls answer true at once).
    static bool registerClass(HINSTANCE module);

    // Identifiers of the context menu's commands.
    enum { cmdCopy = 1, cmdSelectAll = 2 };

    // The object of a window of this class, for the window's owner to call
    // as it would send the messages (outsiders keep the messages); null for
    // any other window or one destroyed.
    static PTextView *of(HWND window);
    size_t length() const { return store.length(); }
    // The text itself, NUL-terminated; good until the text next changes.
    const char *text() const { return store.data(); }
    // As PTVM_ERASEHEAD, PTVM_ERASETAIL and WM_SETTEXT "".
    void cutHead(size_t n) { eraseHead(n); }
    void cutTail(size_t n) { eraseTail(n); }
    void clear();

private:
    explicit PTextView(HWND window);
    ~PTextView();
    PTextView(const PTextView &) = delete;
    PTextView &operator=(const PTextView &) = delete;

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

    // A family of messages: true when it answered msg (its answer in result).
    typedef bool (PTextView::*Family)(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    static const Family families[];
    bool onTextMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onSelectionMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onLinesMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onKeyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onPaintMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onLookMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    bool onMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT &result);
    void onCreate(const CREATESTRUCTA *cs);
    void onTimer(WPARAM id);
    COLORREF setBackground(COLORREF colour);

    // Text changes.
    LRESULT setText(const char *text);
    LRESULT append(const char *text, size_t n);
    LRESULT appendRuns(const PTextViewRun *runs, size_t count);
    LRESULT paintRange(const PTextViewPaint *paint);
    LRESULT replaceSelection(const char *text);
    LRESULT eraseTail(size_t n);
    LRESULT eraseHead(size_t n);
    // streamed: a change a flood makes (appending, erasing the tail or the
    // head), as opposed to one the operator or the program makes at once.
    void textChanged(bool streamed);

    // Text and selection read from outside.
    LRESULT getText(size_t size, char *out) const;
    LRESULT getTextRange(void *range) const;
    LRESULT textPointer(size_t *length) const;
    LRESULT getSel(DWORD *start, DWORD *end) const;
    void setSel(long start, long end);
    LRESULT lineIndex(WPARAM row) const;
    LRESULT posFromChar(size_t offset) const;

    // Scrolling.
    uint64_t rowCount() const;
    uint64_t maxTop() const;
    void scrollTo(uint64_t row);
    void scrollBy(int64_t rows);
    void showRow(uint64_t row);
    void showCaret();
    LRESULT onVScroll(int code, int thumb16);
    void onWheel(int delta);

    // Operator input.
    void onKey(WPARAM key);
    void stepCaret(bool forward, bool shift);
    void moveCaretRows(int64_t rows, bool shift, bool scroll);
    void caretToRowEdge(bool end, bool ctrl, bool shift);
    // onRow: the row the caret was put on, -1 when none in particular.
    void moveCaret(size_t to, bool extend, int64_t onRow = -1);
    TextLayout::Position caretPosition() const;
    // The offset under a point, and the row it lies on (-1: above or below the text).
    size_t hit(int x, int y, int64_t *onRow = nullptr) const;
    void onMouseDown(int x, int y, bool extend);
    void onMouseMove(int x, int y);
    void selectWordAt(int x, int y);
    void endDrag();
    void onContextMenu(int x, int y);
    void copy() const;
    void selectAll();
    bool following() const;

    // Display.
    HGDIOBJ drawingFont() const;
    void measureFont();
    void fitToClient();
    void scheduleFrame();
    // streaming: the frame only shows what a flood changed, so the scroll bar may
    // wait for its next redraw; every other frame shows it at once.
    void frameNow(bool streaming = false);
    void updateScrollBar(bool streaming = false);
    void placeCaret();
    void paint(HDC dc);
    void drawRow(HDC dc, uint64_t row, int y);
    void drawColoured(HDC dc, size_t from, size_t to, int y);
    HGDIOBJ styleFont(uint8_t flags);
    void dropStyleFonts();
    void drawControlMarks(HDC dc, size_t from, size_t to, int y);
    bool ensureBitmap(HDC dc, int w, int h);
    bool ensureCells(size_t n);

    HWND hwnd;
    TextStore store;
    TextLayout layout;
    TextSelection sel;
    ColourRuns colours;

    HFONT font;  // the font set by WM_SETFONT, not ours; null: a stock fixed font
    COLORREF background;
    int cellW, cellH;
    int clientW, clientH;
    int visibleRows;

    uint64_t topRow;
    bool follow;  // the operator is at the end; see following()
    bool focused;
    bool dragging;
    bool caretRowEnd;  // the caret shows at the end of the row before its offset's
    POINT dragAt;
    int wheelRest;

    bool framePending;
    DWORD lastFrame;
    // What changed since the last frame: the frame timer also runs once
    // with nothing new, to redraw a scroll bar left behind by a flood.
    enum Change { noChange, streamOnly, otherChange } pendingChange;

    // The scroll bar as last set, so an unchanged one is not set again
    // (each SetScrollInfo costs several milliseconds under Wine).
    bool barKnown;
    int barMax, barPos;
    UINT barPage;
    bool barStale;  // set without being redrawn
    DWORD lastBarDraw;

    // The memory bitmap rows are drawn into, and the row's cells.
    HDC memDC;
    HBITMAP memBitmap, memOldBitmap;
    int memW, memH;
    HBRUSH backBrush;
    HBRUSH markBrush;
    HFONT fixedFont;  // ours: the fixed-pitch stand-in for a proportional font
    HFONT styleFonts[4];  // ours: the drawing font bold, underlined, both (index: the flags)
    char *cells;
    INT *cellDx;
    size_t cellCap;
};

#endif
