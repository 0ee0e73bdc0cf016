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

bool ViewText::append(const char *text, uint32_t length)
{
    PTextView *v = object();
    return v && v->appendText(text, length);
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
