#ifndef TERMINAL_VIEWTEXT_H
#define TERMINAL_VIEWTEXT_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

class PTextView;
struct PTextViewRun;

// The terminal's own road to its receive view: typed calls on the text view
// of the dialog's template instead of messages the terminal sends itself to
// learn what it could ask. Outsiders (tests, other programs) keep the view's
// messages, and an insertion still is one (see append()). The window is
// the dialog's; a view whose window has gone does nothing and reads empty.
class ViewText
{
public:
    ViewText() : window(nullptr), view(nullptr) {}
    ViewText(const ViewText &) = delete;
    ViewText &operator=(const ViewText &) = delete;

    // The view control, not owned.
    void attach(HWND control);
    HWND handle() const { return window; }

    // Characters the view holds.
    uint32_t length() const;
    // The view's text, NUL-terminated, good until it next changes; "" when
    // there is no view.
    const char *text() const;
    // After what the view holds; false when its storage could not grow.
    bool append(const char *text, uint32_t length);
    // Coloured text after what the view holds, each run in its attribute;
    // false when the view's storage could not take the text.
    bool appendRuns(const PTextViewRun *runs, size_t count);
    // The oldest `chars` characters go (clamped).
    void cutHead(uint32_t chars);
    // The last `chars` characters go (clamped).
    void cutTail(uint32_t chars);
    void clear();

    // The Edit menu's commands on the view, as its own keys do them: the
    // selection to the clipboard, all of the text selected.
    void copy() const;
    void selectAll() const;
    bool hasSelection() const;

private:
    PTextView *object() const;

    HWND window;
    PTextView *view;   // the window's object, while the window is there
};

#endif
