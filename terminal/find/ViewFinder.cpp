#include "terminal/find/ViewFinder.h"

#include <richedit.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"
#include "terminal/find/HexSearch.h"
#include "win/PMessagePump.h"
#include "win/PTextView.h"

namespace {

const char caption[] = "Find";

} // namespace

ViewFinder::ViewFinder()
    : owner(nullptr), view(nullptr), dlg(nullptr), notice(0), down(true), matchCase(false)
{
    std::memset(&fr, 0, sizeof fr);
    what[0] = '\0';
}

ViewFinder::~ViewFinder()
{
    close();
}

void ViewFinder::attach(HWND ownerWindow, HWND viewWindow)
{
    owner = ownerWindow;
    view = viewWindow;
    notice = RegisterWindowMessageA(FINDMSGSTRINGA);
}

void ViewFinder::extendMenu(HMENU menu)
{
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_VIEW_FIND, "&Find...");
}

bool ViewFinder::onKey(const MSG *msg, bool hex)
{
    if (msg->message != WM_KEYDOWN)
        return false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    // Ctrl+Alt is AltGr on many layouts: a character for the send box.
    if (msg->wParam == 'F' && ctrl && GetKeyState(VK_MENU) >= 0) {
        openDialog();
        return true;
    }
    if (msg->wParam == VK_F3 && !ctrl) {
        findAgain(GetKeyState(VK_SHIFT) < 0, hex);
        return true;
    }
    return false;
}

void ViewFinder::openDialog()
{
    if (dlg) {
        SetFocus(dlg);
        return;
    }
    if (!owner)
        return;
    takeSelection();
    // The dialog comes up with the text, the case and the direction of
    // last time; whole words are not offered.
    fr.lStructSize = sizeof fr;
    fr.hwndOwner = owner;
    fr.lpstrFindWhat = what;
    fr.wFindWhatLen = WORD(sizeof what);
    fr.Flags = FR_HIDEWHOLEWORD | (down ? FR_DOWN : 0) | (matchCase ? FR_MATCHCASE : 0);
    dlg = FindTextA(&fr);
    if (!dlg)
        return;
    PMessagePump::registerDialog(dlg);
    placeAside();
}

// What the operator selected is what they want found, when it is a piece
// of one line; anything else leaves the text of last time.
void ViewFinder::takeSelection()
{
    CHARRANGE sel = {0, 0};
    SendMessageA(view, EM_EXGETSEL, 0, LPARAM(&sel));
    size_t size = 0;
    const char *text = reinterpret_cast<const char *>(SendMessageA(view, PTVM_GETTEXTPTR, WPARAM(&size), 0));
    if (!text || sel.cpMin < 0 || sel.cpMax <= sel.cpMin || size_t(sel.cpMax) > size ||
        size_t(sel.cpMax - sel.cpMin) >= sizeof what)
        return;
    size_t n = size_t(sel.cpMax - sel.cpMin);
    const char *from = text + sel.cpMin;
    if (std::memchr(from, '\r', n) || std::memchr(from, '\n', n))
        return;
    std::memcpy(what, from, n);
    what[n] = '\0';
}

// The system puts the dialog over the top of its owner, right over the
// receive view and the matches it selects: it goes below the frame, or
// above it, where the screen has room.
void ViewFinder::placeAside()
{
    HWND frame = GetAncestor(owner, GA_ROOT);
    RECT f, d;
    MONITORINFO screen;
    screen.cbSize = sizeof screen;
    if (!frame || !GetWindowRect(frame, &f) || !GetWindowRect(dlg, &d) ||
        !GetMonitorInfoA(MonitorFromWindow(frame, MONITOR_DEFAULTTONEAREST), &screen))
        return;
    const RECT &room = screen.rcWork;
    LONG h = d.bottom - d.top;
    LONG y;
    if (f.bottom + h <= room.bottom)
        y = f.bottom;
    else if (f.top - h >= room.top)
        y = f.top - h;
    else
        return;
    LONG x = f.left < room.left ? room.left : f.left;
    SetWindowPos(dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ViewFinder::close()
{
    if (!dlg)
        return;
    HWND gone = dlg;
    dlg = nullptr;
    toldInCaption = false;
    PMessagePump::unregisterDialog(gone);
    // The system has already taken it when its owner went first.
    if (IsWindow(gone))
        DestroyWindow(gone);
}

void ViewFinder::onNotice(LPARAM lParam, bool hex)
{
    if (reinterpret_cast<const FINDREPLACEA *>(lParam) != &fr)
        return;
    if (fr.Flags & FR_DIALOGTERM) {
        // The dialog destroys itself once this returns.
        PMessagePump::unregisterDialog(dlg);
        dlg = nullptr;
        toldInCaption = false;
        return;
    }
    if (fr.Flags & FR_FINDNEXT) {
        down = (fr.Flags & FR_DOWN) != 0;
        matchCase = (fr.Flags & FR_MATCHCASE) != 0;
        find(down, hex);
    }
}

void ViewFinder::findAgain(bool reverse, bool hex)
{
    if (what[0] == '\0') {
        openDialog();
        return;
    }
    find(reverse ? !down : down, hex);
}

// From the selection: after it going down, before it going up. A match is
// selected and scrolled into view; a miss leaves the selection alone.
void ViewFinder::find(bool goDown, bool hex)
{
    if (!view)
        return;
    size_t size = 0;
    const char *text = reinterpret_cast<const char *>(SendMessageA(view, PTVM_GETTEXTPTR, WPARAM(&size), 0));
    if (!text)
        size = 0;
    CHARRANGE sel = {0, 0};
    SendMessageA(view, EM_EXGETSEL, 0, LPARAM(&sel));
    size_t at, end = 0;
    if (hex) {
        unsigned char bytes[HexSearch::maxBytes];
        size_t count = 0;
        if (!HexSearch::parse(what, bytes, sizeof bytes, &count)) {
            tellNotHex();
            return;
        }
        HexSearch search(bytes, count);
        at = goDown ? search.findForward(text, size, size_t(sel.cpMax), &end)
                    : search.findBackward(text, size, size_t(sel.cpMin), &end);
    } else {
        TextSearch search(what, strnlen(what, sizeof what), matchCase ? nullptr : caseFold());
        at = goDown ? search.findForward(text, size, size_t(sel.cpMax))
                    : search.findBackward(text, size, size_t(sel.cpMin));
        end = at + search.length();
    }
    static_assert(HexSearch::npos == TextSearch::npos, "one answer for a miss");
    if (at == TextSearch::npos) {
        char message[sizeof what + 32];
        std::snprintf(message, sizeof message, "Cannot find \"%s\"", what);
        tell(message, MB_ICONINFORMATION);
        return;
    }
    select(at, end);
}

// While the view shows hex, what to find must be hex: how to type it.
void ViewFinder::tellNotHex()
{
    char message[sizeof what + 160];
    std::snprintf(message, sizeof message,
                  "\"%s\" is not hex.\r\n\r\nThe view shows hex: type the bytes to find as pairs of hex "
                  "digits, spaces allowed, as \"0D 0A\" or \"DEADBEEF\".",
                  what);
    tell(message, MB_ICONWARNING);
}

// The start is scrolled into view first, so that a match over several rows
// shows from its beginning.
void ViewFinder::select(size_t from, size_t to)
{
    if (dlg && toldInCaption) {
        SetWindowTextA(dlg, caption);
        toldInCaption = false;
    }
    SendMessageA(view, EM_SETSEL, WPARAM(from), LPARAM(from));
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
    SendMessageA(view, EM_SETSEL, WPARAM(from), LPARAM(to));
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

// Over the Find dialog while it is open, as the answer to it.
void ViewFinder::tell(const char *message, UINT icon)
{
    if (!boxesAllowed) {
        MessageBeep(icon);
        if (dlg) {
            SetWindowTextA(dlg, message);
            toldInCaption = true;
        }
        return;
    }
    MessageBoxA(dlg ? dlg : owner, message, caption, icon | MB_OK);
}

// Case folded as the system folds the code page's letters, accented ones
// included.
const unsigned char *ViewFinder::caseFold()
{
    static unsigned char table[256];
    static bool made = false;
    if (!made) {
        char lower[256];
        for (int c = 0; c < 256; ++c)
            lower[c] = char(c);
        CharLowerBuffA(lower + 1, 255);
        for (int c = 0; c < 256; ++c)
            table[c] = (unsigned char)lower[c];
        made = true;
    }
    return table;
}
