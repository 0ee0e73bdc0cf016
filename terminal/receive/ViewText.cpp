#include "terminal/receive/ViewText.h"

#include "win/PTextView.h"

void ViewText::attach(HWND control)
{
    window = control;
    view = PTextView::of(control);
}

// The object lives and dies with its window: it is asked for again through
// the window, which no longer gives it once destroyed.
PTextView *ViewText::object() const
{
    if (!view || reinterpret_cast<PTextView *>(GetWindowLongPtrA(window, 0)) != view)
        return nullptr;
    return view;
}

uint32_t ViewText::length() const
{
    PTextView *v = object();
    size_t n = v ? v->length() : 0;
    return n < UINT32_MAX ? uint32_t(n) : UINT32_MAX;
}

const char *ViewText::text() const
{
    PTextView *v = object();
    const char *t = v ? v->text() : nullptr;
    return t ? t : "";
}

// An insertion still goes as the view's message: it is the one event of the
// view that outsiders watch (a hook on the view sees every insertion, and the
// tests count and time them), and one per render or chunk costs nothing.
bool ViewText::append(const char *text, uint32_t length)
{
    if (!object())
        return false;
    return SendMessageA(window, PTVM_APPEND, WPARAM(length), LPARAM(text)) >= 0;
}

bool ViewText::appendRuns(const PTextViewRun *runs, size_t count)
{
    if (!object())
        return false;
    return SendMessageA(window, PTVM_APPENDRUNS, WPARAM(count), LPARAM(runs)) >= 0;
}

void ViewText::cutHead(uint32_t chars)
{
    if (PTextView *v = object())
        v->cutHead(chars);
}

void ViewText::cutTail(uint32_t chars)
{
    if (PTextView *v = object())
        v->cutTail(chars);
}

void ViewText::clear()
{
    if (PTextView *v = object())
        v->clear();
}

void ViewText::copy() const
{
    if (window)
        SendMessageA(window, WM_COPY, 0, 0);
}

void ViewText::selectAll() const
{
    if (window)
        SendMessageA(window, EM_SETSEL, 0, -1);
}

bool ViewText::hasSelection() const
{
    if (!window)
        return false;
    DWORD from = 0, to = 0;
    SendMessageA(window, EM_GETSEL, WPARAM(&from), LPARAM(&to));
    return from != to;
}
